// The currents of Koren's and Reefman's models (model/modellaws.h) written out as expressions.
//
// Each operation is bracketed and taken in the law's own order on the same operands, so that a
// simulator with correctly rounded arithmetic and the same exp, ln, sqrt, atan and pow computes
// the very doubles the program does. A branch the law does not take is still evaluated by some
// simulators (LTspice's if() evaluates both sides, and every simulator differentiates both), so
// the operands that only a taken branch needs valid are replaced by a harmless 1 in the others:
// no expression divides by zero, takes a root or logarithm of a negative number or a power of
// one, whatever the voltages.
#include "core/export/spicetext.h"

#include <stdexcept>
#include <string>

namespace valvescope::exports {

namespace {

using tubemath::ModelKind;

std::string Paren(const std::string& text) {
    return "(" + text + ")";
}

class ModelWriter {
public:
    ModelWriter(ModelKind kind, SpiceDialect dialect) : kind_(kind), dialect_(dialect) {}

    std::string Currents(bool screen) const {
        switch (kind_) {
        case ModelKind::KorenTriode:
            return screen ? std::string() : KorenTriodePlate();
        case ModelKind::KorenPentode:
            return screen ? KorenPentodeScreen() : KorenPentodePlate();
        case ModelKind::Derk:
        case ModelKind::DerkE:
            return screen ? ReefmanScreen() : ReefmanPlate();
        case ModelKind::Seed:
            break;
        }
        throw std::invalid_argument("The seed model has its own formula");
    }

private:
    std::string C(std::string_view name) const { return ConstantReference(name, dialect_); }

    // `then` where `condition` holds (is 1), `otherwise` where it does not (is 0).
    std::string Choose(const std::string& condition, const std::string& then,
                       const std::string& otherwise) const {
        if (dialect_ == SpiceDialect::LTspice)
            return "if(" + condition + ", " + then + ", " + otherwise + ")";
        return Paren(condition + " ? " + then + " : " + otherwise);
    }
    static std::string Above0(const std::string& x) { return Paren(x + " > 0"); }
    // x where it is above 0, else 1: the operand of a branch taken only for x > 0.
    std::string PositiveOr1(const std::string& x) const { return Choose(Above0(x), x, "1"); }

    // ln(1 + exp(x)) as max(x, 0) + ln(1 + exp(-|x|)): for x < 0 that is 0 + ln(1 + exp(x)),
    // the same double as the law's branch for negative x.
    std::string Softplus(const std::string& x) const {
        const std::string tail = "ln(1 + exp(-abs(" + x + ")))";
        return Paren(Choose(Paren(x + " >= 0"), x, "0") + " + " + tail);
    }

    // Koren's E1: (v / kp) ln(1 + exp(kp (1/mu + vg / divisor))).
    std::string Drive(const std::string& v, const std::string& divisor) const {
        const std::string x =
            Paren(C("kp") + " * " +
                  Paren(Paren("1 / " + C("mu")) + " + " + Paren(kVg + " / " + divisor)));
        return Paren(Paren(v + " / " + C("kp")) + " * " + Softplus(x));
    }

    std::string Power(const std::string& base, const std::string& exponent) const {
        return "pow(" + PositiveOr1(base) + ", " + exponent + ")";
    }

    std::string KorenTriodePlate() const {
        const std::string e1 =
            Drive(kVa, "sqrt(" + Paren(C("kvb") + " + " + Paren(kVa + " * " + kVa)) + ")");
        const std::string power = Power(e1, C("ex"));
        const std::string law = Paren(Paren(power + " + " + power) + " / " + C("kg1"));
        return Choose(Above0(kVa), Choose(Above0(e1), law, "0"), "0");
    }

    // E1 of Koren's pentode, its screen voltage 1 where there is none.
    std::string KorenPentodeE1() const {
        const std::string vs = PositiveOr1(kVs);
        return Drive(vs, vs);
    }

