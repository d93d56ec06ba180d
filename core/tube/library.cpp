#include "core/tube/library.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace valvescope {

namespace {

using tubemath::ModelKind;

// Koren's constants as published in N. L. Koren, "Improved vacuum-tube models for SPICE
// simulations", Glass Audio 8(5), 1996, Table 1 (as corrected in his errata). His laws carry
// the plate current as (E1^ex + sgn(E1) E1^ex) / kg1, and these constants are for that form.
LibraryTube Triode(std::string_view name, tubemath::ModelConstants<double> constants,
                   TubeRatings ratings, std::string_view notes) {
    return {name, {ModelKind::KorenTriode, {}, constants}, ratings, 0, 0, notes};
}

LibraryTube Pentode(std::string_view name, tubemath::ModelConstants<double> constants,
                    TubeRatings ratings, double psmax, double screen, std::string_view notes) {
    ratings.Psmax = psmax;
    return {name, {ModelKind::KorenPentode, {}, constants}, ratings, psmax, screen, notes};
}

// Constants in the order mu, ex, kg1, kg2, kp, kvb; ratings Imax (the cathode current rating),
// Vmax, Pmax from the data sheet named in each note.
const std::array<LibraryTube, 9>& Library() {
    static const std::array<LibraryTube, 9> library = {
        Triode("12AX7", {100, 1.4, 1060, 0, 600, 300}, {0.008, 330, 1.2, {}},
               "Koren's constants (Glass Audio 8(5), 1996, Table 1). Ratings per section: plate "
               "voltage and dissipation from the RCA 12AX7A data sheet (design maximum), cathode "
               "current from the Philips ECC83 data sheet."),
        Triode("12AU7", {21.5, 1.3, 1180, 0, 84, 300}, {0.020, 330, 2.75, {}},
               "Koren's constants (Glass Audio 8(5), 1996, Table 1). Ratings per section: plate "
               "voltage and dissipation from the RCA 12AU7A data sheet (design maximum), cathode "
               "current from the Philips ECC82 data sheet."),
        Triode("12AT7", {60, 1.35, 460, 0, 300, 300}, {0.015, 300, 2.5, {}},
               "Koren's constants (Glass Audio 8(5), 1996, Table 1). Ratings per section from the "
               "Philips ECC81 data sheet."),
        Triode("6DJ8", {28, 1.3, 330, 0, 320, 300}, {0.025, 130, 1.5, {}},
               "Koren's constants (Glass Audio 8(5), 1996, Table 1). Ratings per section from the "
               "Philips ECC88 data sheet."),
        Triode("300B", {3.95, 1.4, 1550, 0, 65, 300}, {0.100, 450, 40, {}},
               "Koren's constants (Glass Audio 8(5), 1996, Table 1). Ratings from the Western "
               "Electric 300B data sheet."),
        Pentode("6L6GC", {8.7, 1.35, 1460, 4500, 48, 12}, {0.200, 500, 30, {}}, 5, 250,
                "Koren's constants (Glass Audio 8(5), 1996, Table 1). Plate and screen ratings "
                "from the RCA 6L6GC data sheet (design maximum). It rates no cathode current: Imax "
                "is an estimate for the limit line, not a rating."),
        Pentode("EL34", {11, 1.35, 650, 4200, 60, 24}, {0.150, 800, 25, {}}, 8, 250,
                "Koren's constants (Glass Audio 8(5), 1996, Table 1). Ratings from the Philips "
                "EL34 data sheet (cathode current for Imax)."),
        Pentode("KT88", {8.8, 1.35, 730, 4200, 32, 16}, {0.230, 800, 42, {}}, 8, 300,
                "Koren's constants (Glass Audio 8(5), 1996, Table 1). Ratings from the GEC KT88 "
                "data sheet (cathode current for Imax)."),
        Pentode("6550", {7.9, 1.35, 890, 4200, 60, 24}, {0.190, 600, 35, {}}, 6, 250,
                "Koren's constants (Glass Audio 8(5), 1996, Table 1). Ratings from the Tung-Sol "
                "6550 data sheet (cathode current for Imax)."),
    };
    return library;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) ==
               std::toupper(static_cast<unsigned char>(y));
    });
}

} // namespace

std::span<const LibraryTube> TubeLibrary() {
    return Library();
}

const LibraryTube* FindLibraryTube(std::string_view name) {
    for (const LibraryTube& tube : Library()) {
        if (SameNameIgnoringCase(tube.Name, name))
            return &tube;
    }
    return nullptr;
}

Tube TubeOf(const LibraryTube& entry) {
    Tube tube;
    tube.Name = std::string(entry.Name);
    tube.Model = entry.Model;
    tube.Ratings = entry.Ratings;
    tube.Screen = entry.Screen;
    tube.Notes = std::string(entry.Notes);
    return tube;
}

} // namespace valvescope
