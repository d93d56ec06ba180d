// The Tube window for every model: the library, the fields of the tube's model, the screen's
// voltage and wiring, several measurement files at once, and the comparison of models.
#include "core/tube/library.h"
#include "tests/support/windowtest.h"
#include "ui/tubewindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {

using tubemath::ModelKind;

// Koren's triode at grid voltages 0 to -8 V, plate 20 to 300 V, as a CSV file.
void WriteTriodeCurves(const QString& path, const tubemath::TubeModel& tube) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Vg,Va,Ia (mA)\n");
    for (double vg = 0; vg >= -8; vg -= 2) {
        for (double va = 20; va <= 300; va += 20) {
            const double ia = tubemath::CurrentsAt(tube, vg, va, 0).Plate * 1000;
            file.write(QByteArray::number(vg) + ',' + QByteArray::number(va) + ',' +
                       QByteArray::number(ia, 'g', 17) + '\n');
        }
    }
}

// A uTracer file of a pentode at one screen voltage, screen current measured.
void WritePentodeCurves(const QString& path, const tubemath::TubeModel& tube, double screen) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Point Curve Ia (mA) Is (mA) Vg (V) Va (V) Vs (V) Vf (V)\n");
    int point = 0;
    for (int curve = 1; curve <= 3; ++curve) {
        for (double va = 25; va <= 300; va += 25) {
            const double vg = -4.0 * curve;
            const tubemath::Currents i = tubemath::CurrentsAt(tube, vg, va, screen);
            file.write(QByteArray::number(++point) + ' ' + QByteArray::number(curve) + ' ' +
                       QByteArray::number(i.Plate * 1000, 'g', 17) + ' ' +
                       QByteArray::number(i.Screen * 1000, 'g', 17) + ' ' + QByteArray::number(vg) +
                       ' ' + QByteArray::number(va) + ' ' + QByteArray::number(screen) + " 6.3\n");
        }
    }
}

} // namespace

class TestTubeWindowModels : public WindowTest {
    Q_OBJECT

private slots:
    void init() {
        OpenWindow();
        Find<QAction>(*form_, "ActTube")->trigger();
    }
    void cleanup() { CloseWindow(); }

    void choosingEl34FromTheLibraryShowsTheKorenPentodesFields();
    void screenVAndTriodeConnectedWireTheDocumentsScreen();
    void aComparisonRanksTheModelsAndARowBecomesTheTube();
    void aComparisonCanBeCancelled();
    void severalMeasurementFilesOpenTogether();
    void theSeedFitOfAScreenGridTubeIsASeedTube();

private:
    TTubeWindow& Window() { return form_->TubeWindow(); }
    valvescope::PlotDocument& Document() { return form_->Document(); }
    QLineEdit* Field(const char* name) { return Find<QLineEdit>(Window(), name); }
    void Edit(QLineEdit* field, const QString& text) {
        field->setText(text);
        emit field->textEdited(text);
        emit field->editingFinished();
    }
    QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
    void WaitForTheFit() {
        while (Window().Fitting()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }

    QTemporaryDir dir_;
};

// Typed into the library's list, as a person picks from it with the keyboard.
void TestTubeWindowModels::choosingEl34FromTheLibraryShowsTheKorenPentodesFields() {
    auto* library = Find<QComboBox>(Window(), "TubeLibrary");
    QCOMPARE(library->currentText(), QStringLiteral("807"));
    QCOMPARE(library->count(), 10);
    QCOMPARE(Field("MuZero")->text(), QStringLiteral("8.7"));
    QVERIFY(!Field("ScreenV")->isEnabled());
    QVERIFY(!Find<QCheckBox>(Window(), "TriodeConnected")->isEnabled());

    // Alt+Y reaches the list, as its label says.
    const QList<QLabel*> labels = Window().findChildren<QLabel*>();
    QVERIFY(std::any_of(labels.begin(), labels.end(), [library](const QLabel* label) {
        return label->text() == QStringLiteral("Librar&y") && label->buddy() == library;
    }));
    library->setFocus();
    QTest::keyClicks(library, QStringLiteral("EL"));
    QCOMPARE(form_->CurrentTube().Name, std::string("EL34"));
    QCOMPARE(form_->CurrentTube().Model.Kind, ModelKind::KorenPentode);
    QCOMPARE(form_->windowTitle(), QStringLiteral(" Valvescope for the EL34            Kestrelon"));
    QCOMPARE(Find<QLabel>(Window(), "TubeModel")->text(), QStringLiteral("koren-pentode"));
    QCOMPARE(Window().NumberFieldCount(), std::size_t(10));
    const char* names[] = {"mu", "ex", "kg1", "kg2", "kp", "kvb", "Imax", "Vmax", "Pmax", "Psmax"};
    const char* texts[] = {"11", "1.35", "650", "4200", "60", "24", "150", "800", "25", "8"};
    for (std::size_t k = 0; k < std::size(names); ++k) {
        QCOMPARE(Window().NumberField(k), Field(names[k]));
        QCOMPARE(Field(names[k])->text(), QString::fromUtf8(texts[k]));
    }
    QVERIFY(!Window().findChild<QLineEdit*>(QStringLiteral("MuZero")));
    QVERIFY(Find<QLabel>(Window(), "TubeNotes")->text().startsWith(QStringLiteral("Koren's")));
    QCOMPARE(Field("ScreenV")->text(), QStringLiteral("250"));
    QVERIFY(Field("ScreenV")->isEnabled());

    // An edited constant is the document's, and the tube is no longer the library's.
    Edit(Field("kg1"), QStringLiteral("700"));
    QCOMPARE(form_->CurrentTube().Model.Constants.Kg1, 700.0);
    QCOMPARE(library->currentIndex(), -1);
    Edit(Field("kp"), QStringLiteral("-3"));
    QVERIFY(!Field("kp")->styleSheet().isEmpty());
    QCOMPARE(form_->CurrentTube().Model.Constants.Kp, 60.0);
    RunGuarded(&Window(), [this] { Window().SaveTubeAs(Path("red.json")); });
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, QStringLiteral("kp does not read: must be a number above zero."));
    QVERIFY(!QFile::exists(Path("red.json")));

