// Whole-file writing: the bytes land complete or not at all, and a write that fails part way
// (a file-size limit, a full disk) leaves the file being replaced byte for byte as it was.
#include "core/io/atomicfile.h"
#include "tests/support/filesizelimit.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
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
