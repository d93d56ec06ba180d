// The Tube window: the tube the plot is drawn for, as editable fields, with its files; and the
// measured curves over the plot, the model's distance from them and the fit to them. Non-modal;
// a view of the PlotDocument, which holds the tube and the points.
#pragma once

#include "core/fit/fit.h"
#include "core/tube/measuredpoint.h"
#include "core/tube/tube.h"
#include "core/tubeedit/tubefields.h"
#include "ui/plotdocument.h"

#include <QString>
#include <QWidget>

#include <array>
#include <exception>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class TBackgroundFit;

class TTubeWindow : public QWidget {
    Q_OBJECT

public:
    // A window of its own over `owner`, beside which it opens.
    TTubeWindow(valvescope::PlotDocument& document, QWidget* owner);
    ~TTubeWindow() override;

    // What the buttons and the plot's context menu do once a file is chosen. Each throws on
    // failure and then leaves the tube and the measurements as they were.
    void OpenTube(const QString& path);
    void SaveTubeAs(const QString& path) const;
    void UseBuiltin807();
    void OpenMeasurements(const QString& path);
    void CloseMeasurements();
    // Starts the fit; its progress and outcome arrive through the event loop (FinishFit waits for
    // it). CancelFit stops it and leaves the tube as it was.
    void FitToMeasurements();
    void FinishFit();
    void CancelFit();
    bool Fitting() const;
    // End V, End I and Step V from the measured ranges, into the main window's boxes.
    void FitAxesToMeasurements();
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
    const valvescope::MeasuredPoints& Measurements() const { return document_.Measurements(); }

signals:
    // Export SPICE Model... was pressed: the window that owns the exports asks for the file.
    void ExportSpiceAsked();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void PlaceBesideOwner();
    void FollowDocument();
    void TubeChanged();
    void MeasurementsReplaced();
    QWidget* BuildTubeFields();
    QWidget* BuildMeasurementPanel();
    void BindEvents();
    template <typename Handler> void Guarded(Handler&& handler);

    valvescope::TubeFieldTexts FieldTexts() const;
    void MarkFields(const valvescope::TubeFieldReading& reading);
    void ApplyFields();
    void ShowTubeFields(const valvescope::TubeFieldReading* keepBad);
    void ShowMeasurements();
    void CheckFieldsRead() const;
    QWidget* BuildFitControls();
    void ShowFitRunning(bool running);
    void FitEnded(const std::exception_ptr& error, const valvescope::FitResult& result);
    void FitDone(const valvescope::FitResult& result);
    void MarkReportStale();

    valvescope::PlotDocument& document_;
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
    QPushButton* fitAxes_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancelFit_ = nullptr;
    QPlainTextEdit* report_ = nullptr;
    // The tube the report shown is the fit of; none when it shows no fit or is marked stale.
    std::optional<std::string> reportTube_;
};
