#include "core/plot/biasline.h"

#include "core/plot/shortcuts/biassearch.h"
#include "core/plot/stoprequest.h"
#include "core/search/bracketsearch.h"

#include <cstdint>

namespace valvescope {

// The search only moves up, so each voltage starts from the current found for the one before.
void DrawBiasLineReference(DrawRecorder& draw, const PlotMapping& map,
                           const tubemath::WiredModel& tube, const std::stop_token& stop) {
    const PlotSettings& s = map.Settings();
    const double topCurrent = s.EndI / 1000.0;
    double I = 0;
    for (std::int64_t volts = 0; volts <= s.EndV; ++volts) {
        if (volts % 1024 == 0) {
            StopIfAsked(stop);
        }
        const double Va = static_cast<double>(volts);
        while (!BiasSearchStopsAt(tube, s.Rk, topCurrent, I, Va)) {
            I += kBiasStep;
        }
        I = ClampedCurrent(I);
        draw.LineTo(map.X(Va), map.Y(I));
    }
}

// Within one pixel column the current only rises, so the line-tos there run straight up the
// column and paint what the first and the last of them paint: only those two are drawn.
void DrawBiasLineByColumns(DrawRecorder& draw, const PlotMapping& map,
                           const tubemath::WiredModel& tube, const std::stop_token& stop) {
    const PlotSettings& s = map.Settings();
    const BiasLineSearch biasSearch(tube.Model.Seed, s);
    if (!biasSearch.Proven()) {
        DrawBiasLineReference(draw, map, tube, stop);
        return;
    }
    std::uint64_t steps = 0;
    const auto searchAt = [&](std::int64_t volts) {
        return biasSearch.End(steps, static_cast<double>(volts));
    };
    // A line-to the current the search at `volts` ended with; where its bias voltage cannot be
    // formed, the fault is raised instead, as the search's last test raises it.
    const auto drawAt = [&](std::int64_t volts, std::uint64_t end) {
        steps = end;
        const double Va = static_cast<double>(volts);
        draw.LineTo(map.X(Va), map.Y(biasSearch.CurrentAt(end)));
    };
    // The search goes further the higher the voltage, so once a search fails every later one
    // does.
    const auto endsWell = [&](std::int64_t volts) {
        return biasSearch.Voltage(searchAt(volts)).has_value();
    };
    for (std::int64_t volts = 0; volts <= s.EndV;) {
        StopIfAsked(stop);
        const std::int64_t columnEnd = map.LastVoltInColumn(volts, s.EndV);
        drawAt(volts, searchAt(volts));
        if (columnEnd > volts) {
            const std::uint64_t end = searchAt(columnEnd);
            if (!biasSearch.Voltage(end)) {
                // The column is drawn up to the last voltage whose search ends well, and the
                // next one raises the fault, as stepping volt by volt would.
                const search::Bracket<std::int64_t> last =
                    search::Halve(search::Bracket<std::int64_t>{volts, columnEnd}, endsWell);
                if (last.holds > volts) {
                    drawAt(last.holds, searchAt(last.holds));
                }
                drawAt(last.fails, searchAt(last.fails));
            }
            drawAt(columnEnd, end);
        }
        volts = columnEnd + 1;
    }
}

} // namespace valvescope