    QTest::keyClick(library, Qt::Key_Home);
    QCOMPARE(form_->CurrentTube().Name, std::string("807"));
    QCOMPARE(Field("MuZero")->text(), QStringLiteral("8.7"));
    QVERIFY(!Window().findChild<QLineEdit*>(QStringLiteral("kg2")));
    QVERIFY(!Field("ScreenV")->isEnabled());
}

void TestTubeWindowModels::screenVAndTriodeConnectedWireTheDocumentsScreen() {
    auto* triode = Find<QCheckBox>(Window(), "TriodeConnected");
    Window().UseLibraryTube("EL34");
    QCOMPARE(Document().Screen(), (tubemath::ScreenWiring{250, false}));
    QSignalSpy changes(&Document(), &valvescope::PlotDocument::ScreenChanged);
    Edit(Field("ScreenV"), QStringLiteral("300"));
    QCOMPARE(Document().Screen(), (tubemath::ScreenWiring{300, false}));
    QCOMPARE(form_->Document().Session().Wired().Screen.Volts, 300.0);
    QCOMPARE(changes.size(), 1);
    form_->FinishDrawing();

    Edit(Field("ScreenV"), QStringLiteral("3OO"));
    QVERIFY(!Field("ScreenV")->styleSheet().isEmpty());
    QVERIFY(Field("ScreenV")->toolTip().contains(QStringLiteral("is not a number")));
    QCOMPARE(Document().Screen().Volts, 300.0);
    Edit(Field("ScreenV"), QStringLiteral("275,5"));
    QCOMPARE(Document().Screen().Volts, 275.5);
    QVERIFY(Field("ScreenV")->styleSheet().isEmpty());

    triode->click();
    QCOMPARE(Document().Screen(), (tubemath::ScreenWiring{275.5, true}));
    QVERIFY(!Field("ScreenV")->isEnabled());
    // Editing a constant keeps the wiring; another tube starts at its own screen voltage.
    Edit(Field("kg2"), QStringLiteral("4000"));
    QCOMPARE(Document().Screen(), (tubemath::ScreenWiring{275.5, true}));
    QVERIFY(triode->isChecked());
    Window().UseLibraryTube("KT88");
    QCOMPARE(Document().Screen(), (tubemath::ScreenWiring{300, false}));
    QCOMPARE(Field("ScreenV")->text(), QStringLiteral("300"));
    QVERIFY(!triode->isChecked());
    QVERIFY(errors_.isEmpty());
}

