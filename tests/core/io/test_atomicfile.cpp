// Whole-file writing: the bytes land complete or not at all, and a write that fails part way
// (a file-size limit, a full disk) leaves the file being replaced byte for byte as it was.
#include "core/io/atomicfile.h"
#include "tests/support/filesizelimit.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <future>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

using valvescope::FileError;
using valvescope::ReadWholeFile;
using valvescope::WriteFileAtomically;

class ScratchFolder {
public:
    ScratchFolder() {
        char name[] = "/tmp/atomicfile-XXXXXX";
        path_ = ::mkdtemp(name) ? name : "";
    }
    ~ScratchFolder() {
        for (const std::string& name : Names())
            ::unlink((path_ + "/" + name).c_str());
        ::rmdir(path_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string File(const char* name) const { return path_ + "/" + name; }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        if (DIR* folder = ::opendir(path_.c_str())) {
            while (const dirent* entry = ::readdir(folder)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..")
                    names.push_back(name);
            }
            ::closedir(folder);
        }
        return names;
    }

private:
    std::string path_;
};

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// The kind of thing at `path` itself, not following a link: S_IFREG, S_IFLNK, ...
mode_t KindOf(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & S_IFMT : 0;
}

// What WriteFileAtomically threw, or "" when it did not.
std::string ErrorOf(const std::string& path, const std::string& bytes) {
    try {
        WriteFileAtomically(path, bytes);
    } catch (const FileError& error) {
        return error.what();
    }
    return "";
}

TEST(AtomicFile, WritesEveryByteWithTheUsualOrTheReplacedFilesPermissions) {
    ScratchFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const std::string bytes("line one\n\0binary\xff tail", 22);
    const std::string fresh = folder.File("fresh.png");
    WriteFileAtomically(fresh, bytes);
    EXPECT_EQ(ReadWholeFile(fresh, 1000), bytes);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(ModeOf(fresh), 0666 & ~mask);

    const std::string kept = folder.File("kept.svg");
    WriteFileAtomically(kept, "old");
    ASSERT_EQ(::chmod(kept.c_str(), 0640), 0);
    WriteFileAtomically(kept, "");
    EXPECT_EQ(ReadWholeFile(kept, 1000), "");
    EXPECT_EQ(ModeOf(kept), 0640u);
    EXPECT_EQ(folder.Names().size(), 2u); // no temporary file left beside them
}

TEST(AtomicFile, FailuresNameTheFileAndTheReason) {
    EXPECT_EQ(ErrorOf("/no/such/folder/plot.png", "x"),
              "/no/such/folder/plot.png: No such file or directory");
    ScratchFolder folder;
    WriteFileAtomically(folder.File("big"), std::string(100, 'x'));
    try {
        ReadWholeFile(folder.File("big"), 99);
        ADD_FAILURE() << "a file over the limit was read";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(),
                     (folder.File("big") + ": the file is larger than 99 bytes").c_str());
    }
    EXPECT_EQ(ReadWholeFile(folder.File("big"), 100).size(), 100u);
}

TEST(AtomicFile, AWriteFailingPartWayLeavesTheOldFileByteForByte) {
    ScratchFolder folder;
    const std::string keep = folder.File("keep.png");
    const std::string old = "OLD\n";
    WriteFileAtomically(keep, old);
    std::string error;
    {
        // The first write gets 4096 bytes through, the next one fails.
        const FileSizeLimit limit(4096);
        error = ErrorOf(keep, std::string(100000, 'p'));
    }
    EXPECT_EQ(error, keep + ": File too large");
    EXPECT_EQ(ReadWholeFile(keep, 1000), old);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"keep.png"});
}

