// The main window's exports from the plot's context menu: the picture with its margins, the
// curve data, the SPICE model and the printed page.
#include "core/design/pushpullplots.h"
#include "core/export/curvecsv.h"
#include "core/export/spice.h"
#include "core/page/settingstext.h"
#include "ui/errorbox.h"
#include "ui/framedpicture.h"
#include "ui/paintbox.h"
#include "ui/qtext.h"
#include "ui/schematicform.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>

#include <stdexcept>
#include <string>

namespace {

constexpr int kNoticeMilliseconds = 5000;

// The program's version for the SPICE file's header.
std::string ProgramVersion() {
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? std::string(VALVESCOPE_UI_VERSION) : version.toStdString();
}

// A file name made of the tube's name: what a file system takes in a name.
QString TubeFileName(const std::string& name) {
    QString text = QString::fromStdString(name).trimmed();
    for (QChar& c : text) {
        if (c == u'/' || c == u'\\' || c == u':' || c.isSpace()) {
            c = u'-';
        }
    }
    return text.isEmpty() ? QStringLiteral("tube") : text;
}

} // namespace

valvescope::page::FramedPicture TSchematicForm::FramedLayout() const {
    std::vector<std::string> items;
    if (takenTexts_) {
        items = valvescope::page::CaptionItems(session_.CurrentTube().Name, session_.Wired(),
                                               *takenTexts_);
    }
    return valvescope::FrameSurface({shownCaptions_, items}, controls_.PaintBox1->size());
}

QImage TSchematicForm::FramedPicture() const {
    return valvescope::FramedImage(FramedLayout(), lastOps_);
}

// The curve data, the model's deck and the page all describe the curves drawn; with a setting
// blank, zero or unreadable there are none.
static void RequireCurves(bool drawn) {
    if (!drawn) {
        throw std::runtime_error("No curves are drawn: every setting needs a value first");
    }
}

void TSchematicForm::SaveDataAs() {
    RequireCurves(takenTexts_.has_value());
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Data As"),
                                                      QStringLiteral("valvescope-curves.csv"),
                                                      QStringLiteral("CSV file (*.csv)"));
    if (!path.isEmpty()) {
        SaveData(path);
    }
}

QString TSchematicForm::SaveData(QString path) const {
    RequireCurves(takenTexts_.has_value());
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".csv");
    }
    valvescope::exports::ExportCurveCsv(LocalFileName(path), session_.Wired(), session_.Settings(),
                                        OverlaysDown());
    return path;
}

void TSchematicForm::ExportSpiceModel() {
    RequireCurves(takenTexts_.has_value());
    const QString ngspice = QStringLiteral("ngspice subcircuit (*.lib *.cir *.sub *.inc)");
    const QString ltspice = QStringLiteral("LTspice subcircuit (*.lib *.sub)");
    QString filter;
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export SPICE Model"),
                                                TubeFileName(session_.CurrentTube().Name) +
                                                    QStringLiteral(".lib"),
                                                ngspice + QStringLiteral(";;") + ltspice, &filter);
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".lib");
    }
    const auto dialect = filter == ltspice ? valvescope::exports::SpiceDialect::LTspice
                                           : valvescope::exports::SpiceDialect::Ngspice;
    ExportSpiceTo(path, dialect);
    controls_.StatusBar1->showMessage(
        QStringLiteral("Wrote %1 and its test deck %2")
            .arg(path,
                 QString::fromStdString(valvescope::exports::DeckPathFor(path.toStdString()))),
        kNoticeMilliseconds);
}

void TSchematicForm::ExportSpiceTo(const QString& path,
                                   valvescope::exports::SpiceDialect dialect) const {
    RequireCurves(takenTexts_.has_value());
    valvescope::exports::ExportSpice(LocalFileName(path), session_.CurrentTube(), dialect,
                                     ProgramVersion(), session_.Settings(), session_.Screen());
}

void TSchematicForm::SetPrintSummarySource(std::function<std::optional<QString>()> source) {
    printSummary_ = std::move(source);
}

valvescope::PrintedPlot TSchematicForm::PrintedPlotNow() const {
    RequireCurves(takenTexts_.has_value());
    valvescope::PrintedPlot plot;
    plot.Surface = lastOps_;
    plot.SurfaceSize = controls_.PaintBox1->size();
    plot.Captions = shownCaptions_;
    plot.TubeName = session_.CurrentTube().Name;
    plot.Texts = *takenTexts_;
    if (printSummary_) {
        if (const std::optional<QString> summary = printSummary_()) {
            plot.Summary = summary->toStdString();
        }
    }
    // A push-pull pair's summary comes with its two small plots.
    const std::optional<valvescope::PushPullAnalysis>& pair = document_.ShownPushPull();
    if (plot.Summary && pair) {
        plot.Figures.push_back([analysis = *pair](std::int32_t width, std::int32_t height) {
            return valvescope::PowerAgainstDrivePlot(analysis, width, height);
        });
        plot.Figures.push_back([analysis = *pair](std::int32_t width, std::int32_t height) {
            return valvescope::ThdAgainstPowerPlot(analysis, width, height);
        });
    }
    return plot;
}

void TSchematicForm::PrintOn(QPrinter& printer) const {
    const valvescope::PrintedPlot plot = PrintedPlotNow();
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer)) {
        throw std::runtime_error("The printer could not be started");
    }
    valvescope::PaintPrintedPage(painter, printer, plot);
    if (!painter.end()) {
        throw std::runtime_error("The page could not be printed");
    }
}

void TSchematicForm::SavePrintedPage(const QString& path) const {
    valvescope::WritePrintedPagePdf(path, PrintedPlotNow());
}

void TSchematicForm::Print() {
    RequireCurves(takenTexts_.has_value());
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted) {
        PrintOn(printer);
    }
}

void TSchematicForm::PrintPreview() {
    RequireCurves(takenTexts_.has_value());
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* target) { RunGuarded(this, [this, target] { PrintOn(*target); }); });
    preview.exec();
}
