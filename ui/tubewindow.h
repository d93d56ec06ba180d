// The Tube window: the tube the plot is drawn for, chosen from the library or a file and shown
// as editable fields of its model, with its screen's wiring; and the measured curves over the
// plot, the model's distance from them, the fit to them and the comparison of the models that
// suit them. Non-modal; a view of the PlotDocument, which holds the tube and the points.
#pragma once

#include "core/fit/fit.h"
#include "core/fit/modelfit.h"
#include "core/tube/measuredpoint.h"
#include "core/tube/tube.h"
#include "core/tubeedit/tubefields.h"
#include "ui/plotdocument.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
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
    // The library's tube of that name ("807" the built-in one) becomes the tube.
    void UseLibraryTube(std::string_view name);
    void OpenMeasurements(const QString& path);
    // Several files at once, fitted together; none changes anything unless all read.
    void OpenMeasurementFiles(const QStringList& paths);
    void CloseMeasurements();
    // Starts the fit; its progress and outcome arrive through the event loop (FinishFit waits for
    // it). CancelFit stops it and leaves the tube as it was.
    void FitToMeasurements();
    void FinishFit();
    void CancelFit();
    bool Fitting() const;
    // Starts fitting every model that suits the points and shows them in a table, best first;
    // it runs as the fit does (FinishFit, CancelFit). UseComparedModel makes a row's model the
    // tube, its screen wired as the fit saw it.
    void CompareModels();
    void UseComparedModel(int row);
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
    std::size_t NumberFieldCount() const { return numberFields_.size(); }
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
    QWidget* BuildTubeButtons();
    void BuildLibraryChoice();
    void BuildScreenFields();
    void ShowNumberFields(tubemath::ModelKind kind);
    void ShowLibraryChoice();
    void ShowScreen();
    void ApplyScreen();
    void ChainTabOrder();
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
    QWidget* BuildComparison();
    void ComparisonEnded(const std::exception_ptr& error,
                         std::vector<valvescope::ModelFitResult> results);
    void ComparisonDone(std::vector<valvescope::ModelFitResult> results);

    valvescope::PlotDocument& document_;
    TBackgroundFit* fit_ = nullptr;
    bool applying_ = false;
    bool placed_ = false;

    QComboBox* library_ = nullptr;
    QFormLayout* fieldsForm_ = nullptr;
    QLineEdit* nameField_ = nullptr;
    QLabel* modelLabel_ = nullptr;
    std::vector<QLineEdit*> numberFields_;
    std::optional<tubemath::ModelKind> shownKind_; // the model the number fields are of
    QLineEdit* screenVolts_ = nullptr;
    QCheckBox* triodeConnected_ = nullptr;
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
    QPushButton* compareButton_ = nullptr;
    QWidget* comparisonPanel_ = nullptr;
    QTableWidget* comparison_ = nullptr;
    QPushButton* useCompared_ = nullptr;
    std::vector<valvescope::ModelFitResult> compared_;
    std::vector<valvescope::MeasuredFile> comparedFiles_; // the files compared_ was fitted to
    QProgressBar* progress_ = nullptr;
    QPushButton* cancelFit_ = nullptr;
    QPlainTextEdit* report_ = nullptr;
    // The tube the report shown is the fit of; none when it shows no fit or is marked stale.
    std::optional<std::string> reportTube_;
};
