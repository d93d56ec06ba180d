// The main window with its plot and readout wired in: what a user sees on the surface and in the
// status line.
#include "core/session/plotjob.h"
#include "tests/support/windowtest.h"
#include "ui/errorbox.h"
#include "ui/formwidgets.h"
#include "ui/paintbox.h"
#include "ui/schematicform.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest>

#include <chrono>
#include <memory>

namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kGridBlue = qRgb(0, 0, 255);
const QRgb kLimitRed = qRgb(255, 0, 0);

// How many pixels of a column (in logical pixels) have the given colour.
int CountInColumn(const QImage& picture, int x, QRgb colour) {
    const QImage plain = picture.convertToFormat(QImage::Format_RGB32);
    const qreal ratio = picture.devicePixelRatio();
    int count = 0;
    for (int y = 0; y < plain.height(); ++y) {
        count += plain.pixel(int(x * ratio), y) == colour;
    }
    return count;
}

int CountColour(const QImage& picture, QRgb colour) {
    const QImage plain = picture.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < plain.height(); ++y) {
        for (int x = 0; x < plain.width(); ++x) {
            count += plain.pixel(x, y) == colour;
        }
    }
    return count;
}

} // namespace

class TestPlotWindow : public WindowTest {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startUpDrawsTheCurveFamily();
    void pictureSurvivesASystemRepaint();
    void overlaysFollowTheirToggles();
    void readoutOfTheWorkedExampleReachesTheStatusLine();
    void wholeReadoutShowsAtTheOpeningSize();
    void faultMidwayKeepsWhatWasDrawnAndShowsTheError();
    void failedCheckLeavesThePlotBlank();
    void longRedrawLeavesTheWindowFreeAndArrivesLater();
    void newSettingStopsTheLongRedrawBeforeIt();
    void errorOfALongRedrawIsShownWhenItArrives();
    void closingDuringALongRedraw();
};

void TestPlotWindow::init() {
    OpenWindow();
}

void TestPlotWindow::cleanup() {
    CloseWindow();
}

void TestPlotWindow::startUpDrawsTheCurveFamily() {
    const QImage& picture = Find<TPaintBox>(*form_, "PaintBox1")->Picture();
    QCOMPARE(picture.size(), QSize(462, 224) * picture.devicePixelRatio());
    // The coarse grid's first line, blue from top to bottom where no curve or label crosses it.
    QVERIFY(CountInColumn(picture, 46, kGridBlue) > 150);
    // Eleven black curves rise from the origin across the plot; no limit overlay is on.
    QVERIFY(CountColour(picture, kBlack) > 2000);
    QCOMPARE(CountColour(picture, kLimitRed), 0);
    QVERIFY(errors_.isEmpty());
}

void TestPlotWindow::pictureSurvivesASystemRepaint() {
    const QImage before =
        Find<TPaintBox>(*form_, "PaintBox1")->Picture().convertToFormat(QImage::Format_RGB32);
    Find<TPaintBox>(*form_, "PaintBox1")->repaint();
    const QImage shown = Find<TPaintBox>(*form_, "PaintBox1")
                             ->grab()
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), before.size());
    QVERIFY(shown == before);
}

void TestPlotWindow::overlaysFollowTheirToggles() {
    QTest::mouseClick(Find<QToolButton>(*form_, "SpdBtnVmax"), Qt::LeftButton);
    QVERIFY(Find<QToolButton>(*form_, "SpdBtnVmax")->isChecked());
    // The 475 V line sits at x = 274, two pixels wide, from y = 2 to y = 222.
    QVERIFY(CountInColumn(Find<TPaintBox>(*form_, "PaintBox1")->Picture(), 274, kLimitRed) > 200);
    QTest::mouseClick(Find<QToolButton>(*form_, "SpdBtnVmax"), Qt::LeftButton);
    QCOMPARE(CountColour(Find<TPaintBox>(*form_, "PaintBox1")->Picture(), kLimitRed), 0);
}

void TestPlotWindow::readoutOfTheWorkedExampleReachesTheStatusLine() {
    QTest::mouseMove(Find<TPaintBox>(*form_, "PaintBox1"), QPoint(144, 168));
    QTRY_COMPARE(form_->StatusText(),
                 QStringLiteral(" Vp=  249. v    Vg= -17.8 v    Ip= 50.0 ma    P= 12.5 w    "
                                "mu=  8.07    gm= 5.09 ma/v    rp= 1.58 k"));
    QVERIFY(Find<TPaintBox>(*form_, "PaintBox1")->toolTip().isEmpty());
}

void TestPlotWindow::wholeReadoutShowsAtTheOpeningSize() {
    // Every value negative, so each takes its widest place: no "…" before rp's value, and the
    // window keeps its opening size.
    const auto* status = Find<TStatusText>(*form_, "StatusBar1Text");
    const QString widest = QStringLiteral(" Vp= -249. v    Vg= -17.8 v    Ip=-50.0 ma    "
                                          "P=-12.5 w    mu= -8.07    gm=-5.09 ma/v    rp=-1.58 k");
    Find<TStatusText>(*form_, "StatusBar1Text")->setText(widest);
    QCOMPARE(status->ShownText(), widest);
    QVERIFY(status->ShownFont().pixelSize() >= kSmallestStatusPixels);
    QCOMPARE(form_->size(), QSize(510, 367));
    // A short text keeps the window's font.
    Find<TStatusText>(*form_, "StatusBar1Text")->setText(QStringLiteral("Plate Current"));
    QCOMPARE(status->ShownFont().pixelSize(), 12);
}

