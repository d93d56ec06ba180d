#include "formats/formats.h"
#include "window/errorbox.h"
#include "window/schematicform.h"

#include <QApplication>
#include <QLocale>

namespace {

// The decimal point of the user's number format, as one character.
char UserDecimalPoint() {
    const QString point = QLocale::system().decimalPoint();
    if (point.isEmpty() || point.front().unicode() > 0x7F) {
        return '.';
    }
    return point.front().toLatin1();
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // The title on the task bar; the window's caption stays exactly its own.
    QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
    formats::SetDecimalSeparator(UserDecimalPoint());
    TSchematicForm SchematicForm;
    SchematicForm.show();
    return application.exec();
}
