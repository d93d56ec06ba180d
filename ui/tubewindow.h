// The Tube window: the tube the plot is drawn for, as editable fields, with its files; and the
// measured curves over the plot, the model's distance from them and the fit to them. Non-modal;
// the main window owns it and holds the tube.
#pragma once

#include "core/fit/fit.h"
#include "core/tube/measuredpoint.h"
#include "core/tube/tube.h"
#include "core/tubeedit/tubefields.h"

#include <QString>
#include <QWidget>

#include <array>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TBackgroundFit;
class TSchematicForm;

class TTubeWindow : public QWidget {
    Q_OBJECT

public:
    explicit TTubeWindow(TSchematicForm& form);
    ~TTubeWindow() override;

    // The main window's tube changed: the fields and the model's distance from the points follow.
    void TubeChanged();

    // What the buttons and the plot's context menu do once a file is chosen. Each throws on
    // failure and then leaves the tube and the measurements as they were.
    void OpenTube(const QString& path);
    void SaveTubeAs(const QString& path) const;
    void UseBuiltin807();
    void OpenMeasurements(const QString& path);
    void CloseMeasurements();
    // Starts the fit; its outcome arrives through the event loop (FinishFit waits for it).
    void FitToMeasurements();
    void FinishFit();
    bool Fitting() const;
    void ShowModelCurves(bool shown);

    // The same, asking for the file first.
    void ChooseAndOpenTube();
    void ChooseAndSaveTubeAs();
    void ChooseAndOpenMeasurements();

    // For the tests.
    QLineEdit* NameField() const { return nameField_; }
    QLineEdit* NumberField(std::size_t k) const { return numberFields_[k]; }
    QString DifferenceText() const;
    QString ReportText() const;
    QString MeasurementsText() const;
    bool ModelCurvesShown() const;
    const valvescope::MeasuredPoints& Measurements() const { return points_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void PlaceBesideMainWindow();
    QWidget* BuildTubeFields();
    QWidget* BuildMeasurementPanel();
    void BindEvents();
    template <typename Handler> void Guarded(Handler&& handler);

    valvescope::TubeFieldTexts FieldTexts() const;
    void MarkFields(const valvescope::TubeFieldReading& reading);
    void ApplyFields();
    void ShowTubeFields(const valvescope::TubeFieldReading* keepBad);
    void ShowMeasurements();
    void PutMarksOnPlot();
    void FitDone(const valvescope::FitResult& result);

    TSchematicForm& form_;
    TBackgroundFit* fit_ = nullptr;
    bool applying_ = false;
    bool placed_ = false;

    QLineEdit* nameField_ = nullptr;
    std::array<QLineEdit*, valvescope::kTubeNumberFieldCount> numberFields_{};
    QLabel* notes_ = nullptr;
    QPushButton* open_ = nullptr;
    QPushButton* saveAs_ = nullptr;
    QPushButton* builtin_ = nullptr;
    QPushButton* exportSpice_ = nullptr;

    QLabel* measurementsLabel_ = nullptr;
    QLabel* differenceLabel_ = nullptr;
    QCheckBox* curvesBox_ = nullptr;
    QPushButton* openMeasurements_ = nullptr;
    QPushButton* closeMeasurements_ = nullptr;
    QPushButton* fitButton_ = nullptr;
    QPlainTextEdit* report_ = nullptr;

    std::string measurementsFile_; // as chosen, for messages and the fitted tube's name
    valvescope::MeasuredPoints points_;
    std::vector<double> gridVoltages_;
};
