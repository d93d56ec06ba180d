// The plot's context menu exports: the curve data, the SPICE model and the printed page, with
// the operating point's summary taken from the hook the Operating Point window sets.
#include "tests/support/windowtest.h"
#include "ui/paintbox.h"
#include "ui/schematicform.h"

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <stdexcept>

namespace {

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What a poppler tool prints for the arguments.
QString Poppler(const char* tool, const QStringList& arguments) {
    const QString bin = QFileInfo(QStringLiteral(VALVESCOPE_PDFTOTEXT)).path();
    QProcess process;
    process.start(bin + u'/' + QString::fromLatin1(tool), arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The page's text as pdftotext lays it out.
QString PageText(const QString& pdf) {
    return Poppler("pdftotext", {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

bool PopplerFound() {
    return QFileInfo::exists(QStringLiteral(VALVESCOPE_PDFTOTEXT));
}

} // namespace

class TestExportMenu : public WindowTest {
    Q_OBJECT

private slots:
    void init() { OpenWindow(); }
    void cleanup() { CloseWindow(); }

    void saveDataWritesTheCurvesAsTheTogglesShowThem();
    void exportSpiceWritesTheSessionsTubeAndItsDeck();
    void exportsRefuseWhileNothingIsDrawn();
    void thePageCarriesTheSummaryWhileTheHookGivesOne();
    void theOperatingPointWindowsSummaryIsPrintedWhileItIsOpen();
    void aPushPullPairIsPrintedWithItsSmallPlots();
    void aPrinterGetsThePageOnItsOwnPaper();

private:
    QTemporaryDir dir_;
};

void TestExportMenu::saveDataWritesTheCurvesAsTheTogglesShowThem() {
    Find<QToolButton>(*form_, "SpdBtnRk")->click();
    const QString path = form_->SaveData(dir_.filePath(QStringLiteral("curves")));
    QCOMPARE(path, dir_.filePath(QStringLiteral("curves.csv")));
    const QByteArray csv = Contents(path);
    QVERIFY(csv.startsWith("Series,Vg (V),Va (V),Ip (mA)\r\ncurve,0,0,0\r\n"));
    QVERIFY(csv.contains("\r\ncurve,-20,300,72.092564330786644\r\n"));
    QVERIFY(csv.contains("\r\nbias,"));
    QVERIFY(!csv.contains("\r\nload,"));
    QCOMPARE(csv.count("\r\ncurve,"), 11 * 801);
    QVERIFY(errors_.isEmpty());
}

void TestExportMenu::exportSpiceWritesTheSessionsTubeAndItsDeck() {
    const QString path = dir_.filePath(QStringLiteral("807.lib"));
    form_->ExportSpiceTo(path, valvescope::exports::SpiceDialect::LTspice);
    const QByteArray library = Contents(path);
    QVERIFY(library.startsWith("* Tube 807 as the subcircuit T807 for LTspice."));
    QVERIFY(library.contains(".subckt T807 plate grid cathode"));
    const QByteArray deck = Contents(dir_.filePath(QStringLiteral("807.deck.lib")));
    QVERIFY(deck.contains(".include \"807.lib\""));
    QVERIFY(deck.contains(".dc Vplate 0 800 1"));
    QVERIFY(deck.contains("X11 plate grid11 0 T807")); // Vg 0 to -100 V: eleven curves
    QVERIFY(!deck.contains("X12 "));
}

void TestExportMenu::exportsRefuseWhileNothingIsDrawn() {
    PasteInto(Find<QComboBox>(*form_, "CmbBxRa"), QString());
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             form_->SaveData(dir_.filePath(QStringLiteral("none.csv"))));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             form_->SavePrintedPage(dir_.filePath(QStringLiteral("none.pdf"))));
    Find<QAction>(*form_, "ActSaveData")->trigger();
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text,
             QStringLiteral("No curves are drawn: every setting needs a value first."));
    QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("none.csv"))));
    QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("none.pdf"))));
    // With every box filled again the curves are there to save.
    PasteInto(Find<QComboBox>(*form_, "CmbBxRa"), QStringLiteral("3000"));
    form_->SaveData(dir_.filePath(QStringLiteral("again.csv")));
}

