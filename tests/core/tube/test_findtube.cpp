// The tube a text names: a file of that name first, then the 807 and the library, then the
// message of a file that is not there.
#include "core/tube/findtube.h"
#include "core/tube/tubefile.h"
#include "tests/core/tempfolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace valvescope {
namespace {

using testing::TempFolder;

// Runs in `folder`, so a bare name is a file there; back where it was at the end.
class InFolder {
public:
    explicit InFolder(const std::filesystem::path& folder) : was_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~InFolder() { std::filesystem::current_path(was_); }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    std::filesystem::path was_;
};

TEST(FindTube, AFileComesBeforeTheLibrarysNameThenThe807AndTheLibrary) {
    TempFolder folder;
    Tube mine = Builtin807();
    mine.Name = "my EL34";
    SaveTubeFile(folder / "EL34", mine);
    {
        const InFolder here(folder.path());
        EXPECT_EQ(FindTube("EL34").Name, "my EL34");
        EXPECT_EQ(FindTube("el34").Name, "EL34"); // no such file: the library's, in any case
    }
    EXPECT_EQ(FindTube(folder / "EL34").Name, "my EL34");
    EXPECT_EQ(FindTube("EL34").Model.Kind, tubemath::ModelKind::KorenPentode);
    EXPECT_EQ(FindTube("807").Notes, "Built in.");
    // A folder of that name is no tube file: the library's tube still.
    std::filesystem::create_directory(folder / "6L6GC");
    {
        const InFolder here(folder.path());
        EXPECT_EQ(FindTube("6L6GC").Name, "6L6GC");
    }
}

TEST(FindTube, NeitherFileNorNameSaysBoth) {
    TempFolder folder;
    try {
        FindTube(folder / "EL99");
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  folder / "EL99" + ": No such file or directory, and no tube of the library "
                                    "has that name");
    }
    // A file that is there but does not read says what is wrong with it, not the library.
    testing::WriteText(folder / "EL34", "{}");
    const InFolder here(folder.path());
    EXPECT_THROW(FindTube("EL34"), TubeFileError);
}

} // namespace
} // namespace valvescope
