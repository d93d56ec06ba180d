#include "ui/schematicform.h"

#include "about/aboutbox.h"
#include "core/design/stagetexts.h"
#include "core/layout/anchoring.h"
#include "core/plot/redraw.h"
#include "core/session/windowcaption.h"
#include "core/settings/intake.h"
#include "core/settings/numbertext.h"
#include "core/settings/settingsboxes.h"
#include "ui/anchorlayout.h"
#include "ui/backgroundredraw.h"
#include "ui/errorbox.h"
#include "ui/formwidgets.h"
#include "ui/hinttracker.h"
#include "ui/operatingpointwindow.h"
#include "ui/paintbox.h"
#include "ui/plotexport.h"
#include "ui/plotpainter.h"
#include "ui/qtext.h"
#include "ui/tubewindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QToolButton>

#include <string>
#include <utility>

TSchematicForm::TSchematicForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("SchematicForm"));
    ShowTubeInTitles();
    setWindowIcon(ProgramIcon());
    setFont(ArialOfPixels(12));
    setAccessibleName(QString::fromUtf8(kApplicationTitle));
    hints_ = new THintTracker(this);
    auto* client = new TClientArea(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client_ = client;
    anchors_ = new TAnchorLayout(client_, kDesignedClientArea);
    setCentralWidget(client_);
    controls_ = BuildFormControls(*this, *client_, *anchors_, *hints_);
    CreatePlotMenu();
    redraws_ = new TBackgroundRedraw(this, [this](TBackgroundRedraw::Outcome& outcome) {
        PlotDrawn(outcome.Scale, std::move(outcome.Ops), outcome.Error);
    });
    BindEvents();
    FollowDocument();
    // While the Operating Point window is open, the printed page carries its summary.
    SetPrintSummarySource([this]() -> std::optional<QString> {
        if (!operatingPoint_ || !operatingPoint_->isVisible()) {
            return std::nullopt;
        }
        if (document_.ShownPushPull()) {
            // The sweep prints as the small plots under the summary, not as fifty lines.
            valvescope::PushPullAnalysis pair = *document_.ShownPushPull();
            pair.Sweep.clear();
            return FromStd(valvescope::PushPullText(pair));
        }
        if (!document_.ShownStage()) {
            return std::nullopt;
        }
        return FromStd(valvescope::StageText(*document_.ShownStage()));
    });
    resize(kDesignedClientArea.width(), kDesignedClientArea.height() + kStatusLineHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        const QSize outer(518, 394);
        move(area.x() + (area.width() - outer.width()) / 2,
             area.y() + (area.height() - outer.height()) / 2);
    }
    Start();
}

TSchematicForm::~TSchematicForm() {
    delete tubeWindow_;     // it reads and changes the document until it goes
    delete operatingPoint_; // it takes its marks off the document as it goes
    delete redraws_;        // stops a redraw still going on before the state it delivers to goes
    hints_->Stop();
    // The controls go after this window's state: no signal of theirs may reach a handler then
    // (a box losing the focus as it goes announces its text as picked).
    for (QObject* child : findChildren<QObject*>()) {
        child->disconnect(this);
    }
    static_cast<TClientArea*>(client_)->Resized = nullptr;
}

valvescope::Overlays TSchematicForm::OverlaysDown() const {
    const auto toggles = controls_.Toggles();
    return {toggles[0]->isChecked(), toggles[1]->isChecked(), toggles[2]->isChecked(),
            toggles[3]->isChecked(), toggles[4]->isChecked()};
}

template <typename Handler> void TSchematicForm::Guarded(Handler&& handler) {
    RunGuarded(this, std::forward<Handler>(handler));
}