void TestPlotWindow::faultMidwayKeepsWhatWasDrawnAndShowsTheError() {
    // A zero End V written as "00" passes the check; the grid is drawn, then the first curve point
    // (0 V over 0 V per pixel) fails.
    PasteInto(Find<QComboBox>(*form_, "CmbBxEndV"), QStringLiteral("00"));
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, QStringLiteral("Invalid floating point operation."));
    const QImage& picture = Find<TPaintBox>(*form_, "PaintBox1")->Picture();
    QVERIFY(CountInColumn(picture, 46, kGridBlue) > 200);
    QVERIFY(CountColour(picture, kBlack) < 2000);
}

void TestPlotWindow::failedCheckLeavesThePlotBlank() {
    PasteInto(Find<QComboBox>(*form_, "CmbBxRa"), QString());
    const QImage& picture = Find<TPaintBox>(*form_, "PaintBox1")->Picture();
    QCOMPARE(CountColour(picture, kGridBlue), 0);
    QVERIFY(errors_.isEmpty());
}

namespace {

// What the redraw of the window's current texts draws, without the window.
valvescope::DrawOps OpsWithoutWindow(const TSchematicForm& form) {
    auto text = [](const QComboBox* box) { return box->lineEdit()->text().toStdString(); };
    valvescope::PlotJob job;
    job.Texts = {
        text(Find<QComboBox>(form, "CmbBxGridLines")), text(Find<QComboBox>(form, "CmbBxGridV")),
        text(Find<QComboBox>(form, "CmbBxEndI")),      text(Find<QComboBox>(form, "CmbBxEndV")),
        text(Find<QComboBox>(form, "CmbBxRa")),        text(Find<QComboBox>(form, "CmbBxRk")),
        text(Find<QComboBox>(form, "CmbBxBplus"))};
    job.Show = form.OverlaysDown();
    job.Width = Find<TPaintBox>(form, "PaintBox1")->width();
    job.Height = Find<TPaintBox>(form, "PaintBox1")->height();
    return valvescope::DrawPlotWithoutWindow(job).Ops;
}

} // namespace

void TestPlotWindow::longRedrawLeavesTheWindowFreeAndArrivesLater() {
    form_->SetDrawingPatience(std::chrono::milliseconds(0));
    Find<QComboBox>(*form_, "CmbBxGridV")->setEditText(QStringLiteral("0.1"));
    PasteInto(Find<QComboBox>(*form_, "CmbBxGridLines"), QStringLiteral("2147483647"));
    QVERIFY(form_->Drawing());
    QCOMPARE(Find<QStatusBar>(*form_, "StatusBar1")->currentMessage(),
             QStringLiteral("Drawing the curves..."));
    QCOMPARE(form_->LastDrawOps().size(), std::size_t{1}); // the blank, for now
    QTRY_VERIFY_WITH_TIMEOUT(!form_->Drawing(), 60000);
    QVERIFY(Find<QStatusBar>(*form_, "StatusBar1")->currentMessage().isEmpty());
    QVERIFY(form_->LastDrawOps() == OpsWithoutWindow(*form_));
    QVERIFY(CountColour(Find<TPaintBox>(*form_, "PaintBox1")->Picture(), kBlack) > 5000);
    QVERIFY(errors_.isEmpty());
}

void TestPlotWindow::newSettingStopsTheLongRedrawBeforeIt() {
    form_->SetDrawingPatience(std::chrono::milliseconds(0));
    Find<QComboBox>(*form_, "CmbBxGridV")->setEditText(QStringLiteral("0.001"));
    PasteInto(Find<QComboBox>(*form_, "CmbBxGridLines"), QStringLiteral("2147483647"));
    QVERIFY(form_->Drawing());
    PasteInto(Find<QComboBox>(*form_, "CmbBxGridLines"), QStringLiteral("3"));
    form_->FinishDrawing();
    QVERIFY(!form_->Drawing());
    QVERIFY(form_->LastDrawOps() == OpsWithoutWindow(*form_));
    // Nothing of the stopped redraw arrives afterwards.
    QTest::qWait(200);
    QVERIFY(form_->LastDrawOps() == OpsWithoutWindow(*form_));
    QVERIFY(errors_.isEmpty());
}

void TestPlotWindow::errorOfALongRedrawIsShownWhenItArrives() {
    form_->SetDrawingPatience(std::chrono::milliseconds(0));
    PasteInto(Find<QComboBox>(*form_, "CmbBxEndV"), QStringLiteral("00"));
    QTRY_COMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, QStringLiteral("Invalid floating point operation."));
    QVERIFY(!form_->Drawing());
    QVERIFY(CountInColumn(Find<TPaintBox>(*form_, "PaintBox1")->Picture(), 46, kGridBlue) > 200);
}

void TestPlotWindow::closingDuringALongRedraw() {
    form_->SetDrawingPatience(std::chrono::milliseconds(0));
    Find<QComboBox>(*form_, "CmbBxGridV")->setEditText(QStringLiteral("0.001"));
    PasteInto(Find<QComboBox>(*form_, "CmbBxGridLines"), QStringLiteral("2147483647"));
    QVERIFY(form_->Drawing());
    QElapsedTimer timer;
    timer.start();
    form_.reset();
    // Unstopped, this family would take hours; stopped, closing takes a moment even on a
    // loaded machine under the sanitizers.
    QVERIFY(timer.elapsed() < 30000);
    QCoreApplication::processEvents();
    QVERIFY(errors_.isEmpty());
}

QTEST_MAIN(TestPlotWindow)
#include "test_plotwindow.moc"
#include "tests/support/findcontrol.h"
