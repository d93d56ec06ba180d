// The document the windows share: what each change announces, how the main window and the Tube
// and Operating Point windows follow it without knowing each other, and design files opened and
// saved through the window.
#include "core/design/designfile.h"
#include "core/tube/tubefile.h"
#include "tests/support/findcontrol.h"
#include "tests/support/windowtest.h"
#include "ui/plotdocument.h"
#include "ui/tubewindow.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestPlotDocument : public WindowTest {
    Q_OBJECT

private slots:
    void init() { OpenWindow(); }
    void cleanup() { CloseWindow(); }

    void eachChangeAnnouncesItself();
    void theIntakeTellsWhatStoppedIt();
    void measurementsFollowedByTheMenuAndTheTubeWindow();
    void aDesignSavedAndOpenedComesBackWhole();
    void aDesignThatDoesNotReadChangesNothing();

private:
    valvescope::PlotDocument& Document() { return form_->Document(); }
    QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
    // Points at grid voltages 0 and -10 V as a CSV file.
    QString WriteCurves() {
        const QString path = Path("curves.csv");
        WriteFile(path, "Va;Vg;Ia (mA)\n100;0;50\n200;0;90\n100;-10;10\n200;-10;30\n");
        return path;
    }

    QTemporaryDir dir_;
};

void TestPlotDocument::eachChangeAnnouncesItself() {
    QSignalSpy tube(&Document(), &valvescope::PlotDocument::TubeChanged);
    QSignalSpy given(&Document(), &valvescope::PlotDocument::SettingsGiven);
    QSignalSpy marks(&Document(), &valvescope::PlotDocument::MarksChanged);
    QSignalSpy stage(&Document(), &valvescope::PlotDocument::StageInputsGiven);
    valvescope::Tube other = valvescope::Builtin807();
    other.Name = "6L6";
    Document().SetTube(other);
    QCOMPARE(tube.count(), 1);
    QCOMPARE(form_->windowTitle(), QStringLiteral(" Valvescope for the 6L6            Kestrelon"));

    valvescope::SettingsTexts texts = valvescope::StartTexts();
    texts.Ra = "5000";
    valvescope::Overlays show;
    show.Rk = true;
    Document().GiveSettings(texts, show);
    QCOMPARE(given.count(), 1);
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxRa")->currentText(), QStringLiteral("5000"));
    QVERIFY(Find<QToolButton>(*form_, "SpdBtnRk")->isChecked());
    QVERIFY(!Find<QToolButton>(*form_, "SpdBtnWp")->isChecked());
    // The window drew them: its intake noted what its boxes say.
    QCOMPARE(Document().Texts().Ra, std::string("5000"));
    QVERIFY(Document().Show().Rk);

    Document().RedrawMarks();
    QCOMPARE(marks.count(), 1);
    Document().GiveStageInputs({valvescope::LoadKind::Transformer, "6000", ""});
    QCOMPARE(stage.count(), 1);
    QCOMPARE(tube.count(), 1);
    QVERIFY(errors_.isEmpty());
}

void TestPlotDocument::theIntakeTellsWhatStoppedIt() {
    QSignalSpy taken(&Document(), &valvescope::PlotDocument::SettingsTaken);
    PasteInto(Find<QComboBox>(*form_, "CmbBxBplus"), QString());
    QCOMPARE(taken.count(), 1);
    QCOMPARE(taken.at(0).at(0).toString(),
             QStringLiteral("B+ is blank or zero: no stage to analyse"));
    QCOMPARE(Document().SettingsProblem(), taken.at(0).at(0).toString());
    PasteInto(Find<QComboBox>(*form_, "CmbBxBplus"), QStringLiteral("4OO"));
    QCOMPARE(taken.count(), 2);
    QCOMPARE(taken.at(1).at(0).toString(),
             QStringLiteral("'4OO' is not a valid floating point value."));
    PasteInto(Find<QComboBox>(*form_, "CmbBxBplus"), QStringLiteral("400"));
    QCOMPARE(taken.count(), 3);
    QVERIFY(Document().SettingsProblem().isEmpty());
}

