// The one main window: the settings boxes, the overlay toggles, the plot with its axis labels
// and the status line. It is a view of the PlotDocument, as the Tube and Operating Point windows
// it creates are; its controls are built in formcontrols and are its own.
#pragma once

#include "core/export/spicetext.h"
#include "core/plot/drawops.h"
#include "core/plot/plotscale.h"
#include "core/plot/tubelimits.h"
#include "core/readout/readout.h"
#include "core/session/plotsession.h"
#include "core/settings/plotsettings.h"
#include "model/tubemath.h"
#include "ui/formcontrols.h"
#include "ui/plotdocument.h"
#include "ui/printpage.h"

#include <QMainWindow>
#include <QPoint>
#include <QString>

#include <chrono>
#include <exception>
#include <functional>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QPrinter;
class TAnchorLayout;
class TBackgroundRedraw;
class THintTracker;
class TOperatingPointWindow;
class TTubeWindow;

class TSchematicForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TSchematicForm(QWidget* parent = nullptr);
    ~TSchematicForm() override;

    // The state the handlers work on.
    const valvescope::TubeLimits& Limits() const { return session_.Limits(); }
    const valvescope::PlotSettings& Settings() const { return session_.Settings(); }
    const valvescope::PlotScale& Scale() const { return session_.Scale(); }
    const valvescope::Readout& LastReadout() const { return session_.LastReadout(); }
    // What the last redraw drew, in order; a single blank when the intake stopped it.
    const valvescope::DrawOps& LastDrawOps() const { return lastOps_; }
    valvescope::Overlays OverlaysDown() const;

    // The document this window and the windows it opens show. A new tube names itself in the
    // caption and, once this window is shown, redraws the plot and reads the pointer's last
    // place again; given settings go into the boxes and toggles.
    valvescope::PlotDocument& Document() { return document_; }
    const valvescope::PlotDocument& Document() const { return document_; }
    const valvescope::Tube& CurrentTube() const { return session_.CurrentTube(); }
    // The Tube window, made when first asked for; shown and raised by ShowTubeWindow.
    TTubeWindow& TubeWindow();
    void ShowTubeWindow();
    // The plot's surface, whose size the pictures take.
    QSize PlotSize() const;

    // The design file: the document as it stands, saved atomically; and a design read whole
    // (with its measurements) before anything changes. Each throws on failure.
    void SaveDesign(const QString& path) const;
    void OpenDesign(const QString& path);

    // A control's hint: the part before the first "|" pops up beside the pointer, the rest
    // goes to the status line while the pointer is over the control.
    void SetControlHint(QWidget* control, const QString& hint);
    static QString ControlHint(const QWidget* control);
    // The application's current hint: the long part of the hint under the pointer.
    QString ApplicationHint() const;
    QString StatusText() const;

    // Writes the last drawing with its axis labels and caption into `path` as PNG, SVG or PDF by
    // its extension (a name without one of these gets ".png"); returns the name written. Throws
    // on failure.
    QString SavePicture(QString path) const;
    // The last drawing with its axis labels and caption, as Copy Picture copies it.
    QImage FramedPicture() const;
    // The plotted curves as CSV (the overlays' blocks as their toggles are down) into `path`
    // (".csv" added to a name without an extension); returns the name written. Throws on failure.
    QString SaveData(QString path) const;
    // Asks for a file and writes the session's tube as a SPICE subcircuit, the dialect chosen by
    // the file type, with its test deck beside it (for the plot's context menu and the Tube
    // window).
    void ExportSpiceModel();
    // Writes the subcircuit into `path` and its deck at exports::DeckPathFor(path). Throws on
    // failure.
    void ExportSpiceTo(const QString& path, valvescope::exports::SpiceDialect dialect) const;
    // Where the printed page takes the operating point's summary from: called at each printing,
    // it gives the summary while the Operating Point window is open and nothing otherwise.
    void SetPrintSummarySource(std::function<std::optional<QString>()> source);
    // Paints the printed page on `printer` (at full page).
    void PrintOn(QPrinter& printer) const;
    // The printed page as an A4 PDF file in `path`. Throws on failure.
    void SavePrintedPage(const QString& path) const;
    // The status-line text of the last pointer readout; empty before the first one.
    QString ReadoutText() const;

    // A redraw that takes longer than the patience goes on while the window takes input, and
    // its picture is shown when it is done, unless a new setting has started another by then.
    void SetDrawingPatience(std::chrono::milliseconds patience) { drawingPatience_ = patience; }
    // Waits for a redraw still going on, and shows its picture (or its error).
    void FinishDrawing();
    bool Drawing() const;
    // The last redraw stopped on an error (shown in the error box), its picture part drawn.
    bool DrawingFailed() const { return drawingFailed_; }

    // The Operating Point window, opened on first use and raised after.
    void ShowOperatingPoint();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BindEvents();
    void CreatePlotMenu();
    void FollowDocument();
    void ShowTubeInTitles();
    template <typename Handler> void Guarded(Handler&& handler);

    // Handlers.
    void Start();
    void PlaceAxisLabels();
    void Redraw();
    void RedrawMarks();
    void TubeChanged();
    void MeasurementsChanged();
    void ShowGivenSettings();
    void ShowCaptions(const valvescope::AxisCaptions& captions);
    void ReadPointer(int X, int Y);
    void ShowHint();
    void CopyPicture();
    void CopyPlotOnly();
    void SavePictureAs();
    void SaveDataAs();
    void Print();
    void PrintPreview();
    void CopyReadout();
    void ShowAbout();
    void SaveDesignAs();
    void ChooseAndOpenDesign();

    void NormalizeDecimalSeparator(QComboBox* box);
    void SetCaptionKeepingRight(QLabel* label, const QString& caption);
    void SetCaptionKeepingLeft(QLabel* label, const QString& caption);
    void StartRedraw();
    void PlotDrawn(valvescope::PlotScale scale, valvescope::DrawOps ops,
                   const std::exception_ptr& error);
    void PaintOnPlot(const valvescope::DrawOps& ops);
    // The picture around the last drawing, and the page's content, as they are now.
    valvescope::page::FramedPicture FramedLayout() const;
    valvescope::PrintedPlot PrintedPlotNow() const;

    valvescope::PlotDocument document_;
    valvescope::PlotSession& session_ = document_.Session();
    bool takingDesign_ = false; // one redraw for a whole design, after it is taken
    valvescope::DrawOps lastOps_;
    // What the pictures and the page put around the plot: the axis captions as the labels show
    // them, and the box texts the last intake took.
    valvescope::AxisCaptions shownCaptions_;
    std::optional<valvescope::SettingsTexts> takenTexts_; // none while nothing is drawn
    std::function<std::optional<QString>()> printSummary_;
    TBackgroundRedraw* redraws_ = nullptr;
    std::chrono::milliseconds drawingPatience_{200};
    bool drawingFailed_ = false;
    TOperatingPointWindow* operatingPoint_ = nullptr;

    THintTracker* hints_ = nullptr;
    QWidget* client_ = nullptr;
    TAnchorLayout* anchors_ = nullptr;
    TFormControls controls_;
    std::optional<QPoint> restingPointer_; // where the pointer is on the plot, if it is there
    std::optional<QPoint> lastRead_;       // where the pointer was last read
    TTubeWindow* tubeWindow_ = nullptr;
    // The plot menu's actions whose state follows the window's.
    QAction* copyReadout_ = nullptr;
    QAction* closeMeasurements_ = nullptr;
};
