// Whole-file reading with its size limit, and a rename that fails with the folder in the way.
#include "core/io/atomicfile.h"
#include "tests/core/tempfolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace valvescope {
namespace {

using testing::ReadText;
using testing::TempFolder;
using testing::WriteText;

std::string ErrorFor(auto&& action) {
    try {
        action();
    } catch (const FileError& error) {
        return error.what();
    }
    return "no error";
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
