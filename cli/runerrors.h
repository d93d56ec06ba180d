// The command line's one reading of a failure: the exception a mode stopped on becomes the
// message on the error output and the program's exit code, the same way for every mode.
#pragma once

#include <iosfwd>
#include <optional>

namespace valvescope {

enum ExitCode : int {
    kExitSuccess = 0,
    kExitNothingDrawn = 1, // a setting is blank or zero, or the stage has no answer
    kExitUsage = 2,        // the command line, a setting's text or an input file does not read
    kExitArithmetic = 3,   // the drawing failed part way
    kExitNotWritten = 4,   // the picture could not be written or the window not grabbed
};

// What the mode was doing: a file that cannot be read is the user's input not reading, one that
// cannot be written is an export not made. Exports name the file they could not write as
// "Cannot write '<file>': <reason>."; a saved tube or design file keeps the file's own message.
enum class RunStep { Reading, Drawing, Exporting, Saving };

// Call from a catch block: prints the message of the error being handled on `err` and returns
// its exit code. An error the program does not expect is thrown on.
int ReportFailure(RunStep step, std::ostream& err);

// Runs `work`; nothing when it succeeds, else the exit code after the message.
template <typename Work> std::optional<int> Reported(RunStep step, Work&& work, std::ostream& err) {
    try {
        work();
        return std::nullopt;
    } catch (...) {
        return ReportFailure(step, err);
    }
}

} // namespace valvescope
