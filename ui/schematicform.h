// The one main window: the settings boxes, the overlay toggles, the plot with its axis labels
// and the status line. It holds every piece of the program's state.
#pragma once

#include "core/layout/anchoring.h"
#include "core/plot/drawops.h"
#include "core/plot/plottypes.h"
#include "model/tubemath.h"

#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <array>
#include <chrono>
#include <exception>
#include <optional>

class QAction;
class QComboBox;
class QKeySequence;
class QFrame;
class QLabel;
class QPushButton;
class QStatusBar;
class QToolButton;
class TAnchorLayout;
class TBackgroundRedraw;
class TPaintBox;

class TSchematicForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TSchematicForm(QWidget* parent = nullptr);
    ~TSchematicForm() override;

    // The state the handlers work on.
    const tubemath::TubeParams& Tube() const { return tube_; }
    const valvescope::TubeLimits& Limits() const { return limits_; }
    const valvescope::PlotSettings& Settings() const { return settings_; }
    const valvescope::PlotScale& Scale() const { return scale_; }
    const valvescope::Readout& LastReadout() const { return readout_; }
    // What the last redraw drew, in order; a single blank when the intake stopped it.
    const valvescope::DrawOps& LastDrawOps() const { return lastOps_; }
    valvescope::Overlays OverlaysDown() const;

    // A control's hint: the part before the first "|" pops up beside the pointer, the rest
    // goes to the status line while the pointer is over the control.
    void SetControlHint(QWidget* control, const QString& hint);
    static QString ControlHint(const QWidget* control);
    // The application's current hint: the long part of the hint under the pointer.
    QString ApplicationHint() const { return applicationHint_; }
    QString StatusText() const;

    // Handlers.
    void FormCreate(QObject* Sender);
    void FormShow(QObject* Sender);
    void FormResize(QObject* Sender);
    void DrawGridLines(QObject* Sender);
    void EndVpChange(QObject* Sender);
    void EndIChange(QObject* Sender);
    void ShowHint(QObject* Sender);
    void PaintBox1MouseMove(QObject* Sender, int X, int Y);
    void SpeedButton1Click(QObject* Sender);
    void CopyPictureClick(QObject* Sender);
    void SavePictureClick(QObject* Sender);
    void CopyReadoutClick(QObject* Sender);

    // Writes the last drawing into `path` as PNG, SVG or PDF by its extension (a name without
    // one of these gets ".png"); returns the name written. Throws on failure.
    QString SavePicture(QString path) const;
    // The status-line text of the last pointer readout; empty before the first one.
    QString ReadoutText() const;

    // A redraw that takes longer than the patience goes on while the window takes input, and
    // its picture is shown when it is done, unless a new setting has started another by then.
    void SetDrawingPatience(std::chrono::milliseconds patience) { drawingPatience_ = patience; }
    // Waits for a redraw still going on, and shows its picture (or its error).
    void FinishDrawing();
    bool Drawing() const;

    // Controls.
    QToolButton* SpdBtnRedraw = nullptr;
    QToolButton* SpdBtnImax = nullptr;
    QToolButton* SpdBtnWp = nullptr;
    QToolButton* SpdBtnVmax = nullptr;
    QToolButton* SpdBtnRk = nullptr;
    QToolButton* SpdBtnLoadLine = nullptr;
    QFrame* PlotFrame = nullptr;
    TPaintBox* PaintBox1 = nullptr;
    QLabel* Lbl1V = nullptr;
    QLabel* Lbl2V = nullptr;
    QLabel* Lbl3V = nullptr;
    QLabel* Lbl4V = nullptr;
    QLabel* Lbl5V = nullptr;
    QLabel* Lbl6V = nullptr;
    QLabel* Lbl7V = nullptr;
    QLabel* Lbl8V = nullptr;
    QLabel* Lbl9V = nullptr;
    QLabel* Lbl10V = nullptr;
    QLabel* LblZero = nullptr;
    QLabel* Lbl1I = nullptr;
    QLabel* Lbl2I = nullptr;
    QLabel* Lbl3I = nullptr;
    QLabel* Lbl4I = nullptr;
    QLabel* Lbl5I = nullptr;
    QWidget* ShapeI = nullptr;
    QWidget* ShapeV = nullptr;
    QComboBox* CmbBxEndI = nullptr;
    QComboBox* CmbBxGridV = nullptr;
    QComboBox* CmbBxGridLines = nullptr;
    QComboBox* CmbBxEndV = nullptr;
    QComboBox* CmbBxRa = nullptr;
    QComboBox* CmbBxBplus = nullptr;
    QComboBox* CmbBxRk = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    // The plot's context menu; the shortcuts work anywhere in the window, but the boxes keep
    // their own Ctrl+C and Ctrl+V while they have the focus.
    QAction* ActCopyPicture = nullptr;
    QAction* ActSavePicture = nullptr;
    QAction* ActCopyReadout = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void CreateButtonRow();
    void CreatePlot();
    void CreateAxisLabels();
    void CreateSettingsBoxes();
    void CreateStatusLine();
    void CreatePlotMenu();
    QAction* CreatePlotAction(const char* name, const QString& text, const QKeySequence& keys);
    void BindEvents();
    QComboBox* CreateSettingsBox(const char* name, const QString& caption, const QRect& place,
                                 const QString& text, const QString& hint);
    QToolButton* CreateSpeedButton(const char* name, const QString& caption, const QRect& place,
                                   const QString& hint);
    QLabel* CreateAxisLabel(const char* name, const QString& caption, const QRect& place,
                            Qt::Alignment alignment, valvescope::Anchors anchors);

    void NormalizeDecimalSeparator(QComboBox* box);
    void SetCaptionKeepingRight(QLabel* label, const QString& caption);
    void SetCaptionKeepingLeft(QLabel* label, const QString& caption);
    void TrackHintUnder(QWidget* widget);
    void DrawPlot();
    void PlotDrawn(valvescope::PlotScale scale, valvescope::DrawOps ops,
                   const std::exception_ptr& error);
    void PaintOnPlot(const valvescope::DrawOps& ops);

    template <typename Handler> void Guarded(Handler&& handler);

    tubemath::TubeParams tube_;
    valvescope::TubeLimits limits_;
    valvescope::PlotSettings settings_;
    valvescope::PlotScale scale_;
    valvescope::Readout readout_;
    valvescope::DrawOps lastOps_;
    TBackgroundRedraw* redraws_ = nullptr;
    std::chrono::milliseconds drawingPatience_{200};

    QWidget* client_ = nullptr;
    TAnchorLayout* anchors_ = nullptr;
    QLabel* statusText_ = nullptr;
    std::array<QLabel*, 10> voltageLabels_{};
    std::array<QLabel*, 5> currentLabels_{};
    QPointer<QWidget> pointedAt_;          // the widget under the pointer
    std::optional<QPoint> restingPointer_; // where the pointer is on the plot, if it is there
    QString applicationHint_;
};
