#include "core/tube/findtube.h"

#include "core/tube/library.h"
#include "core/tube/tubefile.h"

#include <filesystem>
#include <system_error>

namespace valvescope {

Tube FindTube(const std::string& pathOrName) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(pathOrName, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_directory(status)) {
        return ReadTubeFile(pathOrName); // a file of that name comes first
    }
    if (pathOrName == Builtin807().Name) {
        return Builtin807();
    }
    if (const LibraryTube* entry = FindLibraryTube(pathOrName)) {
        return TubeOf(*entry);
    }
    try {
        return ReadTubeFile(pathOrName);
    } catch (const FileError& failed) {
        throw FileError(std::string(failed.what()) + ", and no tube of the library has that name");
    }
}

} // namespace valvescope
