#include "cli/runerrors.h"

#include "core/analysis/stage.h"
#include "core/export/familygrid.h"
#include "core/fit/fit.h"
#include "core/io/atomicfile.h"
#include "core/session/plotjob.h"
#include "core/settings/numbertext.h"
#include "model/tubemath.h"
#include "ui/errorbox.h"
#include "ui/plotexport.h"

#include <ostream>
#include <string>

namespace valvescope {

namespace {

// The message as the error box words it, with its full stop.
void Say(const std::string& message, std::ostream& err) {
    err << WithFullStop(QString::fromStdString(message)).toStdString() << '\n';
}

// "Cannot write '<path>': <reason>" from the file's "<path>: <reason>".
std::string CannotWrite(const FileError& error) {
    const std::string what = error.what();
    const std::size_t colon = what.rfind(": ");
    if (colon == std::string::npos) {
        return "Cannot write: " + what;
    }
    return "Cannot write '" + what.substr(0, colon) + "': " + what.substr(colon + 2);
}

int FileFailure(const FileError& error, RunStep step, std::ostream& err) {
    switch (step) {
    case RunStep::Exporting:
        Say(CannotWrite(error), err);
        return kExitNotWritten;
    case RunStep::Saving:
        Say(error.what(), err);
        return kExitNotWritten;
    case RunStep::Reading:
    case RunStep::Drawing:
        break;
    }
    Say(error.what(), err);
    return kExitUsage;
}

} // namespace

int ReportFailure(RunStep step, std::ostream& err) {
    try {
        throw;
    } catch (const BlankOrZeroSetting& error) {
        err << error.what() << '\n';
        return kExitNothingDrawn;
    } catch (const StageError& error) {
        Say(error.what(), err);
        return kExitNothingDrawn;
    } catch (const ConversionError& error) {
        Say(error.what(), err);
        return kExitUsage;
    } catch (const tubemath::ArithmeticError& error) {
        Say(error.what(), err);
        return kExitArithmetic;
    } catch (const PictureWriteError& error) {
        Say(error.what(), err);
        return kExitNotWritten;
    } catch (const exports::ExportTooLargeError& error) {
        Say(error.what(), err);
        return kExitNotWritten;
    } catch (const FileError& error) {
        return FileFailure(error, step, err);
    } catch (const FitError& error) {
        // Measurements that give no fit (too few points, no screen voltage for a screen-grid
        // model): the input does not do what was asked of it.
        Say(error.what(), err);
        return kExitUsage;
    } catch (const std::invalid_argument& error) {
        // Settings that give no export (the SPICE deck sweeps from 0 V over at least one grid
        // voltage): nothing written, as for a stage with no answer.
        Say(error.what(), err);
        return kExitNothingDrawn;
    }
}

} // namespace valvescope