    std::string KorenPentodePlate() const {
        const std::string e1 = KorenPentodeE1();
        const std::string power = Power(e1, C("ex"));
        const std::string law = Paren(Paren(Paren(power + " + " + power) + " / " + C("kg1")) +
                                      " * " + "atan(" + Paren(kVa + " / " + C("kvb")) + ")");
        return Choose(Above0(kVs), Choose(Above0(kVa), Choose(Above0(e1), law, "0"), "0"), "0");
    }

    std::string KorenPentodeScreen() const {
        const std::string drive = Paren(kVg + " + " + Paren(kVs + " / " + C("mu")));
        const std::string law = Paren(Power(drive, C("ex")) + " / " + C("kg2"));
        return Choose(Above0(kVs), Choose(Above0(drive), law, "0"), "0");
    }

    std::string ReefmanE1() const {
        const std::string vs = PositiveOr1(kVs);
        return Drive(vs, "sqrt(" + Paren(C("kvb") + " + " + Paren(vs + " * " + vs)) + ")");
    }

    // f(Va): 1 / (1 + beta Va) for derk, exp(-(beta Va)^1.5) for derke, Va 1 where it is not
    // above 0 (the law takes f only there).
    std::string Knee() const {
        const std::string betaVa = Paren(C("beta") + " * " + PositiveOr1(kVa));
        if (kind_ == ModelKind::DerkE)
            return "exp(-" + Paren("pow(" + betaVa + ", " + ExactNumber(1.5) + ")") + ")";
        return Paren("1 / " + Paren("1 + " + betaVa));
    }

    // Ipk's share in one of Reefman's currents, 0 without a screen voltage or E1.
    std::string Reefman(const std::string& above, const std::string& atZero) const {
        const std::string e1 = ReefmanE1();
        return Choose(Above0(kVs), Choose(Above0(e1), Choose(Above0(kVa), above, atZero), "0"),
                      "0");
    }
    std::string Ipk() const { return Power(ReefmanE1(), C("ex")); }

    std::string ReefmanPlate() const {
        const std::string alpha =
            Paren("1 - " +
                  Paren(Paren(C("kg1") + " * " + Paren("1 + " + C("alphaS"))) + " / " + C("kg2")));
        const std::string level =
            Paren(Paren(Paren("1 / " + C("kg1")) + " - " + Paren("1 / " + C("kg2"))) + " + " +
                  Paren(Paren(C("a") + " * " + kVa) + " / " + C("kg1")));
        const std::string knee = Paren(
            Paren(Paren(alpha + " / " + C("kg1")) + " + " + Paren(C("alphaS") + " / " + C("kg2"))) +
            " * " + Knee());
        return Reefman(Paren(Ipk() + " * " + Paren(level + " - " + knee)), "0");
    }

    // At Va <= 0 the whole cathode current goes to the screen: Ipk / kg2 (1 + alphaS).
    std::string ReefmanScreen() const {
        const std::string share = Paren(Ipk() + " / " + C("kg2"));
        const std::string above =
            Paren(share + " * " + Paren("1 + " + Paren(C("alphaS") + " * " + Knee())));
        return Reefman(above, Paren(share + " * " + Paren("1 + " + C("alphaS"))));
    }

    static inline const std::string kVg = "V(grid,cathode)";
    static inline const std::string kVa = "V(plate,cathode)";
    static inline const std::string kVs = "V(screen,cathode)";
    ModelKind kind_;
    SpiceDialect dialect_;
};

} // namespace

std::vector<SpiceConstant> ModelSpiceConstants(const tubemath::TubeModel& model) {
    std::vector<SpiceConstant> constants;
    for (const tubemath::ModelConstant c : tubemath::ConstantsOf(model.Kind))
        constants.push_back({std::string(tubemath::ConstantName(c)), model.Constants[c]});
    return constants;
}

std::string ModelPlateFormula(const tubemath::TubeModel& model, SpiceDialect dialect) {
    return ModelWriter(model.Kind, dialect).Currents(false);
}

std::string ModelScreenFormula(const tubemath::TubeModel& model, SpiceDialect dialect) {
    return ModelWriter(model.Kind, dialect).Currents(true);
}

} // namespace valvescope::exports