TEST(AtomicFile, ALinkStaysAndItsTargetIsReplaced) {
    ScratchFolder folder;
    const std::string real = folder.File("real.csv");
    WriteFileAtomically(real, "old");
    ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
    // A relative link, and a link to that link.
    ASSERT_EQ(::symlink("real.csv", folder.File("link.csv").c_str()), 0);
    ASSERT_EQ(::symlink(folder.File("link.csv").c_str(), folder.File("chain.csv").c_str()), 0);
    WriteFileAtomically(folder.File("link.csv"), "new");
    EXPECT_EQ(KindOf(folder.File("link.csv")), S_IFLNK);
    EXPECT_EQ(ReadWholeFile(real, 100), "new");
    EXPECT_EQ(ModeOf(real), 0600u);
    WriteFileAtomically(folder.File("chain.csv"), "newer");
    EXPECT_EQ(KindOf(folder.File("chain.csv")), S_IFLNK);
    EXPECT_EQ(KindOf(folder.File("link.csv")), S_IFLNK);
    EXPECT_EQ(ReadWholeFile(real, 100), "newer");

    // A dangling link makes the file it points to.
    ASSERT_EQ(::symlink("made.csv", folder.File("ahead.csv").c_str()), 0);
    WriteFileAtomically(folder.File("ahead.csv"), "made");
    EXPECT_EQ(KindOf(folder.File("ahead.csv")), S_IFLNK);
    EXPECT_EQ(KindOf(folder.File("made.csv")), S_IFREG);
    EXPECT_EQ(ReadWholeFile(folder.File("made.csv"), 100), "made");
    EXPECT_EQ(folder.Names().size(), 5u); // no temporary file left

    // A loop of links is an error, and leaves the links as they were.
    ASSERT_EQ(::symlink("loop.b", folder.File("loop.a").c_str()), 0);
    ASSERT_EQ(::symlink("loop.a", folder.File("loop.b").c_str()), 0);
    EXPECT_EQ(ErrorOf(folder.File("loop.a"), "x"),
              folder.File("loop.a") + ": Too many levels of symbolic links");
    EXPECT_EQ(KindOf(folder.File("loop.a")), S_IFLNK);
}

TEST(AtomicFile, APipeIsWrittenWhereItStandsAndStaysAPipe) {
    ScratchFolder folder;
    const std::string pipe = folder.File("p.csv");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    auto reader = std::async(std::launch::async, [&] { return ReadWholeFile(pipe, 1 << 20); });
    const std::string bytes(200000, 'c'); // more than the pipe holds at once
    WriteFileAtomically(pipe, bytes);
    EXPECT_EQ(reader.get(), bytes);
    EXPECT_EQ(KindOf(pipe), S_IFIFO);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"p.csv"});
}

TEST(AtomicFile, ADeviceIsWrittenAndNeverReplaced) {
    WriteFileAtomically("/dev/null", "gone");
    EXPECT_EQ(KindOf("/dev/null"), S_IFCHR);
    EXPECT_EQ(ErrorOf("/dev/full", std::string(300000, 'f')), "/dev/full: No space left on device");
    EXPECT_EQ(KindOf("/dev/full"), S_IFCHR);
    // Through a link, too.
    ScratchFolder folder;
    ASSERT_EQ(::symlink("/dev/full", folder.File("full.png").c_str()), 0);
    EXPECT_EQ(ErrorOf(folder.File("full.png"), "x"),
              folder.File("full.png") + ": No space left on device");
    EXPECT_EQ(KindOf("/dev/full"), S_IFCHR);
    EXPECT_EQ(KindOf(folder.File("full.png")), S_IFLNK);
}

TEST(AtomicFile, ASocketIsRefusedAndStays) {
    ScratchFolder folder;
    const std::string path = folder.File("s.csv");
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    path.copy(address.sun_path, path.size());
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(ErrorOf(path, "x"), path + ": a socket cannot be written to as a file");
    EXPECT_EQ(KindOf(path), S_IFSOCK);
    ::close(listener);
}

// A real full disk: an 8 KiB tmpfs, mounted in a mount namespace of this test's own so that it
// vanishes with the process. Needs the right to mount (root outside a locked-down container).
TEST(AtomicFile, AFullDiskLeavesTheOldFileByteForByte) {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        GTEST_SKIP() << "no mount namespace here (needs root): the file-size limit test stands in";
    }
    ScratchFolder folder;
    if (::mount("tmpfs", folder.path().c_str(), "tmpfs", 0, "size=8k") != 0) {
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    }
    struct Unmount {
        const std::string& at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{folder.path()};
    const std::string keep = folder.File("keep.png");
    WriteFileAtomically(keep, "OLD\n");
    EXPECT_EQ(ErrorOf(keep, std::string(64 * 1024, 's')), keep + ": No space left on device");
    EXPECT_EQ(ReadWholeFile(keep, 1000), "OLD\n");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"keep.png"});
    // A picture that fits still replaces it.
    WriteFileAtomically(keep, std::string(2000, 'n'));
    EXPECT_EQ(ReadWholeFile(keep, 4000), std::string(2000, 'n'));
}

} // namespace
