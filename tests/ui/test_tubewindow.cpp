// The Tube window: the fields, tube files, measured points over the plot and the fit (its
// progress, Cancel and report), the axes fitted to the points, and the main window following the
// tube (caption, plot, readout).
#include "core/tube/tubefile.h"
#include "core/tubeedit/measuremarks.h"
#include "tests/support/windowtest.h"
#include "ui/paintbox.h"
#include "ui/tubewindow.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr std::size_t kMuZero = 4, kPmax = 9;

// Points of the model's curves at grid voltages 0, -10 and -20 V as a CSV file.
void WriteModelCurves(const QString& path, const tubemath::TubeParams& tube) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Va;Vg;Ia (mA)\n");
    for (double Vg : {0.0, -10.0, -20.0}) {
        for (double Va = 25; Va <= 500; Va += 25) {
            const double Ia = tubemath::PlateCurrent(tube, Vg, Va) * 1000;
            file.write(QByteArray::number(Va) + ';' + QByteArray::number(Vg) + ';' +
                       QByteArray::number(Ia, 'g', 17) + '\n');
        }
    }
}

std::vector<valvescope::DrawOp> DotsOf(const valvescope::DrawOps& ops) {
    std::vector<valvescope::DrawOp> dots;
    std::copy_if(
        ops.begin(), ops.end(), std::back_inserter(dots),
        [](const valvescope::DrawOp& op) { return op.kind == valvescope::DrawOpKind::Dot; });
    return dots;
}

} // namespace

class TestTubeWindow : public WindowTest {
    Q_OBJECT

private slots:
    void init() { OpenWindow(); }
    void cleanup() { CloseWindow(); }

