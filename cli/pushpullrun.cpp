#include "cli/pushpullrun.h"

#include "cli/runerrors.h"
#include "cli/tuberun.h"
#include "core/analysis/pushpull.h"
#include "core/design/pushpulldesign.h"
#include "core/session/plotsession.h"

#include <ostream>

namespace valvescope {

namespace {

Tube SecondTube(const QString& given, const Tube& first) {
    if (given.isEmpty())
        return first;
    return TubeNamed(given);
}

} // namespace

int PrintPushPull(const CommandLine& line, const RunInputs& inputs, std::ostream& out,
                  std::ostream& err) {
    Tube second;
    if (const std::optional<int> failed = Reported(
            RunStep::Reading, [&] { second = SecondTube(line.TubeB, inputs.RunTube); }, err)) {
        return *failed;
    }
    std::string printed;
    const std::optional<int> failed = Reported(
        RunStep::Drawing,
        [&] {
            PlotSession session;
            session.SetTube(inputs.RunTube);
            const PushPullAnalysis analysis =
                TakeAndDesignPushPull(session, line.Texts, second, *line.PushPull);
            printed =
                line.Design == DesignFormat::Json ? PushPullJson(analysis) : PushPullText(analysis);
        },
        err);
    out << printed;
    out.flush();
    return failed.value_or(kExitSuccess);
}

} // namespace valvescope
