#include "cli/exportoptions.h"

#include <QCommandLineParser>

namespace valvescope {

void AddExportOptions(QCommandLineParser& parser) {
    parser.addOption({QStringLiteral("bare"),
                      QStringLiteral("With --export: the plot surface alone, without the axis "
                                     "labels and the caption around it.")});
    parser.addOption({QStringLiteral("export-spice"),
                      QStringLiteral("Write the tube as a SPICE subcircuit (pins plate, grid, "
                                     "cathode) into <file>, and a deck that sweeps the plotted "
                                     "curves."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("spice-dialect"),
                      QStringLiteral("The SPICE file's dialect: ngspice (the default) or ltspice."),
                      QStringLiteral("name")});
    parser.addOption({QStringLiteral("spice-deck"),
                      QStringLiteral("Where the deck goes (default: <file> with .deck before its "
                                     "extension)."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("export-csv"),
                      QStringLiteral("Write the plotted curves into the CSV <file>, the bias and "
                                     "load lines as --show has them."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("print-pdf"),
                      QStringLiteral("Render the printed page (A4) into the PDF <file>."),
                      QStringLiteral("file")});
}

namespace {

bool ReadSpiceOptions(const QCommandLineParser& parser, CommandLine& line) {
    for (const char* name : {"spice-dialect", "spice-deck"}) {
        const QString option = QString::fromLatin1(name);
        if (!parser.isSet(option)) {
            continue;
        }
        if (line.Mode != RunMode::ExportSpice) {
            line.Problem = QStringLiteral("--%1 goes with --export-spice.").arg(option);
            return false;
        }
        if (parser.values(option).size() > 1) {
            line.Problem = QStringLiteral("--%1 is given more than once.").arg(option);
            return false;
        }
    }
    if (parser.isSet(QStringLiteral("spice-dialect"))) {
        const QString dialect = parser.value(QStringLiteral("spice-dialect"));
        if (dialect.compare(QStringLiteral("ngspice"), Qt::CaseInsensitive) == 0) {
            line.Dialect = exports::SpiceDialect::Ngspice;
        } else if (dialect.compare(QStringLiteral("ltspice"), Qt::CaseInsensitive) == 0) {
            line.Dialect = exports::SpiceDialect::LTspice;
        } else {
            line.Problem =
                QStringLiteral("--spice-dialect takes ngspice or ltspice, not '%1'.").arg(dialect);
            return false;
        }
    }
    if (parser.isSet(QStringLiteral("spice-deck"))) {
        line.DeckFile = parser.value(QStringLiteral("spice-deck"));
        if (line.DeckFile.isEmpty()) {
            line.Problem = QStringLiteral("--spice-deck needs a file name.");
            return false;
        }
        // The deck includes the subcircuit by its file name; the standard output has none.
        if (parser.value(QStringLiteral("export-spice")) == QStringLiteral("-")) {
            line.Problem = QStringLiteral("--spice-deck needs --export-spice to name a file.");
            return false;
        }
    }
    return true;
}

} // namespace

bool ReadExportOptions(const QCommandLineParser& parser, CommandLine& line) {
    if (parser.isSet(QStringLiteral("bare"))) {
        if (line.Mode != RunMode::Export) {
            line.Problem = QStringLiteral("--bare goes with --export.");
            return false;
        }
        line.Bare = true;
    }
    return ReadSpiceOptions(parser, line);
}

} // namespace valvescope
