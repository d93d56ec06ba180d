// The Operating Point window's push-pull pair: the analysis on the session's tube and the second
// tube, its rows, harmonics and small plots, and its marks on the plot.
#include "core/design/pushpullmarks.h"
#include "core/design/pushpullplots.h"
#include "core/design/pushpullrows.h"
#include "core/design/pushpulltexts.h"
#include "core/tube/findtube.h"
#include "formats/formats.h"
#include "ui/harmonicbars.h"
#include "ui/operatingpointwindow.h"
#include "ui/pushpullinputs.h"
#include "ui/smallplotview.h"

#include <QLineEdit>

#include <exception>
#include <stdexcept>

namespace {

// The sweep behind the small plots: enough drives for smooth curves, few enough to follow
// every keystroke.
constexpr int kPlotDrives = 50;

} // namespace

// The second tube of the pair: the session's own for a blank text, else the tube file or
// library tube it names, read once for each text.
const valvescope::Tube& TOperatingPointWindow::SecondTube(const valvescope::Tube& first) {
    const std::string& text = texts_.PushPull.TubeB;
    if (valvescope::IsBlankText(text)) {
        return first;
    }
    if (!secondTube_ || secondTube_->first != text) {
        try {
            secondTube_.emplace(text, valvescope::FindTube(text));
        } catch (const std::exception& error) {
            secondTube_.reset();
            throw std::runtime_error(std::string("Tube B: ") + error.what());
        }
    }
    return secondTube_->second;
}

void TOperatingPointWindow::UpdatePushPull() {
    const valvescope::PlotSession& session = document_.Session();
    const valvescope::Tube& first = session.CurrentTube();
    const valvescope::Tube& second = SecondTube(first);
    const valvescope::PushPullAnalysis analysis = valvescope::DesignPushPull(
        first, session.Screen(), session.Settings(), texts_.PushPull, second, kPlotDrives);
    document_.SetStageMarks(valvescope::PushPullMarks(first, second, analysis, session.Settings()));
    ShowPushPull(analysis);
}

void TOperatingPointWindow::ShowPushPull(const valvescope::PushPullAnalysis& analysis) {
    shown_.reset();
    shownPushPull_ = analysis;
    document_.SetShownStage(std::nullopt);
    document_.SetShownPushPull(shownPushPull_);
    ShowSections(valvescope::PushPullSections(analysis));
    // A blank drive is the default: say how much that is.
    const QString drive =
        QString::fromStdString(formats::FormatVoltsReadout(analysis.Swing.Drive)).trimmed();
    pushPull_->DriveEdit()->setPlaceholderText(drive);
    bars_->SetLevels(valvescope::PushPullLevelsBelowH1(analysis.Swing));
    // Each plot keeps its own copy: the drawing outlives this analysis.
    const QString pair =
        QString::fromStdString(analysis.TubeNames[0] == analysis.TubeNames[1]
                                   ? analysis.TubeNames[0]
                                   : analysis.TubeNames[0] + " and " + analysis.TubeNames[1]);
    powerPlot_->SetDrawing(
        [analysis](std::int32_t width, std::int32_t height) {
            return valvescope::PowerAgainstDrivePlot(analysis, width, height);
        },
        QStringLiteral("Power against drive of the %1 push-pull pair").arg(pair));
    thdPlot_->SetDrawing(
        [analysis](std::int32_t width, std::int32_t height) {
            return valvescope::ThdAgainstPowerPlot(analysis, width, height);
        },
        QStringLiteral("THD against power of the %1 push-pull pair").arg(pair));
}
