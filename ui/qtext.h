// The core's UTF-8 texts as Qt's, and file names from Qt in the file system's own encoding.
#pragma once

#include <QFile>
#include <QString>

#include <string>

inline QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

// The name as the C library opens it (QFile's encoding of the file system's names).
inline std::string LocalFileName(const QString& path) {
    return QFile::encodeName(path).toStdString();
}
