// The Operating Point window: the stage on the main window's settings (B+, Ra, Rk) with its
// own inputs. A single-ended stage (the load kind, Zaa and the peak drive): its quiescent point,
// small-signal values and swing. A push-pull pair (Raa, bias, drive, screen feed, a second
// tube): both tubes at rest, the swing, each tube over the cycle, and two small plots of power
// against drive and THD against power. Either way a bar chart of the harmonics. A view of the
// PlotDocument: it follows the settings each intake takes; while it is open the plot shows the
// stage's marks (for a pair, its composite characteristics and working path).
#pragma once

#include "core/analysis/pushpull.h"
#include "core/analysis/stage.h"
#include "core/design/stagerows.h"
#include "core/design/stagetexts.h"
#include "ui/plotdocument.h"

#include <QString>
#include <QWidget>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class THarmonicBars;
class TPushPullInputs;
class TSmallPlotView;

class TOperatingPointWindow : public QWidget {
    Q_OBJECT

public:
    // A window of its own over `owner`, on the document's settings and plot.
    TOperatingPointWindow(valvescope::PlotDocument& document, QWidget* owner);

    const valvescope::StageTexts& Texts() const { return texts_; }
    // The analysis shown; none while a message stands in its place.
    const std::optional<valvescope::StageAnalysis>& Shown() const { return shown_; }
    // The push-pull analysis shown; none for a single-ended stage or a message.
    const std::optional<valvescope::PushPullAnalysis>& ShownPushPull() const {
        return shownPushPull_;
    }
    QString Message() const;

    QComboBox* StageBox() const { return stage_; }
    TPushPullInputs* PushPullFields() const { return pushPull_; }
    TSmallPlotView* PowerPlot() const { return powerPlot_; }
    TSmallPlotView* ThdPlot() const { return thdPlot_; }
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
    QWidget* BuildSingleEndedInputs();
    QWidget* BuildPlots();
    void BindInputs();
    void ShowStageKind();
    void FollowDocument();
    // An intake ended: `problem` is empty when the settings were read, else what stopped it,
    // shown here in place of the values.
    void SettingsTaken(const QString& problem);
    void ShowGivenInputs();
    void InputsChanged();
    void Update();
    void ShowAnalysis(const valvescope::StageAnalysis& analysis);
    // The pair on the session's tube and the second tube (operatingpointpushpull.cpp).
    void UpdatePushPull();
    const valvescope::Tube& SecondTube(const valvescope::Tube& first);
    void ShowPushPull(const valvescope::PushPullAnalysis& analysis);
    void ShowSections(const std::array<valvescope::StageSection, 3>& rows);
    void ShowMessage(const QString& message);
    void FillSection(Section& section, const valvescope::StageSection& rows);

    valvescope::PlotDocument& document_;
    valvescope::StageTexts texts_;
    QString intakeProblem_;
    bool open_ = false; // shown and not closed since: the plot carries the marks
    std::optional<valvescope::StageAnalysis> shown_;
    std::optional<valvescope::PushPullAnalysis> shownPushPull_;
    // The second tube as last read for its text, so a file is read once, not at every redraw.
    std::optional<std::pair<std::string, valvescope::Tube>> secondTube_;

    QComboBox* stage_ = nullptr;
    QWidget* singleEnded_ = nullptr;
    TPushPullInputs* pushPull_ = nullptr;
    QGroupBox* plots_ = nullptr;
    TSmallPlotView* powerPlot_ = nullptr;
    TSmallPlotView* thdPlot_ = nullptr;
    QComboBox* load_ = nullptr;
    QLineEdit* zaa_ = nullptr;
    QLineEdit* drive_ = nullptr;
    QLabel* message_ = nullptr;
    std::array<Section, 3> sections_;
    THarmonicBars* bars_ = nullptr;
};