// Triode data suit Koren's triode; its row comes first and, chosen, is the tube with the
// constants the points were drawn from.
void TestTubeWindowModels::aComparisonRanksTheModelsAndARowBecomesTheTube() {
    const tubemath::TubeModel drawn{ModelKind::KorenTriode, {}, {21.5, 1.3, 1180, 0, 84, 300}};
    WriteTriodeCurves(Path("triode.csv"), drawn);
    auto* compare = Find<QPushButton>(Window(), "CompareModels");
    auto* table = Find<QTableWidget>(Window(), "ModelComparison");
    QVERIFY(!compare->isEnabled());
    QVERIFY(!table->isVisible());
    Window().OpenMeasurements(Path("triode.csv"));
    QVERIFY(compare->isEnabled());
    compare->click();
    QVERIFY(!Find<QProgressBar>(Window(), "FitProgress")->isHidden());
    QVERIFY(!compare->isEnabled());
    QVERIFY(!Find<QPushButton>(Window(), "FitToMeasurements")->isEnabled());
    WaitForTheFit();
    QVERIFY(errors_.isEmpty());
    QVERIFY(table->isVisible());
    QVERIFY(table->rowCount() >= 1);
    QCOMPARE(table->columnCount(), 6);
    QCOMPARE(table->horizontalHeaderItem(4)->text(), QStringLiteral("BIC"));
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("koren-triode"));
    // The constants' lines break after a comma, never between a number and its prefix.
    const QString constants = table->item(0, 1)->toolTip();
    QVERIFY2(constants.startsWith(QStringLiteral("mu 21.5, ex 1.30, kg1 1.18 k")),
             qPrintable(constants));
    QVERIFY(table->item(0, 1)->text().startsWith(
        QStringLiteral("mu\u00a021.5, ex\u00a01.30, kg1\u00a01.18\u00a0k, ")));
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("0.000 mA"));
    QCOMPARE(table->item(0, 3)->text(), QStringLiteral("-"));
    QVERIFY(table->item(0, 5)->text().endsWith(QStringLiteral("s")));
    QVERIFY(Window().ReportText().startsWith(QStringLiteral("Compared ")));
    QCOMPARE(form_->CurrentTube().Name, std::string("807")); // nothing chosen yet

    table->setCurrentCell(0, 0);
    Find<QPushButton>(Window(), "UseComparedModel")->click();
    const valvescope::Tube& tube = form_->CurrentTube();
    QCOMPARE(tube.Name, std::string("triode (koren-triode)"));
    QCOMPARE(tube.Model.Kind, ModelKind::KorenTriode);
    QVERIFY(std::fabs(tube.Model.Constants.Mu - 21.5) < 1e-3);
    QVERIFY(std::fabs(tube.Model.Constants.Kg1 - 1180) < 0.1);
    QVERIFY(std::fabs(tube.Model.Constants.Kp - 84) < 1e-2);
    QCOMPARE(Field("mu")->text(), QStringLiteral("21.5"));
    QVERIFY(Window().ModelCurvesShown());
    QVERIFY2(Window().DifferenceText().contains(QStringLiteral("RMS 0.000 mA")),
             qPrintable(Window().DifferenceText()));
    // Another tube: the report says whose it was; the table stays to choose from.
    Window().UseBuiltin807();
    QVERIFY(Window().ReportText().startsWith(QStringLiteral("This report belongs to the tube "
                                                            "before, triode (koren-triode).")));
    emit table->activated(table->model()->index(0, 0));
    QCOMPARE(form_->CurrentTube().Model.Kind, ModelKind::KorenTriode);
    Window().CloseMeasurements();
    QVERIFY(!table->isVisible());
    QVERIFY(errors_.isEmpty());
}

void TestTubeWindowModels::aComparisonCanBeCancelled() {
    WriteTriodeCurves(Path("triode.csv"),
                      {ModelKind::KorenTriode, {}, {100, 1.4, 1060, 0, 600, 300}});
    Window().OpenMeasurements(Path("triode.csv"));
    Window().CompareModels();
    Window().CancelFit();
    WaitForTheFit();
    QVERIFY(errors_.isEmpty());
    QCOMPARE(Window().ReportText(), QStringLiteral("The comparison was cancelled."));
    QVERIFY(!Find<QTableWidget>(Window(), "ModelComparison")->isVisible());
    QCOMPARE(form_->CurrentTube().Name, std::string("807"));
    QVERIFY(Find<QPushButton>(Window(), "CompareModels")->isEnabled());
}