void TSchematicForm::BindEvents() {
    const TFormControls& c = controls_;
    for (QComboBox* box : c.SettingsBoxes) {
        // Only the user's typing and picking; the program writing a text raises nothing.
        connect(box->lineEdit(), &QLineEdit::textEdited, this,
                [this] { Guarded([this] { Redraw(); }); });
        connect(box, &QComboBox::textActivated, this, [this] { Guarded([this] { Redraw(); }); });
    }
    connect(c.SpdBtnRedraw, &QToolButton::clicked, this, [this] { Guarded([this] { Redraw(); }); });
    for (QToolButton* button : c.Toggles()) {
        connect(button, &QToolButton::clicked, this, [this] { Guarded([this] { Redraw(); }); });
    }
    connect(c.PaintBox1, &TPaintBox::MouseMoved, this,
            [this](int X, int Y) { Guarded([this, X, Y] { ReadPointer(X, Y); }); });
    connect(c.PaintBox1, &TPaintBox::MouseLeft, this, [this] { restingPointer_.reset(); });
    connect(c.SpeedButton1, &QPushButton::clicked, this,
            [this] { Guarded([this] { ShowAbout(); }); });
    static_cast<TClientArea*>(client_)->Resized = [this] {
        Guarded([this] {
            PlaceAxisLabels();
            Redraw();
        });
    };
}

// The plot's context menu: each action made, given its handler and put into the menu here. The
// shortcuts work anywhere in the window, but the boxes keep their own Ctrl+C and Ctrl+V while
// they have the focus.
void TSchematicForm::CreatePlotMenu() {
    TPaintBox* plot = controls_.PaintBox1;
    // A click on the plot gives it the focus, so Ctrl+C copies the picture rather than the text
    // of the box that had the focus.
    plot->setFocusPolicy(Qt::ClickFocus);
    plot->setContextMenuPolicy(Qt::ActionsContextMenu);
    struct PlotAction {
        const char* Name;
        const char* Text;
        QKeySequence Keys;
        std::function<void()> Handler;
        QAction** Kept = nullptr; // for the actions whose state follows the window's
    };
    const PlotAction actions[] = {
        {"ActCopyPicture", "Copy Picture", QKeySequence(Qt::CTRL | Qt::Key_C),
         [this] { CopyPicture(); }},
        {"ActSavePicture", "Save Picture As...", QKeySequence(Qt::CTRL | Qt::Key_S),
         [this] { SavePictureAs(); }},
        {"ActCopyReadout", "Copy Readout", {}, [this] { CopyReadout(); }, &copyReadout_},
        {"ActOperatingPoint", "Operating Point...", QKeySequence(Qt::CTRL | Qt::Key_D),
         [this] { ShowOperatingPoint(); }},
        {"ActCopyPlotOnly", "Copy Plot Only", {}, [this] { CopyPlotOnly(); }},
        {"ActSaveData", "Save Data As...", {}, [this] { SaveDataAs(); }},
        {"ActExportSpice", "Export SPICE Model...", {}, [this] { ExportSpiceModel(); }},
        {"ActPrint", "Print...", QKeySequence(Qt::CTRL | Qt::Key_P), [this] { Print(); }},
        {"ActPrintPreview", "Print Preview...", {}, [this] { PrintPreview(); }},
        {"ActTube", "Tube...", QKeySequence(Qt::CTRL | Qt::Key_T), [this] { ShowTubeWindow(); }},
        {"ActOpenMeasurements",
         "Open Measurements...",
         {},
         [this] { TubeWindow().ChooseAndOpenMeasurements(); }},
        {"ActCloseMeasurements",
         "Close Measurements",
         {},
         [this] { document_.CloseMeasurements(); },
         &closeMeasurements_},
        {"ActOpenDesign", "Open Design...", {}, [this] { ChooseAndOpenDesign(); }},
        {"ActSaveDesign", "Save Design As...", {}, [this] { SaveDesignAs(); }},
    };
    for (const PlotAction& entry : actions) {
        auto* action = new QAction(QString::fromUtf8(entry.Text), plot);
        action->setObjectName(QString::fromUtf8(entry.Name));
        action->setShortcut(entry.Keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this,
                [this, handler = entry.Handler] { Guarded(handler); });
        plot->addAction(action);
        if (entry.Kept) {
            *entry.Kept = action;
        }
    }
    copyReadout_->setEnabled(false);
    closeMeasurements_->setEnabled(false);
}

// ---- Handlers -------------------------------------------------------------------------------

void TSchematicForm::Start() {
    hints_->Start([this] { ShowHint(); });
}

void TSchematicForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) {
        Guarded([this] { Redraw(); });
    }
}

