// Writing a whole file so that it is either all there or not touched at all.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace valvescope {

// A file that could not be read or written; what() names the file and the reason.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes `bytes` to a temporary file beside `path`, flushes it to the disk and only then renames
// it to `path`. Every write is checked: on any failure (a full disk, no permission) the temporary
// file is removed, a file already at `path` stays byte for byte as it was, and FileError says
// "<path>: <reason>". A symbolic link is followed: the file it points to is the one replaced
// (or made), and the link stays. A device or a named pipe is written where it stands and never
// replaced; a socket is refused.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// The whole file as bytes; FileError "<path>: <reason>" when it cannot be read, or when it is
// larger than `maxBytes` ("<path>: the file is larger than N bytes").
std::string ReadWholeFile(const std::string& path, std::size_t maxBytes);

} // namespace valvescope
