// Calls the tube model with arbitrary operating points. The plate current and the plate
// voltage are finite or raise one of the three arithmetic messages; the grid-voltage search
// always ends with a finite value; a GridCurve agrees bit for bit with PlateCurrent.
//
// Input layout: byte 0 picks how the rest is read. Odd: eight bytes per 64-bit value, any bit
// pattern. Even: four bytes per value, a signed count of millivolts (or milliamperes, milliohms),
// which keeps the search near the law's region. After the five values, one byte per constant of
// the tube, in the order TubeParams lists them: 0 (or the input's end) keeps the 807's, any other
// scales it by a power of ten from 1e-4 to 1e3, negated for odd bytes. For another tube than the
// 807, the grid-voltage search gives exactly what its plain stepped walk gives, from starts
// within a million volts (the walk from farther out takes as long as it is far).
#include "model/tubemath.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string_view>

namespace {

using tubemath::ArithmeticError;

[[noreturn]] void Fail(const char* what, double a, double b) {
    std::fprintf(stderr, "%s at (%.17g, %.17g)\n", what, a, b);
    std::abort();
}

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool AnyBitPattern() const { return size_ > 0 && (data_[0] & 1) != 0; }

    // The next value, 0 once the input is used up.
    // The next byte, 0 once the input is used up.
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }

    double Next() {
        const std::size_t width = AnyBitPattern() ? sizeof(double) : sizeof(std::int32_t);
        std::uint8_t raw[sizeof(double)] = {};
        if (at_ < size_)
            std::memcpy(raw, data_ + at_, std::min(width, size_ - at_));
        at_ += width;
        if (AnyBitPattern()) {
            double x;
            std::memcpy(&x, raw, sizeof x);
            return x;
        }
        std::int32_t thousandths;
        std::memcpy(&thousandths, raw, sizeof thousandths);
        return thousandths / 1000.0;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 1;
};

// The model's own message that equals the text, or nullptr.
const char* ModelMessage(std::string_view text) {
    for (const char* known : {tubemath::kOverflowMessage, tubemath::kDivisionByZeroMessage,
                              tubemath::kInvalidOperationMessage}) {
        if (text == known)
            return known;
    }
    return nullptr;
}

// What one call gave: a value, or the message it raised.
struct Outcome {
    double value = 0;
    const char* fault = nullptr;
};

template <class Call> Outcome Run(Call call, double a, double b) {
    Outcome outcome;
    try {
        outcome.value = call();
    } catch (const ArithmeticError& error) {
        outcome.fault = ModelMessage(error.what());
        if (outcome.fault == nullptr)
            Fail("unknown arithmetic message", a, b);
        return outcome;
    } catch (const std::exception&) {
        Fail("exception other than ArithmeticError", a, b);
    }
    if (!std::isfinite(outcome.value))
        Fail("infinite or NaN result", a, b);
    return outcome;
}

bool SameOutcome(const Outcome& x, const Outcome& y) {
    if (x.fault != nullptr || y.fault != nullptr)
        return x.fault == y.fault;
    return std::memcmp(&x.value, &y.value, sizeof x.value) == 0;
}

void CheckPlateCurrent(const tubemath::TubeParams& tube, double vg, double va) {
    const Outcome direct = Run([&] { return tubemath::PlateCurrent(tube, vg, va); }, vg, va);
    Outcome curve;
    try {
        const tubemath::GridCurve gridCurve(tube, vg);
        curve = Run([&] { return gridCurve.PlateCurrentAt(va); }, vg, va);
    } catch (const std::exception&) {
        Fail("GridCurve construction raised", vg, va);
    }
    if (!SameOutcome(direct, curve))
        Fail("GridCurve differs from PlateCurrent", vg, va);
}

// One curve used for two plate voltages in turn gives what two fresh curves give.
void CheckCurveReuse(const tubemath::TubeParams& tube, double vg, double va1, double va2) {
    const tubemath::GridCurve gridCurve(tube, vg);
    const Outcome first = Run([&] { return gridCurve.PlateCurrentAt(va1); }, vg, va1);
    const Outcome second = Run([&] { return gridCurve.PlateCurrentAt(va2); }, vg, va2);
    const Outcome again = Run([&] { return gridCurve.PlateCurrentAt(va1); }, vg, va1);
    if (!SameOutcome(first, again))
        Fail("GridCurve changed after another plate voltage", vg, va1);
    const Outcome direct = Run([&] { return tubemath::PlateCurrent(tube, vg, va2); }, vg, va2);
    if (!SameOutcome(second, direct))
        Fail("reused GridCurve differs from PlateCurrent", vg, va2);
}

void CheckGridVoltage(const tubemath::TubeParams& tube, double rk, double ip, double va) {
    double vg = 0;
    try {
        vg = tubemath::GridVoltage(tube, rk, ip, va);
    } catch (...) {
        Fail("GridVoltage raised", ip, va);
    }
    if (!std::isfinite(vg))
        Fail("GridVoltage not finite", ip, va);
}

tubemath::TubeParams ReadTube(Reader& reader) {
    tubemath::TubeParams tube;
    for (double* c : {&tube.MuExponent, &tube.ExponentSlope, &tube.GridDecade, &tube.KneeFactor,
                      &tube.MuZero, &tube.Perveance, &tube.LawExponent}) {
        const std::uint8_t byte = reader.Byte();
        if (byte != 0) {
            *c *= std::pow(10.0, (byte >> 1) % 8 - 4) * ((byte & 1) != 0 ? -1 : 1);
        }
    }
    return tube;
}

bool Is807(const tubemath::TubeParams& t) {
    const tubemath::TubeParams b;
    return t.MuExponent == b.MuExponent && t.ExponentSlope == b.ExponentSlope &&
           t.GridDecade == b.GridDecade && t.KneeFactor == b.KneeFactor && t.MuZero == b.MuZero &&
           t.Perveance == b.Perveance && t.LawExponent == b.LawExponent;
}

void CheckAgainstPlainWalk(const tubemath::TubeParams& tube, double rk, double ip, double va) {
    const double start = rk * ip;
    if (!(std::fabs(start) <= 1e6))
        return;
    const double skipped = tubemath::GridVoltage(tube, rk, ip, va);
    const double plain = tubemath::detail::GridVoltageStepByStep(tube, rk, ip, va);
    if (std::memcmp(&skipped, &plain, sizeof skipped) != 0)
        Fail("GridVoltage differs from the plain walk", ip, va);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    Reader reader(data, size);
    const double vg = reader.Next();
    const double va = reader.Next();
    const double ip = reader.Next();
    const double rk = reader.Next();
    const double va2 = reader.Next();
    const tubemath::TubeParams tube = ReadTube(reader);

    CheckPlateCurrent(tube, vg, va);
    CheckCurveReuse(tube, vg, va, va2);
    Run([&] { return tubemath::PlateVoltage(tube, vg, ip); }, vg, ip);
    if (Is807(tube)) {
        CheckGridVoltage(tube, rk, ip, va);
    } else {
        CheckAgainstPlainWalk(tube, rk, ip, va);
    }
    return 0;
}
