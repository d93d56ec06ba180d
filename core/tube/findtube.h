// The tube a text names, where the user may give a tube file or a tube's name: --tube, --tube-b
// and the push-pull stage's second tube in the Operating Point window read it alike.
#pragma once

#include "core/tube/tube.h"

#include <string>

namespace valvescope {

// The tube file at that path where there is one (a file comes first), else the built-in 807 or
// the library's tube of that name (letters in either case), else FileError with the message of
// the file that does not read and ", and no tube of the library has that name"; a file that is
// there but does not read raises its TubeFileError.
Tube FindTube(const std::string& pathOrName);

} // namespace valvescope
