// The plate-current formula: tubemath::PlateCurrent written out as one expression.
#include "core/export/spicetext.h"

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

namespace valvescope::exports {

namespace {

std::string Paren(const std::string& text) {
    return "(" + text + ")";
}

// Writes the expression in one dialect's syntax. Every operation is bracketed, so that the
// simulator applies them in the model's order whatever its precedence rules.
class FormulaWriter {
public:
    explicit FormulaWriter(SpiceDialect dialect) : dialect_(dialect) {}

    // `then` where `condition` holds (is 1), `otherwise` where it does not (is 0).
    std::string Choose(const std::string& condition, const std::string& then,
                       const std::string& otherwise) const {
        if (dialect_ == SpiceDialect::LTspice)
            return "if(" + condition + ", " + then + ", " + otherwise + ")";
        return Paren(condition + " ? " + then + " : " + otherwise);
    }

    // 1 where x is 0 (of either sign), else 0: abs(x) <= 0 in both dialects, as LTspice's
    // expressions have no equality operator.
    static std::string IsZero(const std::string& x) { return "(abs(" + x + ") <= 0)"; }

    // |base|^exponent, formed as the model forms it: exp(exponent * ln(|base|)). The logarithm's
    // argument gets 1 added where the base is 0, so that no branch meets ln(0), even one whose
    // value is not taken; the base-zero test picks 0 there.
    static std::string Magnitude(const std::string& base, const std::string& exponent) {
        const std::string lnArgument = "abs(" + base + ") + " + IsZero(base);
        return "exp(" + Paren(exponent) + " * ln(" + lnArgument + "))";
    }

    // SignedPower(base, exponent): the sign of base kept, 0 for a zero base, 1 for a zero
    // exponent. The exponent's test is written only where the exponent can be 0.
    std::string SignedPower(const std::string& base, const std::string& exponent,
                            bool exponentCanBeZero, bool baseNonNegative) const {
        const std::string magnitude = Magnitude(base, exponent);
        const std::string power = baseNonNegative ? magnitude : "sgn(" + base + ") * " + magnitude;
        const std::string withZeroBase = Choose(IsZero(base), "0", power);
        if (!exponentCanBeZero)
            return withZeroBase;
        return Choose(IsZero(exponent), "1", withZeroBase);
    }

    // SignedPower with a constant exponent, written as `name`: 1 outright for an exponent of 0.
    std::string SignedPowerTo(const std::string& base, double exponent, const std::string& name,
                              bool baseNonNegative) const {
        if (exponent == 0)
            return "1";
        return SignedPower(base, name, false, baseNonNegative);
    }

    // Parallel(x, y): x * y / (x + y), or 0 when the sum is 0.
    std::string Parallel(const std::string& x, const std::string& y) const {
        const std::string sum = Paren(Paren(x) + " + " + Paren(y));
        return Choose(IsZero(sum), "0", Paren(Paren(x) + " * " + Paren(y)) + " / " + sum);
    }

private:
    SpiceDialect dialect_;
};

} // namespace

std::vector<SpiceConstant> SpiceConstants(const tubemath::TubeParams& tube) {
    return {{"MuExponent", tube.MuExponent},   {"ExponentSlope", tube.ExponentSlope},
            {"GridDecade", tube.GridDecade},   {"KneeFactor", tube.KneeFactor},
            {"MuZero", tube.MuZero},           {"Perveance", tube.Perveance},
            {"LawExponent", tube.LawExponent}, {"LnTen", std::log(10.0)}};
}

std::string ConstantReference(std::string_view name, SpiceDialect dialect) {
    return std::string(name) + (dialect == SpiceDialect::Ngspice ? "()" : "");
}

std::string PlateCurrentFormula(const tubemath::TubeParams& tube, SpiceDialect dialect) {
    const FormulaWriter w(dialect);
    const auto named = [dialect](std::string_view name) {
        return ConstantReference(name, dialect);
    };
    const std::string vg = "V(grid,cathode)";
    const std::string va = "V(plate,cathode)";
    const std::string minusVg = "(-" + vg + ")";
    const std::string muExponent = named("MuExponent");
    const std::string muZero = named("MuZero");
    const std::string slope = named("ExponentSlope");
    const std::string lawExponent = named("LawExponent");
    const std::string perveance = named("Perveance");

    // |Vg|^MuExponent, shared by the used-up test and the amplification factor.
    const std::string gridPower =
        w.SignedPowerTo("abs(" + vg + ")", tube.MuExponent, muExponent, true);
    const std::string usedUp = Paren(gridPower + " >= " + muZero);
    const std::string cutoffDivisor =
        Paren(muZero + " + " + w.SignedPowerTo(vg, tube.MuExponent, muExponent, false));
    const std::string cutoff = Paren(minusVg + " >= " + Paren(va + " / " + cutoffDivisor));
    const std::string pastLimit = Paren(Paren(vg + " / " + slope) + " >= " + lawExponent);

    // 10^(-Vg / GridDecade) as exp(x * ln 10): a positive base, and exp(0 * ln 10) is the 1
    // that a zero exponent gives. ln 10 is the very double the model uses.
    const std::string decadePower =
        "exp(" + Paren(minusVg + " / " + named("GridDecade")) + " * " + named("LnTen") + ")";
    const std::string k = Paren(perveance + " / " + decadePower);
    const std::string muTimesVg = Paren(Paren(muZero + " - " + gridPower) + " * " + vg);
    const std::string argument = Paren(muTimesVg + " + " + va);
    // Past the limit test Vg / ExponentSlope < LawExponent, so n > 0: no test for a zero n.
    const std::string n = Paren(lawExponent + " - " + Paren(vg + " / " + slope));
    const std::string spaceCharge =
        Paren(Paren(w.SignedPower(argument, n, false, false)) + " * " + k);
    const std::string kneeScale =
        Paren(perveance + " * " + named("KneeFactor")); // Perveance * KneeFactor
    const std::string knee =
        Paren(Paren(w.SignedPowerTo(va, tube.LawExponent, lawExponent, false)) + " * " + kneeScale);

    const std::string law = w.Parallel(spaceCharge, knee);
    return w.Choose(usedUp, "0", w.Choose(cutoff, "0", w.Choose(pastLimit, "0", law)));
}

} // namespace valvescope::exports
