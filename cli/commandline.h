// The command line: what the program is asked to do, read into a plain description. With no
// arguments the program opens its window; the other modes draw the plot without one, or take a
// picture of the window and end.
#pragma once

#include "core/design/designfile.h"
#include "core/design/stagetexts.h"
#include "core/export/spicetext.h"
#include "core/readout/readout.h"
#include "core/settings/intake.h"
#include "core/settings/plotsettings.h"
#include "core/settings/settingsboxes.h"
#include "core/tube/tube.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace valvescope {

enum class RunMode {
    Window,      // open the window, as a user starts the program
    Export,      // draw the plot into a PNG, SVG or PDF file
    Readout,     // print the status-line readout for pointer positions on the plot
    WindowShot,  // open the window, save a picture of it as a PNG and end
    Design,      // print the analysis of the stage on the settings
    ExportSpice, // write the tube's SPICE subcircuit and a deck that sweeps the plotted family
    ExportCsv,   // write the plotted curves as CSV
    PrintPdf,    // render the printed page into a PDF file
    Fit,         // fit the model's constants to measured points and print the fit
    Help,
    Version,
    Usage, // the command line did not read: say why and show the usage
};

struct PointerPosition {
    int X = 0;
    int Y = 0;
    bool operator==(const PointerPosition&) const = default;
};

// How --design prints the stage's analysis.
enum class DesignFormat { Text, Json };

inline constexpr int kDefaultSurfaceWidth = 462;
inline constexpr int kDefaultSurfaceHeight = 224;
inline constexpr int kLargestSurfaceSide = 16384;

struct CommandLine {
    RunMode Mode = RunMode::Window;
    QString Problem; // what did not read, for RunMode::Usage
    QString File;    // the file to write (Export, WindowShot, ExportSpice, ExportCsv, PrintPdf)
    std::vector<PointerPosition> Points;
    SettingsTexts Texts = StartTexts();
    Overlays Show;
    QSize Surface{kDefaultSurfaceWidth, kDefaultSurfaceHeight};
    bool SurfaceGiven = false;
    // The tube and measured curves: --tube, --data, --fitted-curves, --fit and --save-tube.
    QString TubeFile;
    QString DataFile;
    bool FittedCurves = false;
    bool FitAxes = false; // --fit-axes: End V, End I and Step V from the measured ranges
    QString FitFile;
    QString SaveTubeFile;
    // --screen-v and --triode-connected: how a screen-grid tube's screen is wired (default: held
    // at the tube's own screen voltage).
    std::optional<double> ScreenVolts;
    bool TriodeConnected = false;
    // --imax, --vmax and --pmax with --fit: the fitted tube's ratings (A, V, W); none given, none.
    TubeRatings GivenRatings{std::nullopt, std::nullopt, std::nullopt, std::nullopt};
    // --design: print the analysis (alone, or after an export).
    std::optional<DesignFormat> Design;
    // Any of --design, --load, --zaa and --drive: the stage, whose marks an export draws.
    std::optional<StageTexts> Stage;
    bool Bare = false; // --export: the plot surface alone, without its labels and caption
    exports::SpiceDialect Dialect = exports::SpiceDialect::Ngspice;
    QString DeckFile; // --export-spice: where the deck goes; empty for beside the subcircuit
    // --open: the design file the run starts from; the other options change what it gives.
    QString DesignFile;
    // What the run starts from: the designed start-up, or the design of --open. Its settings,
    // toggles and stage inputs are already in Texts, Show and Stage where the options left them;
    // its tube and measurements stand where --tube and --data are not given.
    valvescope::Design Start;
};

// Reads the arguments (the program's name first), starting from `start`. Never exits, reads no
// file and needs no application object.
CommandLine ReadCommandLine(const QStringList& arguments, const Design& start = Design{});

// The text --help prints; needs the application object for the program's name.
QString UsageText();

// "WxH" with both sides from 1 to kLargestSurfaceSide; an upper-case X is fine.
std::optional<QSize> ReadSurfaceSize(const QString& text);

// Comma-separated toggle names: imax, wp, vmax, rk, load (any case). The empty text is none.
std::optional<Overlays> ReadOverlayNames(const QString& text);

// "X,Y" in whole pixels of the plot; either may be negative (the pointer may be held outside).
std::optional<PointerPosition> ReadPointerPosition(const QString& text);

// The option that names the file the mode writes ("export", "window-shot", ...); none for the
// modes that write no file.
std::optional<QString> FileOptionOf(RunMode mode);

// True for the modes that need no screen.
bool RunsWithoutScreen(RunMode mode);

} // namespace valvescope
