#include "core/io/atomicfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace valvescope {

namespace {

[[noreturn]] void Fail(const std::string& path, int error) {
    throw FileError(path + ": " + std::strerror(error));
}

// The folder part of `path`, for the temporary file's name and the folder's sync.
std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void WriteAll(int fd, std::string_view bytes, const std::string& path) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            Fail(path, errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

// Closes and removes the temporary file unless the rename took it over.
class TemporaryFile {
public:
    // A temporary file beside `target`; a failure names `path`.
    TemporaryFile(const std::string& target, const std::string& path) : name_(target + ".XXXXXX") {
        fd_ = ::mkstemp(name_.data());
        if (fd_ < 0)
            Fail(path, errno);
    }
    ~TemporaryFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!renamed_)
            ::unlink(name_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_; }
    const std::string& name() const { return name_; }
    void Close(const std::string& path) {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            Fail(path, errno);
    }
    void Renamed() { renamed_ = true; }

private:
    std::string name_;
    int fd_ = -1;
    bool renamed_ = false;
};

} // namespace

namespace {

// As many links in a row as the kernel follows before it says ELOOP.
constexpr int kMostLinks = 40;

// Where a write to `path` lands: the end of its chain of symbolic links, or `path` itself. A
// link to a file that is not there yet is followed too, so the file is made where it points.
std::string LinkTarget(const std::string& path) {
    std::string at = path;
    for (int hops = 0; hops < kMostLinks; ++hops) {
        struct stat info {};
        if (::lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return at;
        std::string target(static_cast<std::size_t>(info.st_size) + 256, '\0');
        const ssize_t length = ::readlink(at.c_str(), target.data(), target.size());
        if (length < 0)
            Fail(path, errno);
        target.resize(static_cast<std::size_t>(length));
        at = target.starts_with('/') ? target : FolderOf(at) + "/" + target;
    }
    Fail(path, ELOOP);
}

// Replaces the regular file (or makes the new one) at `target` by way of a temporary file in
// its folder; messages name `path`, as the user gave it.
void ReplaceFile(const std::string& path, const std::string& target, std::string_view bytes) {
    TemporaryFile temporary(target, path);
    // mkstemp makes the file private; a new file gets the usual permissions instead, and a file
    // being replaced keeps its own.
    struct stat existing {};
    mode_t mode = 0666;
    if (::stat(target.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    if (::fchmod(temporary.fd(), mode) != 0)
        Fail(path, errno);
    WriteAll(temporary.fd(), bytes, path);
    if (::fsync(temporary.fd()) != 0)
        Fail(path, errno);
    temporary.Close(path);
    if (::rename(temporary.name().c_str(), target.c_str()) != 0)
        Fail(path, errno);
    temporary.Renamed();
    // The rename itself reaches the disk with the folder.
    const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

// A device or a named pipe takes the bytes where it stands; it is never replaced by a file.
// Returns false when a regular file stood there by the time it was opened.
bool WriteInPlace(const std::string& path, const std::string& target, std::string_view bytes) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        Fail(path, errno);
    struct Closer {
        int fd;
        ~Closer() {
            if (fd >= 0)
                ::close(fd);
        }
    } closer{fd};
    struct stat opened {};
    if (::fstat(fd, &opened) != 0)
        Fail(path, errno);
    if (S_ISREG(opened.st_mode))
        return false;
    WriteAll(fd, bytes, path);
    closer.fd = -1;
    if (::close(fd) != 0)
        Fail(path, errno);
    return true;
}

} // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
    const std::string target = LinkTarget(path);
    struct stat existing {};
    if (::stat(path.c_str(), &existing) != 0) {
        // A dangling link still leads to where the file is to be; any other refusal (a link
        // the system will not follow here, a folder without access) stands.
        if (errno != ENOENT)
            Fail(path, errno);
    } else if (S_ISSOCK(existing.st_mode)) {
        throw FileError(path + ": a socket cannot be written to as a file");
    } else if (!S_ISREG(existing.st_mode) && !S_ISDIR(existing.st_mode)) {
        if (WriteInPlace(path, target, bytes))
            return;
    }
    ReplaceFile(path, target, bytes);
}

std::string ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        Fail(path, errno);
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            Fail(path, error);
        }
        if (got == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
            ::close(fd);
            throw FileError(path + ": the file is larger than " + std::to_string(maxBytes) +
                            " bytes");
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return bytes;
}

} // namespace valvescope
