#include "core/readout/readout.h"

#include "core/plot/pixelmath.h"
#include "core/readout/readoutgrid.h"
#include "formats/formats.h"
#include "model/checkedmath.h"

#include <optional>
#include <utility>

namespace valvescope {

namespace {

using tubemath::checked::Div;
using tubemath::checked::Mul;
using tubemath::checked::Sub;

// Small-signal values over 2 V of grid centred on Vg, each stored as soon as it is known.
void SmallSignalValues(const tubemath::TubeParams& tube, double Vg, double Ip, double Va,
                       Readout& readout) {
    readout.Mu = Div(
        Sub(tubemath::PlateVoltage(tube, Vg - 1, Ip), tubemath::PlateVoltage(tube, Vg + 1, Ip)), 2);
    readout.Gm = Div(
        Sub(tubemath::PlateCurrent(tube, Vg + 1, Va), tubemath::PlateCurrent(tube, Vg - 1, Va)), 2);
    if (readout.Gm != 0) {
        readout.Rp = Div(readout.Mu, readout.Gm);
    }
}

// From the model's exact derivatives at (Vg, Va), each stored as soon as it is known: gm, then rp
// where the plate current moves with the plate voltage, then mu. Returns the screen current for a
// screen-grid model with its screen held.
std::optional<double> ExactSmallSignalValues(const tubemath::WiredModel& tube, double Vg, double Va,
                                             Readout& readout) {
    const tubemath::CurrentsAndSlopes at = tubemath::SlopesAt(tube, Vg, Va);
    readout.Gm = at.Plate.PerVg;
    if (at.Plate.PerVa != 0) {
        readout.Rp = Div(1, at.Plate.PerVa);
    }
    readout.Mu = Mul(readout.Gm, readout.Rp);
    if (tubemath::HasScreen(tube.Model.Kind) && !tube.Screen.TriodeConnected) {
        return at.Value.Screen;
    }
    return std::nullopt;
}

// Told apart by the fault's kind, not its text.
bool IsDivisionByZero(const tubemath::ArithmeticError& error) {
    const auto* fault = dynamic_cast<const tubemath::checked::Fault*>(&error);
    return fault != nullptr && fault->IsDivisionByZero();
}

std::string ReadoutText(double Vp, double Vg, double Ip, double P, const Readout& readout,
                        std::optional<double> Is) {
    std::string text = " Vp= ";
    text += formats::FormatVoltsReadout(Vp);
    text += "    Vg= ";
    text += formats::FormatVoltsReadout(Vg);
    text += "    Ip= ";
    text += formats::FormatAmpsReadout(Ip);
    text += "    P= ";
    text += formats::FormatWatts(P);
    text += "    mu=  ";
    text += formats::FormatValueReadout(static_cast<long double>(readout.Mu));
    text += "    gm= ";
    text += formats::FormatValueReadout(static_cast<long double>(readout.Gm) * 1000.0L);
    text += " ma/v";
    text += "    rp= ";
    text += formats::FormatOhms(readout.Rp);
    if (Is) {
        text += "    Is= ";
        text += formats::FormatAmpsReadout(*Is);
    }
    return text;
}

} // namespace

std::optional<PointerReading> ReadPointer(const tubemath::WiredModel& tube, double Rk,
                                          const PlotScale& scale, std::int32_t H, std::int32_t X,
                                          std::int32_t Y, Readout& readout) {
    // The pointer position back into amperes and volts, inverting the plot's mapping.
    const double rowsAboveBottom = static_cast<double>(std::int64_t{H} - Y);
    const double Ip = Div(Div(rowsAboveBottom, scale.PixelsPerMilliamp), 1000);
    const double Va = Mul(X, scale.VoltsPerPixel);
    double Vg = 0;
    std::optional<double> Is;
    try {
        if (tube.Model.Kind == tubemath::ModelKind::Seed) {
            Vg = ReadoutGridVoltage(tube.Model.Seed, Rk, Ip, Va);
            SmallSignalValues(tube.Model.Seed, Vg, Ip, Va, readout);
        } else {
            const std::optional<double> root = ModelGridVoltage(tube, Ip, Va);
            if (!root) {
                return std::nullopt;
            }
            Vg = *root;
            Is = ExactSmallSignalValues(tube, Vg, Va, readout);
        }
    } catch (const tubemath::ArithmeticError& error) {
        if (IsDivisionByZero(error)) {
            return std::nullopt;
        }
        throw;
    }
    PointerReading reading;
    reading.Vp = static_cast<double>(checked::Round(Va));
    reading.Vg = Vg;
    reading.Ip = Ip;
    reading.P = Mul(Ip, Va);
    reading.Values = readout;
    reading.Is = Is;
    reading.Text = ReadoutText(reading.Vp, Vg, Ip, reading.P, readout, Is);
    return reading;
}

std::optional<std::string> PointerReadout(const tubemath::WiredModel& tube, double Rk,
                                          const PlotScale& scale, std::int32_t H, std::int32_t X,
                                          std::int32_t Y, Readout& readout) {
    std::optional<PointerReading> reading = ReadPointer(tube, Rk, scale, H, X, Y, readout);
    if (!reading) {
        return std::nullopt;
    }
    return std::move(reading->Text);
}

namespace {

tubemath::WiredModel Seed(const tubemath::TubeParams& tube) {
    return {{tubemath::ModelKind::Seed, tube, {}}, {}};
}

} // namespace

std::optional<PointerReading> ReadPointer(const tubemath::TubeParams& tube, double Rk,
                                          const PlotScale& scale, std::int32_t H, std::int32_t X,
                                          std::int32_t Y, Readout& readout) {
    return ReadPointer(Seed(tube), Rk, scale, H, X, Y, readout);
}

std::optional<std::string> PointerReadout(const tubemath::TubeParams& tube, double Rk,
                                          const PlotScale& scale, std::int32_t H, std::int32_t X,
                                          std::int32_t Y, Readout& readout) {
    return PointerReadout(Seed(tube), Rk, scale, H, X, Y, readout);
}

} // namespace valvescope