void TSchematicForm::PlaceAxisLabels() {
    const TFormControls& c = controls_;
    const QRect plot = c.PaintBox1->geometry();
    const valvescope::AxisLabelPlaces places = valvescope::PlaceAxisLabels(
        {plot.x(), plot.y(), plot.width(), plot.height()}, c.Lbl4I->height(), c.Lbl1V->width());
    const std::array<QLabel*, 4> fromTop = {c.Lbl4I, c.Lbl3I, c.Lbl2I, c.Lbl1I};
    for (std::size_t k = 0; k < fromTop.size(); ++k) {
        QRect place = fromTop[k]->geometry();
        place.moveTop(places.CurrentTops[k]);
        anchors_->MoveControl(fromTop[k], place);
    }
    for (std::size_t k = 0; k < places.VoltageLefts.size(); ++k) {
        QRect place = c.VoltageLabels[k]->geometry();
        place.moveLeft(places.VoltageLefts[k]);
        anchors_->MoveControl(c.VoltageLabels[k], place);
    }
}

void TSchematicForm::NormalizeDecimalSeparator(QComboBox* box) {
    QLineEdit* edit = box->lineEdit();
    const QString text = edit->text();
    if (text.isEmpty()) {
        return;
    }
    const QString normalized = FromStd(valvescope::WithPointSeparator(text.toStdString()));
    if (normalized != text) {
        edit->setText(normalized);
    }
    edit->end(false);
}

// The intake, the captions and the redraw, as every setting, toggle and resize starts them.
void TSchematicForm::Redraw() {
    const TFormControls& c = controls_;
    redraws_->Stop();
    c.StatusBar1->clearMessage();
    lastOps_.assign(
        1, {valvescope::DrawOpKind::Blank, c.PaintBox1->width(), c.PaintBox1->height(), 0, 0, {}});
    c.PaintBox1->Blank();
    c.PaintBox1->repaint();
    takenTexts_.reset();
    valvescope::SettingsTexts texts;
    for (std::string valvescope::SettingsTexts::*text : valvescope::kIntakeOrder) {
        QComboBox* box = c.Box(text);
        NormalizeDecimalSeparator(box);
        texts.*text = box->lineEdit()->text().toStdString();
    }
    document_.NoteSettings(texts, OverlaysDown());
    const std::optional<valvescope::AxisCaptions> captions = document_.TakeTexts(texts);
    if (!captions) {
        return;
    }
    takenTexts_ = texts;
    ShowCaptions(*captions);
    StartRedraw();
}

void TSchematicForm::ShowCaptions(const valvescope::AxisCaptions& captions) {
    const TFormControls& c = controls_;
    if (captions.Voltage) {
        shownCaptions_.Voltage = captions.Voltage;
        SetCaptionKeepingLeft(c.Lbl10V, FromStd((*captions.Voltage)[9]));
        for (std::size_t k = 9; k-- > 0;) {
            c.VoltageLabels[k]->setText(FromStd((*captions.Voltage)[k]));
        }
    }
    if (captions.Current) {
        shownCaptions_.Current = captions.Current;
        for (std::size_t k = c.CurrentLabels.size(); k-- > 0;) {
            SetCaptionKeepingRight(c.CurrentLabels[k], FromStd(captions.Current->Captions[k]));
        }
    }
}

void TSchematicForm::StartRedraw() {
    drawingFailed_ = false;
    const TPaintBox* plot = controls_.PaintBox1;
    redraws_->Start(session_.Redraw(OverlaysDown(), plot->width(), plot->height()),
                    session_.Scale(), drawingPatience_);
    if (redraws_->Running()) {
        controls_.StatusBar1->showMessage(QStringLiteral("Drawing the curves..."));
    }
}

// What was drawn before a fault stays on screen; the guard shows the error.
void TSchematicForm::PlotDrawn(valvescope::PlotScale scale, valvescope::DrawOps ops,
                               const std::exception_ptr& error) {
    controls_.StatusBar1->clearMessage();
    const valvescope::PlotScale before = session_.Scale();
    const bool rescaled = scale.VoltsPerPixel != before.VoltsPerPixel ||
                          scale.PixelsPerMilliamp != before.PixelsPerMilliamp;
    session_.Drawn(scale);
    lastOps_ = std::move(ops);
    PaintOnPlot(lastOps_);
    if (error) {
        drawingFailed_ = true;
        std::rethrow_exception(error);
    }
    // The point under a resting pointer now stands for other volts and amperes.
    if (rescaled && restingPointer_) {
        ReadPointer(restingPointer_->x(), restingPointer_->y());
    }
}