// Files at two screen voltages open as one set, each point with its own screen voltage; one
// that does not read opens none. A design names one file, so it is not saved leaving one out.
void TestTubeWindowModels::severalMeasurementFilesOpenTogether() {
    const tubemath::TubeModel pentode{
        ModelKind::KorenPentode, {}, {9, 1.35, 800, 4000, 50, 18, 0, 0, 0}};
    WritePentodeCurves(Path("p200.utd"), pentode, 200);
    WritePentodeCurves(Path("p280.utd"), pentode, 280);
    Window().OpenMeasurementFiles({Path("p200.utd"), Path("p280.utd")});
    QCOMPARE(Window().MeasurementsText(),
             QStringLiteral("p200.utd, p280.utd: 72 points at 3 grid voltages"));
    const std::vector<valvescope::MeasuredFile> files = Document().MeasurementFiles();
    QCOMPARE(files.size(), std::size_t(2));
    QCOMPARE(files[1].Points.size(), std::size_t(36));
    QCOMPARE(files[1].Points.front().Vs, 280.0);
    QCOMPARE(files[0].Points.back().Vs, 200.0);
    // The pentode the points came from lies on them at each file's own screen voltage.
    valvescope::Tube tube = valvescope::TubeOf(*valvescope::FindLibraryTube("EL34"));
    tube.Model = pentode;
    Document().SetTube(tube);
    QVERIFY2(Window().DifferenceText().contains(QStringLiteral("RMS 0.000 mA")),
             qPrintable(Window().DifferenceText()));

    RunGuarded(form_.get(), [this] { form_->SaveDesign(Path("design.json")); });
    QCOMPARE(errors_.size(), 1);
    QVERIFY2(errors_[0].Text.startsWith(QStringLiteral("A design names one measurement file")),
             qPrintable(errors_[0].Text));
    QVERIFY(!QFile::exists(Path("design.json")));

    QFile bad(Path("bad.csv"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("Vg,Va,Ia\n-1,abc,3\n");
    bad.close();
    RunGuarded(&Window(), [this] {
        Window().OpenMeasurementFiles({Path("p200.utd"), Path("bad.csv")});
    });
    QCOMPARE(errors_.size(), 2);
    QCOMPARE(Document().MeasurementFileCount(), std::size_t(2));
    QCOMPARE(Document().Measurements().size(), std::size_t(72));
    Window().OpenMeasurementFiles({Path("p280.utd")});
    QCOMPARE(Window().MeasurementsText(), QStringLiteral("p280.utd: 36 points at 3 grid voltages"));
    form_->SaveDesign(Path("design.json"));
    QVERIFY(QFile::exists(Path("design.json")));
}

// The seed's fit makes a seed tube, whatever the model of the tube before.
void TestTubeWindowModels::theSeedFitOfAScreenGridTubeIsASeedTube() {
    WriteTriodeCurves(Path("triode.csv"),
                      {ModelKind::KorenTriode, {}, {21.5, 1.3, 1180, 0, 84, 300}});
    Window().UseLibraryTube("6L6GC");
    Window().OpenMeasurements(Path("triode.csv"));
    Window().FitToMeasurements();
    Window().FinishFit();
    QVERIFY(errors_.isEmpty());
    QCOMPARE(form_->CurrentTube().Name, std::string("triode (fitted)"));
    QCOMPARE(form_->CurrentTube().Model.Kind, ModelKind::Seed);
    QCOMPARE(form_->CurrentTube().Ratings.Psmax, std::nullopt);
    QCOMPARE(form_->CurrentTube().Ratings.Pmax, 30.0); // the 6L6GC's, the user's ratings
    QCOMPARE(Find<QLabel>(Window(), "TubeModel")->text(), QStringLiteral("seed"));
    QVERIFY(!Field("MuZero")->text().isEmpty());
}

QTEST_MAIN(TestTubeWindowModels)
#include "test_tubewindowmodels.moc"
