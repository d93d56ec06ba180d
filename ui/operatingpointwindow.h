// The Operating Point window: the stage on the main window's settings (B+, Ra, Rk) with its
// own inputs (the load kind, Zaa and the peak drive), its quiescent point, small-signal values
// and swing, and a bar chart of the harmonics. A view of the PlotDocument: it follows the
// settings each intake takes; while it is open the plot shows the stage's marks.
#pragma once

#include "core/analysis/stage.h"
#include "core/design/stagerows.h"
#include "core/design/stagetexts.h"
#include "ui/plotdocument.h"

#include <QString>
#include <QWidget>

#include <array>
#include <optional>
#include <vector>

class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class THarmonicBars;

class TOperatingPointWindow : public QWidget {
    Q_OBJECT

public:
    // A window of its own over `owner`, on the document's settings and plot.
    TOperatingPointWindow(valvescope::PlotDocument& document, QWidget* owner);

    const valvescope::StageTexts& Texts() const { return texts_; }
    // The analysis shown; none while a message stands in its place.
    const std::optional<valvescope::StageAnalysis>& Shown() const { return shown_; }
    QString Message() const;

    QComboBox* LoadBox() const { return load_; }
    QLineEdit* ZaaEdit() const { return zaa_; }
    QLineEdit* DriveEdit() const { return drive_; }
    THarmonicBars* Bars() const { return bars_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct ValueRow {
        QLabel* Name = nullptr;
        QLabel* Value = nullptr;
        QLabel* Note = nullptr;
    };
    struct Section {
        QGroupBox* Box = nullptr;
        QGridLayout* Grid = nullptr;
        std::vector<ValueRow> Rows;
    };

    QWidget* BuildInputs();
    void BindInputs();
    void FollowDocument();
    // An intake ended: `problem` is empty when the settings were read, else what stopped it,
    // shown here in place of the values.
    void SettingsTaken(const QString& problem);
    void ShowGivenInputs();
    void InputsChanged();
    void Update();
    void ShowAnalysis(const valvescope::StageAnalysis& analysis);
    void ShowMessage(const QString& message);
    void FillSection(Section& section, const valvescope::StageSection& rows);

    valvescope::PlotDocument& document_;
    valvescope::StageTexts texts_;
    QString intakeProblem_;
    bool open_ = false; // shown and not closed since: the plot carries the marks
    std::optional<valvescope::StageAnalysis> shown_;

    QComboBox* load_ = nullptr;
    QLineEdit* zaa_ = nullptr;
    QLineEdit* drive_ = nullptr;
    QLabel* message_ = nullptr;
    std::array<Section, 3> sections_;
    THarmonicBars* bars_ = nullptr;
};