void TSchematicForm::FinishDrawing() {
    redraws_->Finish();
}

bool TSchematicForm::Drawing() const {
    return redraws_->Running();
}

void TSchematicForm::PaintOnPlot(const valvescope::DrawOps& ops) {
    TPaintBox* plot = controls_.PaintBox1;
    if (plot->Picture().isNull()) {
        return; // not laid out yet: the surface has no pixels until its first resize
    }
    {
        QPainter painter(&plot->Picture());
        valvescope::PaintDrawOps(painter, ops);
    }
    plot->PictureChanged();
}

void TSchematicForm::SetCaptionKeepingRight(QLabel* label, const QString& caption) {
    label->setText(caption);
    QRect place = label->geometry();
    const int right = place.x() + place.width();
    place.setWidth(label->fontMetrics().horizontalAdvance(caption));
    place.moveLeft(right - place.width());
    anchors_->MoveControl(label, place);
}

void TSchematicForm::SetCaptionKeepingLeft(QLabel* label, const QString& caption) {
    label->setText(caption);
    QRect place = label->geometry();
    place.setWidth(label->fontMetrics().horizontalAdvance(caption));
    anchors_->MoveControl(label, place);
}

void TSchematicForm::ReadPointer(int X, int Y) {
    restingPointer_ = QPoint(X, Y);
    lastRead_ = QPoint(X, Y);
    const std::optional<valvescope::PointerReading> reading =
        session_.ReadAt(controls_.PaintBox1->height(), X, Y);
    if (!reading) {
        return; // a division by zero ends the readout silently; the last text stays
    }
    // The readout has no short part: all of it goes to the status line.
    SetControlHint(controls_.PaintBox1, QStringLiteral("|") + FromStd(reading->Text));
    copyReadout_->setEnabled(true);
    ShowHint();
}

void TSchematicForm::CopyPicture() {
    QGuiApplication::clipboard()->setImage(FramedPicture());
}

void TSchematicForm::CopyPlotOnly() {
    QGuiApplication::clipboard()->setImage(controls_.PaintBox1->Picture());
}

void TSchematicForm::SavePictureAs() {
    const QString path = valvescope::ChoosePicturePath(this, QStringLiteral("valvescope-plot.png"));
    if (path.isEmpty()) {
        return;
    }
    SavePicture(path);
}

QString TSchematicForm::SavePicture(QString path) const {
    std::optional<valvescope::PictureFormat> format =
        valvescope::PictureFormatOf(path.toStdString());
    if (!format) {
        path += QStringLiteral(".png");
        format = valvescope::PictureFormat::Png;
    }
    valvescope::WritePicture(path, *format, FramedLayout(), lastOps_, session_.CurrentTube().Name);
    return path;
}

void TSchematicForm::CopyReadout() {
    QGuiApplication::clipboard()->setText(ReadoutText());
}

QString TSchematicForm::ReadoutText() const {
    return THintTracker::LongHint(ControlHint(controls_.PaintBox1));
}

void TSchematicForm::ShowAbout() {
    auto* about = new TAboutBox(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->exec();
}

// The window's caption and the error box's title name the tube in use.
void TSchematicForm::ShowTubeInTitles() {
    const std::string& name = session_.CurrentTube().Name;
    setWindowTitle(FromStd(valvescope::WindowCaption(name)));
    SetErrorBoxTitle(FromStd(valvescope::ApplicationTitle(name)));
}

// ---- Hints ----------------------------------------------------------------------------------

void TSchematicForm::SetControlHint(QWidget* control, const QString& hint) {
    hints_->SetControlHint(control, hint);
}

QString TSchematicForm::ControlHint(const QWidget* control) {
    return THintTracker::ControlHint(control);
}

QString TSchematicForm::ApplicationHint() const {
    return hints_->ApplicationHint();
}

QString TSchematicForm::StatusText() const {
    return controls_.StatusText->text();
}

void TSchematicForm::ShowHint() {
    const QString hint = hints_->ApplicationHint();
    controls_.StatusText->setText(hint);
    controls_.StatusText->setToolTip(hint);
}