    void ctrlTOpensTheWindowBesideThePlot();
    void fieldsThatDoNotReadAreMarkedAndNotApplied();
    void aNewTubeRenamesTheWindowAndRedrawsThePlotAndReadout();
    void tubeFilesOpenAndSave();
    void measuredPointsAreDotsInTheirGridVoltagesColours();
    void aMeasurementFileThatDoesNotReadChangesNothing();
    void theFitBecomesTheTubeWithItsCurvesOverTheDots();
    void exportSpiceModelWritesTheWindowsTube();
    void aRunningFitShowsItsProgressAndStopsOnCancel();
    void aReportOfTheTubeBeforeIsMarkedStale();
    void saveAsRefusesWhileAFieldIsRed();
    void fitAxesPutsTheMeasuredRangesIntoTheBoxes();

private:
    TTubeWindow& Window() { return form_->TubeWindow(); }
    void Edit(QLineEdit* field, const QString& text) {
        field->setText(text);
        emit field->textEdited(text);
        emit field->editingFinished();
    }
    QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
    // Handles events until the running fit has delivered its outcome.
    void WaitForTheFit() {
        while (Window().Fitting()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }

    QTemporaryDir dir_;
};

void TestTubeWindow::ctrlTOpensTheWindowBesideThePlot() {
    QAction* action = Find<QAction>(*form_, "ActTube");
    QCOMPARE(action->text(), QStringLiteral("Tube..."));
    QCOMPARE(action->shortcut(), QKeySequence(QStringLiteral("Ctrl+T")));
    QVERIFY(Find<TPaintBox>(*form_, "PaintBox1")
                ->actions()
                .contains(Find<QAction>(*form_, "ActOpenMeasurements")));
    QVERIFY(!Find<QAction>(*form_, "ActCloseMeasurements")->isEnabled());
    QApplication::setActiveWindow(form_.get());
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    QTest::keyClick(form_.get(), Qt::Key_T, Qt::ControlModifier);
    QTRY_VERIFY(Window().isVisible());
    QVERIFY(!Window().isModal());
    QCOMPARE(Window().NameField()->text(), QStringLiteral("807"));
    QCOMPARE(Window().NumberField(kMuZero)->text(), QStringLiteral("8.7"));
    QCOMPARE(Window().NumberField(7)->text(), QStringLiteral("120")); // Imax in mA
    QCOMPARE(Window().MeasurementsText(), QStringLiteral("No measured curves open."));
}

void TestTubeWindow::fieldsThatDoNotReadAreMarkedAndNotApplied() {
    Edit(Window().NumberField(kMuZero), QStringLiteral("8,7x"));
    QVERIFY(!Window().NumberField(kMuZero)->styleSheet().isEmpty());
    QVERIFY(Window().NumberField(kMuZero)->toolTip().contains(QStringLiteral("is not a number")));
    QCOMPARE(form_->CurrentTube().Model.Seed.MuZero, 8.7);
    Edit(Window().NumberField(kPmax), QStringLiteral("12"));
    QCOMPARE(form_->CurrentTube().Ratings.Pmax, 12.0);
    QCOMPARE(Window().NumberField(kMuZero)->text(), QStringLiteral("8,7x")); // still there to fix
    Edit(Window().NumberField(kMuZero), QStringLiteral("9,5"));
    QCOMPARE(form_->CurrentTube().Model.Seed.MuZero, 9.5);
    QVERIFY(Window().NumberField(kMuZero)->styleSheet().isEmpty());
    QCOMPARE(Window().NumberField(kMuZero)->text(), QStringLiteral("9.5"));
    QVERIFY(errors_.isEmpty());
}

void TestTubeWindow::aNewTubeRenamesTheWindowAndRedrawsThePlotAndReadout() {
    Find<QToolButton>(*form_, "SpdBtnWp")->click();
    form_->FinishDrawing();
    const valvescope::DrawOps with807 = form_->LastDrawOps();
    QTest::mouseMove(Find<TPaintBox>(*form_, "PaintBox1"), QPoint(144, 168));
    QTRY_VERIFY(!form_->ReadoutText().isEmpty());
    const QString readout807 = form_->ReadoutText();

    Edit(Window().NameField(), QStringLiteral("6L6"));
    QCOMPARE(form_->windowTitle(), QStringLiteral(" Valvescope for the 6L6            Kestrelon"));
    Edit(Window().NumberField(kMuZero), QStringLiteral("12"));
    form_->FinishDrawing();
    QVERIFY(form_->LastDrawOps() != with807);
    QVERIFY(form_->ReadoutText() != readout807);

    Window().UseBuiltin807();
    form_->FinishDrawing();
    QCOMPARE(form_->windowTitle(), QStringLiteral(" Valvescope for the 807            Kestrelon"));
    QCOMPARE(form_->LastDrawOps(), with807);
    QCOMPARE(form_->ReadoutText(), readout807);
    QCOMPARE(Window().NameField()->text(), QStringLiteral("807"));
}

void TestTubeWindow::tubeFilesOpenAndSave() {
    valvescope::Tube tube = valvescope::Builtin807();
    tube.Name = "EL34";
    tube.Model.Seed.Perveance = 1.1e-3;
    tube.Ratings.Imax = 0.15;
    valvescope::SaveTubeFile(Path("el34.json").toStdString(), tube);
    Window().OpenTube(Path("el34.json"));
    QCOMPARE(form_->CurrentTube().Name, std::string("EL34"));
    QCOMPARE(Window().NumberField(7)->text(), QStringLiteral("150"));
    Window().SaveTubeAs(Path("copy.json"));
    QCOMPARE(valvescope::ReadTubeFile(Path("copy.json").toStdString()).Model.Seed.Perveance,
             1.1e-3);

    QFile bad(Path("bad.json"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("{\"format\": 1, \"name\": \"x\"}");
    bad.close();
    Find<QAction>(*form_, "ActTube")->trigger();
    QTest::mouseClick(Window().findChild<QPushButton*>(QStringLiteral("Builtin807")),
                      Qt::LeftButton);
    QCOMPARE(form_->CurrentTube().Name, std::string("807"));
    RunGuarded(&Window(), [this] { Window().OpenTube(Path("bad.json")); });
    QCOMPARE(errors_.size(), 1);
    QVERIFY(errors_[0].Text.startsWith(Path("bad.json") + QStringLiteral(": ")));
    QCOMPARE(form_->CurrentTube().Name, std::string("807"));
}

void TestTubeWindow::measuredPointsAreDotsInTheirGridVoltagesColours() {
    WriteModelCurves(Path("curves.csv"), tubemath::TubeParams{});
    Window().OpenMeasurements(Path("curves.csv"));
    form_->FinishDrawing();
    QCOMPARE(Window().MeasurementsText(),
             QStringLiteral("curves.csv: 60 points at 3 grid voltages"));
    QVERIFY2(Window().DifferenceText().contains(QStringLiteral("RMS 0.000 mA")),
             qPrintable(Window().DifferenceText()));
    QVERIFY(Find<QAction>(*form_, "ActCloseMeasurements")->isEnabled());
    const std::vector<valvescope::DrawOp> dots = DotsOf(form_->LastDrawOps());
    QVERIFY(dots.size() >= 40);                                      // some lie past End I
    QCOMPARE(dots.front().colour, valvescope::MeasurementColour(0)); // Vg 0 comes first in file
    QCOMPARE(dots.back().colour, valvescope::MeasurementColour(2));

    Find<QAction>(*form_, "ActCloseMeasurements")->trigger();
    form_->FinishDrawing();
    QVERIFY(DotsOf(form_->LastDrawOps()).empty());
    QVERIFY(!Find<QAction>(*form_, "ActCloseMeasurements")->isEnabled());
    QVERIFY(errors_.isEmpty());
}

void TestTubeWindow::aMeasurementFileThatDoesNotReadChangesNothing() {
    WriteModelCurves(Path("curves.csv"), tubemath::TubeParams{});
    Window().OpenMeasurements(Path("curves.csv"));
    form_->FinishDrawing();
    const valvescope::DrawOps before = form_->LastDrawOps();
    QFile bad(Path("bad.csv"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("Vg,Va,Ia\n-1,100,2\n-1,abc,3\n");
    bad.close();
    RunGuarded(&Window(), [this] { Window().OpenMeasurements(Path("bad.csv")); });
    QCOMPARE(errors_.size(), 1);
    QVERIFY2(errors_[0].Text.startsWith(Path("bad.csv") + QStringLiteral(":3: ")),
             qPrintable(errors_[0].Text));
    QCOMPARE(Window().Measurements().size(), std::size_t(60));
    form_->FinishDrawing();
    QCOMPARE(form_->LastDrawOps(), before);
}

void TestTubeWindow::theFitBecomesTheTubeWithItsCurvesOverTheDots() {
    tubemath::TubeParams measured;
    measured.MuZero = 12;
    measured.Perveance = 4e-5;
    WriteModelCurves(Path("sample.csv"), measured);
    Edit(Window().NumberField(kPmax), QStringLiteral("30"));
    Window().OpenMeasurements(Path("sample.csv"));
    QVERIFY(!Window().ModelCurvesShown());
    Window().FitToMeasurements();
    Window().FinishFit();
    form_->FinishDrawing();
    QVERIFY(errors_.isEmpty());
    QCOMPARE(form_->CurrentTube().Name, std::string("sample (fitted)"));
    QCOMPARE(form_->windowTitle(),
             QStringLiteral(" Valvescope for the sample (fitted)            Kestrelon"));
    QCOMPARE(form_->CurrentTube().Ratings.Pmax, 30.0);
    QVERIFY(std::fabs(form_->CurrentTube().Model.Seed.MuZero - 12) < 0.01);
    QVERIFY(Window().ReportText().startsWith(QStringLiteral("Fitted to 60 points.\nRMS 0.000 mA")));
    QVERIFY(Window().ReportText().contains(QStringLiteral("MuZero ")));
    QVERIFY(Window().DifferenceText().contains(QStringLiteral("RMS 0.000 mA")));
    QVERIFY(Window().ModelCurvesShown());
    // The curves at the measured grid voltages in their dots' colours, over the dots.
    const valvescope::DrawOps& ops = form_->LastDrawOps();
    const auto firstDot = std::find_if(ops.begin(), ops.end(), [](const valvescope::DrawOp& op) {
        return op.kind == valvescope::DrawOpKind::Dot;
    });
    const auto curvePen = std::find_if(firstDot, ops.end(), [](const valvescope::DrawOp& op) {
        return op.kind == valvescope::DrawOpKind::PenColour &&
               op.colour == valvescope::MeasurementColour(2);
    });
    QVERIFY(firstDot != ops.end());
    QVERIFY(curvePen != ops.end());
    QCOMPARE(std::count_if(curvePen, ops.end(),
                           [](const valvescope::DrawOp& op) {
                               return op.kind == valvescope::DrawOpKind::Dot;
                           }),
             0);
}

// The share done arrives through the event loop while the fit runs; the window keeps taking
// input; Cancel leaves the tube as it was and says so in the report, with no error box.
void TestTubeWindow::aRunningFitShowsItsProgressAndStopsOnCancel() {
    WriteModelCurves(Path("sample.csv"), tubemath::TubeParams{});
    Window().OpenMeasurements(Path("sample.csv"));
    auto* progress = Find<QProgressBar>(Window(), "FitProgress");
    auto* cancel = Find<QPushButton>(Window(), "CancelFit");
    auto* fit = Find<QPushButton>(Window(), "FitToMeasurements");
    QVERIFY(progress->isHidden());
    QVERIFY(cancel->isHidden());
    QSignalSpy shares(progress, &QProgressBar::valueChanged);
    fit->click();
    QVERIFY(!progress->isHidden());
    QVERIFY(!cancel->isHidden());
    QVERIFY(!fit->isEnabled());
    Edit(Window().NumberField(kPmax), QStringLiteral("30")); // taken while the fit runs
    QCOMPARE(form_->CurrentTube().Ratings.Pmax, 30.0);
    WaitForTheFit();
    QVERIFY(std::any_of(shares.begin(), shares.end(),
                        [](const QList<QVariant>& share) { return share[0].toInt() > 0; }));
    QVERIFY(progress->isHidden());
    QCOMPARE(form_->CurrentTube().Name, std::string("sample (fitted)"));

    Window().UseBuiltin807();
    fit->click();
    cancel->click();
    WaitForTheFit();
    QVERIFY(errors_.isEmpty());
    QCOMPARE(Window().ReportText(), QStringLiteral("The fit was cancelled."));
    QCOMPARE(form_->CurrentTube().Name, std::string("807"));
    QCOMPARE(form_->CurrentTube().Model.Seed.MuZero, 8.7);
    QVERIFY(progress->isHidden());
    QVERIFY(cancel->isHidden());
    QVERIFY(fit->isEnabled());
}

// Another tube marks the report as the one before's, once; an edit of a field does not.
void TestTubeWindow::aReportOfTheTubeBeforeIsMarkedStale() {
    WriteModelCurves(Path("sample.csv"), tubemath::TubeParams{});
    Window().OpenMeasurements(Path("sample.csv"));
    Window().FitToMeasurements();
    Window().FinishFit();
    Edit(Window().NumberField(kPmax), QStringLiteral("30"));
    QVERIFY(Window().ReportText().startsWith(QStringLiteral("Fitted to 60 points.\n")));
    Window().UseBuiltin807();
    QVERIFY2(Window().ReportText().startsWith(
                 QStringLiteral("This report belongs to the tube before, sample (fitted).\n"
                                "Fitted to 60 points.\n")),
             qPrintable(Window().ReportText()));
    valvescope::Tube el34 = valvescope::Builtin807();
    el34.Name = "EL34";
    valvescope::SaveTubeFile(Path("el34.json").toStdString(), el34);
    Window().OpenTube(Path("el34.json"));
    QCOMPARE(Window().ReportText().count(QStringLiteral("This report belongs")), 1);
    QVERIFY(errors_.isEmpty());
}

// A red field would be saved with the tube's old value: the box names it and nothing is written.
void TestTubeWindow::saveAsRefusesWhileAFieldIsRed() {
    Edit(Window().NumberField(kMuZero), QStringLiteral("-1"));
    QCOMPARE(form_->CurrentTube().Model.Seed.MuZero, 8.7);
    RunGuarded(&Window(), [this] { Window().SaveTubeAs(Path("red.json")); });
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, QStringLiteral("MuZero does not read: must be a number above zero."));
    QVERIFY(!QFile::exists(Path("red.json")));
    Edit(Window().NumberField(kMuZero), QStringLiteral("9.5"));
    Window().SaveTubeAs(Path("fixed.json"));
    QCOMPARE(valvescope::ReadTubeFile(Path("fixed.json").toStdString()).Model.Seed.MuZero, 9.5);
}

// End V and End I rounded up to two digits from the largest Va and Ia, Step V the grid spacing.
void TestTubeWindow::fitAxesPutsTheMeasuredRangesIntoTheBoxes() {
    auto* fitAxes = Find<QPushButton>(Window(), "FitAxes");
    QVERIFY(!fitAxes->isEnabled());
    QFile file(Path("small.csv"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Vg,Va,Ia\n0,100,2\n0,200,6.1\n0,290,11.3\n-2,100,0.5\n-2,200,3\n-2,290,7\n"
               "-4,150,0.4\n-4,250,2\n-4,290,3.5\n");
    file.close();
    Window().OpenMeasurements(Path("small.csv"));
    QVERIFY(fitAxes->isEnabled());
    fitAxes->click();
    QVERIFY(errors_.isEmpty());
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxEndV")->currentText(), QStringLiteral("290"));
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxEndI")->currentText(), QStringLiteral("12"));
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxGridV")->currentText(), QStringLiteral("2"));
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxBplus")->currentText(), QStringLiteral("400"));
    Window().CloseMeasurements();
    QVERIFY(!fitAxes->isEnabled());
}

QTEST_MAIN(TestTubeWindow)
// The window's Export SPICE Model... writes the tube it shows: a person picks the file name.
void TestTubeWindow::exportSpiceModelWritesTheWindowsTube() {
    Find<QAction>(*form_, "ActTube")->trigger();
    Edit(Window().findChild<QLineEdit*>(QStringLiteral("TubeName")), QStringLiteral("EL34 T"));
    const QString path = Path("el34.lib");
    QTimer person;
    person.setInterval(20);
    connect(&person, &QTimer::timeout, [&path] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        }
    });
    person.start();
    Window().findChild<QPushButton*>(QStringLiteral("ExportSpiceModel"))->click();
    person.stop();
    QFile subcircuit(path);
    QVERIFY(subcircuit.open(QIODevice::ReadOnly));
    const QByteArray text = subcircuit.readAll();
    QVERIFY2(text.contains(".subckt EL34_T plate grid cathode"), text.left(400).constData());
    QVERIFY(QFile::exists(Path("el34.deck.lib")));
    QVERIFY(errors_.isEmpty());
}

#include "test_tubewindow.moc"
#include "tests/support/findcontrol.h"
