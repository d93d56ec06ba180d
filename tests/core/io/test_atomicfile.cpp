#include "core/io/atomicfile.h"
#include "tests/core/tempfolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace valvescope {
namespace {

using testing::ReadText;
using testing::TempFolder;
using testing::WriteText;

mode_t ModeOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

std::string ErrorFor(auto&& action) {
    try {
        action();
    } catch (const FileError& error) {
        return error.what();
    }
    return "no error";
}

TEST(WriteFileAtomically, NewFileGetsTheUsualPermissions) {
    TempFolder folder;
    const mode_t old = ::umask(027);
    WriteFileAtomically(folder / "new", "abc");
    ::umask(old);
    EXPECT_EQ(ReadText(folder / "new"), "abc");
    EXPECT_EQ(ModeOf(folder / "new"), 0640u);
}

TEST(WriteFileAtomically, ReplacesContentAndKeepsPermissions) {
    TempFolder folder;
    const std::string path = folder / "kept";
    WriteText(path, "a much longer old content");
    std::filesystem::permissions(path, std::filesystem::perms(0604));
    WriteFileAtomically(path, std::string("new\0bytes", 9));
    EXPECT_EQ(ReadText(path), std::string("new\0bytes", 9));
    EXPECT_EQ(ModeOf(path), 0604u);
    EXPECT_EQ(folder.Listing(), "kept\n");
}

TEST(WriteFileAtomically, FailureLeavesNoTemporaryFile) {
    TempFolder folder;
    // A folder in the way: the temporary file is written, the rename over the folder fails.
    std::filesystem::create_directory(folder / "taken");
    WriteText(folder / "taken/inside", "untouched");
    EXPECT_EQ(ErrorFor([&] { WriteFileAtomically(folder / "taken", "x"); }),
              folder / "taken" + ": Is a directory");
    EXPECT_EQ(folder.Listing(), "taken\n");
    EXPECT_EQ(ReadText(folder / "taken/inside"), "untouched");

    EXPECT_EQ(ErrorFor([&] { WriteFileAtomically(folder / "none/f", "x"); }),
              folder / "none/f" + ": No such file or directory");
    EXPECT_EQ(folder.Listing(), "taken\n");
}

TEST(ReadWholeFile, ReadsUpToTheLimitAndNoFurther) {
    TempFolder folder;
    const std::string path = folder / "f";
    const std::string text(100000, 'x'); // more than one read's worth
    WriteText(path, text);
    EXPECT_EQ(ReadWholeFile(path, 100000), text);
    EXPECT_EQ(ErrorFor([&] { ReadWholeFile(path, 99999); }),
              path + ": the file is larger than 99999 bytes");
    WriteText(path, "");
    EXPECT_EQ(ReadWholeFile(path, 0), "");
    EXPECT_EQ(ErrorFor([&] { ReadWholeFile(folder / "none", 10); }),
              folder / "none" + ": No such file or directory");
}

} // namespace
} // namespace valvescope