void TestExportMenu::thePageCarriesTheSummaryWhileTheHookGivesOne() {
    if (!PopplerFound()) {
        QSKIP("pdftotext not found: install poppler-utils");
    }
    bool windowOpen = true;
    form_->SetPrintSummarySource([&windowOpen]() -> std::optional<QString> {
        if (!windowOpen) {
            return std::nullopt;
        }
        return QStringLiteral("Quiescent point: Va = 300 V, Ia = 50 mA\nLoad: 3000 \u03A9");
    });
    const QString open = dir_.filePath(QStringLiteral("open.pdf"));
    form_->SavePrintedPage(open);
    const QString text = PageText(open);
    QVERIFY2(text.contains(QStringLiteral("Operating point")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Quiescent point: Va = 300 V, Ia = 50 mA")));
    QVERIFY(text.contains(QStringLiteral("Load: 3000 \u03A9")));
    QVERIFY(text.contains(QStringLiteral("Plate characteristics of the 807")));

    windowOpen = false;
    const QString closed = dir_.filePath(QStringLiteral("closed.pdf"));
    form_->SavePrintedPage(closed);
    QVERIFY(!PageText(closed).contains(QStringLiteral("Operating point")));
}

void TestExportMenu::theOperatingPointWindowsSummaryIsPrintedWhileItIsOpen() {
    if (!PopplerFound()) {
        QSKIP("pdftotext not found: install poppler-utils");
    }
    Find<QAction>(*form_, "ActOperatingPoint")->trigger();
    form_->FinishDrawing();
    const QString open = dir_.filePath(QStringLiteral("stage.pdf"));
    form_->SavePrintedPage(open);
    const QString text = PageText(open);
    // The default stage's quiescent current and THD, as the window shows them.
    QVERIFY2(text.contains(QStringLiteral("Ip 37.8 mA (31.5 % of rating)")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("THD 10.2 %")));

    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top != form_.get() && top->isVisible()) {
            top->close();
        }
    }
    const QString closed = dir_.filePath(QStringLiteral("nostage.pdf"));
    form_->SavePrintedPage(closed);
    QVERIFY(!PageText(closed).contains(QStringLiteral("THD")));
}

void TestExportMenu::aPushPullPairIsPrintedWithItsSmallPlots() {
    if (!PopplerFound()) {
        QSKIP("pdftotext not found: install poppler-utils");
    }
    Find<QAction>(*form_, "ActOperatingPoint")->trigger();
    Find<QComboBox>(*form_, "CmbBxStage")->setCurrentIndex(1);
    form_->FinishDrawing();
    const QString pdf = dir_.filePath(QStringLiteral("pair.pdf"));
    form_->SavePrintedPage(pdf);
    const QString text = PageText(pdf);
    QVERIFY2(text.contains(QStringLiteral("807 push-pull pair")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("output 9.63 W")));
    // The two small plots under the summary, with their axes' titles.
    QVERIFY(text.contains(QStringLiteral("Drive (V peak)")));
    QVERIFY(text.contains(QStringLiteral("THD (%)")));
}

void TestExportMenu::aPrinterGetsThePageOnItsOwnPaper() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString path = dir_.filePath(QStringLiteral("letter.pdf"));
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    form_->PrintOn(printer);
    QVERIFY(Contents(path).startsWith("%PDF"));
    if (!PopplerFound()) {
        QSKIP("pdfinfo not found: install poppler-utils");
    }
    QVERIFY(Poppler("pdfinfo", {path}).contains(QStringLiteral("612 x 792 pts (letter)")));
    QVERIFY(PageText(path).contains(QStringLiteral("Settings")));
}

QTEST_MAIN(TestExportMenu)
#include "test_exportmenu.moc"
#include "tests/support/findcontrol.h"