void TestPlotDocument::measurementsFollowedByTheMenuAndTheTubeWindow() {
    QSignalSpy replaced(&Document(), &valvescope::PlotDocument::MeasurementsReplaced);
    QSignalSpy changed(&Document(), &valvescope::PlotDocument::MeasurementsChanged);
    QAction* close = Find<QAction>(*form_, "ActCloseMeasurements");
    form_->TubeWindow().OpenMeasurements(WriteCurves());
    QCOMPARE(replaced.count(), 1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(Document().Measurements().size(), std::size_t(4));
    QCOMPARE(Document().GridVoltages().size(), std::size_t(2));
    QVERIFY(close->isEnabled());

    // The curves change the plot, not the points: nothing worked out from them is dropped.
    Document().ShowModelCurves(true);
    QCOMPARE(replaced.count(), 1);
    QCOMPARE(changed.count(), 2);
    QVERIFY(form_->TubeWindow().ModelCurvesShown());

    close->trigger();
    QCOMPARE(replaced.count(), 2);
    QVERIFY(Document().Measurements().empty());
    QVERIFY(!Document().ModelCurvesShown());
    QVERIFY(!close->isEnabled());
    QCOMPARE(form_->TubeWindow().MeasurementsText(), QStringLiteral("No measured curves open."));
    QVERIFY(errors_.isEmpty());
}

void TestPlotDocument::aDesignSavedAndOpenedComesBackWhole() {
    const QString curves = WriteCurves();
    form_->TubeWindow().OpenMeasurements(curves);
    Document().ShowModelCurves(true);
    PasteInto(Find<QComboBox>(*form_, "CmbBxEndV"), QStringLiteral("600"));
    Find<QToolButton>(*form_, "SpdBtnLoadLine")->click();
    Document().NoteStageInputs({valvescope::LoadKind::Transformer, "5000", "12"});
    const QString design = Path("stage.json");
    form_->SaveDesign(design);
    const valvescope::Design saved = valvescope::ReadDesignFile(design.toStdString());
    QCOMPARE(saved.Texts.EndV, std::string("600"));
    QVERIFY(saved.Show.LoadLine);
    QCOMPARE(QString::fromStdString(saved.MeasurementFile), curves);
    QVERIFY(saved.FittedCurves);

    // Back to the start-up, then the design again.
    Find<QAction>(*form_, "ActCloseMeasurements")->trigger();
    PasteInto(Find<QComboBox>(*form_, "CmbBxEndV"), QStringLiteral("800"));
    Find<QToolButton>(*form_, "SpdBtnLoadLine")->click();
    form_->OpenDesign(design);
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxEndV")->currentText(), QStringLiteral("600"));
    QVERIFY(Find<QToolButton>(*form_, "SpdBtnLoadLine")->isChecked());
    QCOMPARE(Document().Measurements().size(), std::size_t(4));
    QVERIFY(Document().ModelCurvesShown());
    QCOMPARE(Document().StageInputs().Zaa, std::string("5000"));
    QCOMPARE(Document().StageInputs().Load, valvescope::LoadKind::Transformer);
    QCOMPARE(form_->Settings().EndV, decltype(form_->Settings().EndV)(600));
    QVERIFY(errors_.isEmpty());
}

void TestPlotDocument::aDesignThatDoesNotReadChangesNothing() {
    PasteInto(Find<QComboBox>(*form_, "CmbBxRa"), QStringLiteral("4700"));
    valvescope::Design design;
    design.Texts.Ra = "100";
    design.DesignTube.Name = "6L6";
    const QString path = Path("bad.json");
    QByteArray text = QByteArray::fromStdString(valvescope::DesignJson(design));
    text.replace("\"grid-lines\"", "\"gridlines\"");
    WriteFile(path, text);
    QSignalSpy tube(&Document(), &valvescope::PlotDocument::TubeChanged);
    RunGuarded(form_.get(), [&] { form_->OpenDesign(path); });
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, path + QStringLiteral(": settings.gridlines: unknown key."));
    QCOMPARE(tube.count(), 0);
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxRa")->currentText(), QStringLiteral("4700"));
    QCOMPARE(form_->CurrentTube().Name, std::string("807"));

    // A measurement file that has gone away stops the design before anything changes, too.
    design.MeasurementFile = Path("gone.csv").toStdString();
    WriteFile(path, QByteArray::fromStdString(valvescope::DesignJson(design)));
    RunGuarded(form_.get(), [&] { form_->OpenDesign(path); });
    QCOMPARE(errors_.size(), 2);
    QVERIFY(errors_[1].Text.startsWith(Path("gone.csv")));
    QCOMPARE(tube.count(), 0);
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxRa")->currentText(), QStringLiteral("4700"));
}

QTEST_MAIN(TestPlotDocument)
#include "test_plotdocument.moc"
