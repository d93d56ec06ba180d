#include "ui/schematicform.h"

#include "about/aboutbox.h"
#include "core/plot/redraw.h"
#include "core/readout/readout.h"
#include "core/settings/intake.h"
#include "core/settings/itemlists.h"
#include "ui/anchorlayout.h"
#include "ui/backgroundredraw.h"
#include "ui/errorbox.h"
#include "ui/paintbox.h"
#include "ui/plotexport.h"
#include "ui/plotpainter.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QToolButton>

#include <functional>
#include <optional>
#include <string>
#include <utility>

using valvescope::Anchors;

namespace {

constexpr const char* kWindowCaption = " Valvescope for the 807            Kestrelon";
constexpr const char* kHintProperty = "hint";
const QSize kDesignedClientArea(510, 339); // above the status line
constexpr int kStatusLineHeight = 28;
constexpr int kAxisLabelHeight = 12;
constexpr int kVoltageLabelWidth = 32;
const QColor kNavy(0, 0, 128);

constexpr Anchors kLeftTop{true, true, false, false};
constexpr Anchors kAllSides{true, true, true, true};
constexpr Anchors kLeftBottom{true, false, false, true};
constexpr Anchors kBottom{false, false, false, true};
constexpr Anchors kRightBottom{false, false, true, true};
constexpr Anchors kLeft{true, false, false, false};
constexpr Anchors kLeftTopBottom{true, true, false, true};
constexpr Anchors kLeftRightBottom{true, false, true, true};
constexpr Anchors kLeftTopRight{true, true, true, false};

QFont ArialOfPixels(int pixels, bool bold = false) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QString ShortHint(const QString& hint) {
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.left(bar);
}

QString LongHint(const QString& hint) {
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.mid(bar + 1);
}

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

QString CaptionWithoutAccelerator(QString caption) {
    return caption.remove(u'&');
}

// The client area: reports its resizes once the anchored controls have been placed.
class TClientArea : public QWidget {
public:
    explicit TClientArea(QWidget* parent) : QWidget(parent) {}
    std::function<void()> Resized;

protected:
    void resizeEvent(QResizeEvent*) override {
        if (Resized) {
            Resized();
        }
    }
};

// A sunken line along the top or bottom edge of its rectangle.
class TBevelLine : public QWidget {
public:
    TBevelLine(QWidget* parent, bool alongBottom) : QWidget(parent), alongBottom_(alongBottom) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const int y = alongBottom_ ? height() - 2 : 0;
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(0, y, width() - 1, y);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(0, y + 1, width() - 1, y + 1);
    }

private:
    bool alongBottom_;
};

// The status line's text: as wide as the window leaves it, never wider, so that a long readout
// cannot widen the window; what does not fit ends in an ellipsis, and the whole text is the tool
// tip.
class TStatusText : public QLabel {
public:
    explicit TStatusText(QWidget* parent) : QLabel(parent) {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setMinimumWidth(0);
    }

    QSize minimumSizeHint() const override { return QSize(0, QLabel::minimumSizeHint().height()); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect area = contentsRect();
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(area, static_cast<int>(alignment()),
                         fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
    }
};

enum class Glyph { CurrentLine, PowerCurve, VoltageLine, BiasLine, LoadLine };

// A small line symbol for each overlay toggle, in the colour of what it shows.
QIcon OverlayGlyph(Glyph glyph) {
    constexpr int side = 12;
    constexpr qreal ratio = 2;
    QPixmap pixmap(side * ratio, side * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor red(255, 0, 0);
    const QColor maroon(128, 0, 0);
    const QColor blue(0, 0, 255);
    QPainterPath path;
    QColor colour = red;
    switch (glyph) {
    case Glyph::CurrentLine:
        path.moveTo(1, 4);
        path.lineTo(11, 4);
        break;
    case Glyph::PowerCurve:
        path.moveTo(2, 1);
        path.cubicTo(3, 8, 5, 10, 11, 10.5);
        break;
    case Glyph::VoltageLine:
        path.moveTo(7, 1);
        path.lineTo(7, 11);
        break;
    case Glyph::BiasLine:
        colour = maroon;
        path.moveTo(1, 11);
        path.cubicTo(4, 10, 8, 6, 11, 1);
        break;
    case Glyph::LoadLine:
        colour = blue;
        path.moveTo(1, 1);
        path.lineTo(11, 11);
        break;
    }
    painter.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(path);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(QPointF(0.5, 0.5), QPointF(0.5, side - 0.5));
    painter.drawLine(QPointF(0.5, side - 0.5), QPointF(side - 0.5, side - 0.5));
    return QIcon(pixmap);
}

} // namespace

TSchematicForm::TSchematicForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("SchematicForm"));
    setWindowTitle(QString::fromUtf8(kWindowCaption));
    setWindowIcon(ProgramIcon());
    setFont(ArialOfPixels(12));
    setAccessibleName(QString::fromUtf8(kApplicationTitle));
    CreateControls();
    redraws_ = new TBackgroundRedraw(this, [this](TBackgroundRedraw::Outcome& outcome) {
        PlotDrawn(outcome.Scale, std::move(outcome.Ops), outcome.Error);
    });
    BindEvents();
    resize(kDesignedClientArea.width(), kDesignedClientArea.height() + kStatusLineHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        const QSize outer(518, 394);
        move(area.x() + (area.width() - outer.width()) / 2,
             area.y() + (area.height() - outer.height()) / 2);
    }
    FormCreate(this);
}

TSchematicForm::~TSchematicForm() {
    delete redraws_; // stops a redraw still going on before the state it delivers to goes
    qApp->removeEventFilter(this);
    // The controls go after this window's state: no signal of theirs may reach a handler then
    // (a box losing the focus as it goes announces its text as picked).
    for (QObject* child : findChildren<QObject*>()) {
        child->disconnect(this);
    }
    static_cast<TClientArea*>(client_)->Resized = nullptr;
}

valvescope::Overlays TSchematicForm::OverlaysDown() const {
    return {SpdBtnImax->isChecked(), SpdBtnWp->isChecked(), SpdBtnVmax->isChecked(),
            SpdBtnRk->isChecked(), SpdBtnLoadLine->isChecked()};
}

// ---- Creation -------------------------------------------------------------------------------

void TSchematicForm::CreateControls() {
    auto* client = new TClientArea(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client_ = client;
    anchors_ = new TAnchorLayout(client_, kDesignedClientArea);
    setCentralWidget(client_);
    CreateButtonRow();
    CreatePlot();
    CreateAxisLabels();
    CreateSettingsBoxes();
    CreateStatusLine();
    CreatePlotMenu();
    // The hint areas lie over the axis labels, the plot over everything around it.
    ShapeI->raise();
    ShapeV->raise();
    PaintBox1->raise();
}

QToolButton* TSchematicForm::CreateSpeedButton(const char* name, const QString& caption,
                                               const QRect& place, const QString& hint) {
    auto* button = new QToolButton(client_);
    button->setObjectName(QString::fromUtf8(name));
    button->setText(caption);
    button->setAccessibleName(caption.trimmed());
    button->setAutoRaise(true);
    // Reached by Tab after the boxes and pressed with Space; a click leaves the focus where it was.
    button->setFocusPolicy(Qt::TabFocus);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setIconSize(QSize(12, 12));
    SetControlHint(button, hint);
    anchors_->AddControl(button, place, kLeftTop);
    return button;
}

void TSchematicForm::CreateButtonRow() {
    auto* topLine = new TBevelLine(client_, true);
    topLine->setObjectName(QStringLiteral("TopLine"));
    topLine->setAccessibleName(QStringLiteral("Separator"));
    anchors_->AddControl(topLine, QRect(0, 0, kDesignedClientArea.width(), 25), kLeftTopRight);

    SpdBtnRedraw =
        CreateSpeedButton("SpdBtnRedraw", QStringLiteral("Draw Curves"), QRect(6, 0, 91, 23),
                          QStringLiteral("|Press to redraw the plate curves."));
    struct Toggle {
        QToolButton*& button;
        const char* name;
        const char* caption;
        QRect place;
        Glyph glyph;
        const char* hint;
    };
    const Toggle toggles[] = {
        {SpdBtnImax, "SpdBtnImax", "Imax", QRect(98, 0, 52, 23), Glyph::CurrentLine,
         "|Press to see the maximuim current specified for this tube."},
        {SpdBtnWp, "SpdBtnWp", " Wp ", QRect(151, 0, 48, 23), Glyph::PowerCurve,
         "|Press to see the maximuim wattage dissipation specified for this tube."},
        {SpdBtnVmax, "SpdBtnVmax", "Vmax", QRect(200, 0, 55, 23), Glyph::VoltageLine,
         "|Press to see the maximuim voltage specified for this tube."},
        {SpdBtnRk, "SpdBtnRk", "Rk Bias Line", QRect(256, 0, 95, 23), Glyph::BiasLine,
         "|Press to see the bias line imposed by the cathode resistor."},
        {SpdBtnLoadLine, "SpdBtnLoadLine", "Ra Load Line", QRect(352, 0, 98, 23), Glyph::LoadLine,
         "|Press to see the load line imposed by the plate load resistor."},
    };
    for (const Toggle& toggle : toggles) {
        toggle.button = CreateSpeedButton(toggle.name, QString::fromUtf8(toggle.caption),
                                          toggle.place, QString::fromUtf8(toggle.hint));
        toggle.button->setCheckable(true);
        toggle.button->setIcon(OverlayGlyph(toggle.glyph));
    }
}

void TSchematicForm::CreatePlot() {
    PlotFrame = new QFrame(client_);
    PlotFrame->setObjectName(QStringLiteral("PlotFrame"));
    PlotFrame->setAccessibleName(QStringLiteral("Plot frame"));
    PlotFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PlotFrame->setLineWidth(1);
    anchors_->AddControl(PlotFrame, QRect(36, 31, 465, 226), kAllSides);

    // Blank, the surface looks like the white plot background with its black border.
    PaintBox1 = new TPaintBox(client_);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->setAccessibleName(QStringLiteral("Plate characteristics"));
    anchors_->AddControl(PaintBox1, QRect(37, 32, 462, 224), kAllSides);

    ShapeI = new QWidget(client_);
    ShapeI->setObjectName(QStringLiteral("ShapeI"));
    ShapeI->setAccessibleName(QStringLiteral("Plate Current"));
    SetControlHint(ShapeI, QStringLiteral("|Plate Current"));
    anchors_->AddControl(ShapeI, QRect(7, 27, 31, 232), kLeftTopBottom);

    ShapeV = new QWidget(client_);
    ShapeV->setObjectName(QStringLiteral("ShapeV"));
    ShapeV->setAccessibleName(QStringLiteral("Plate Voltage"));
    SetControlHint(ShapeV, QStringLiteral("|Plate Voltage"));
    anchors_->AddControl(ShapeV, QRect(32, 256, 468, 17), kLeftRightBottom);
}

QLabel* TSchematicForm::CreateAxisLabel(const char* name, const QString& caption,
                                        const QRect& place, Qt::Alignment alignment,
                                        Anchors anchors) {
    auto* label = new QLabel(caption, client_);
    label->setObjectName(QString::fromUtf8(name));
    label->setFont(ArialOfPixels(9));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kNavy);
    label->setPalette(palette);
    label->setAlignment(alignment | Qt::AlignVCenter);
    anchors_->AddControl(label, place, anchors);
    return label;
}

void TSchematicForm::CreateAxisLabels() {
    const QFontMetrics metrics(ArialOfPixels(9));
    auto textWidth = [&metrics](const QString& text) { return metrics.horizontalAdvance(text); };

    const char* voltageNames[] = {"Lbl1V", "Lbl2V", "Lbl3V", "Lbl4V", "Lbl5V",
                                  "Lbl6V", "Lbl7V", "Lbl8V", "Lbl9V"};
    const int voltageLefts[] = {77, 119, 165, 211, 258, 304, 349, 395, 442};
    for (int k = 0; k < 9; ++k) {
        voltageLabels_[k] =
            CreateAxisLabel(voltageNames[k], QStringLiteral("%1v").arg(50 * (k + 1)),
                            QRect(voltageLefts[k], 259, kVoltageLabelWidth, kAxisLabelHeight),
                            Qt::AlignHCenter, kBottom);
    }
    const QString endVoltage = QStringLiteral("500v");
    voltageLabels_[9] = CreateAxisLabel("Lbl10V", endVoltage,
                                        QRect(486, 259, textWidth(endVoltage), kAxisLabelHeight),
                                        Qt::AlignHCenter, kRightBottom);
    std::tie(Lbl1V, Lbl2V, Lbl3V, Lbl4V, Lbl5V, Lbl6V, Lbl7V, Lbl8V, Lbl9V, Lbl10V) =
        std::tuple_cat(voltageLabels_);

    const QString zero = QStringLiteral("0");
    LblZero = CreateAxisLabel("LblZero", zero, QRect(31, 259, textWidth(zero), kAxisLabelHeight),
                              Qt::AlignRight, kLeftBottom);

    const QString fullCurrent = QStringLiteral("100mA");
    currentLabels_[4] = CreateAxisLabel("Lbl5I", fullCurrent,
                                        QRect(5, 31, textWidth(fullCurrent), kAxisLabelHeight),
                                        Qt::AlignRight, kLeftTop);
    const char* currentNames[] = {"Lbl1I", "Lbl2I", "Lbl3I", "Lbl4I"};
    const int currentTops[] = {184, 144, 102, 61};
    for (int k = 0; k < 4; ++k) {
        const QString caption = QStringLiteral("%1mA").arg(20 * (k + 1));
        currentLabels_[k] = CreateAxisLabel(
            currentNames[k], caption,
            QRect(10, currentTops[k], textWidth(caption), kAxisLabelHeight), Qt::AlignRight, kLeft);
    }
    std::tie(Lbl1I, Lbl2I, Lbl3I, Lbl4I, Lbl5I) = std::tuple_cat(currentLabels_);
}

QComboBox* TSchematicForm::CreateSettingsBox(const char* name, const QString& caption,
                                             const QRect& place, const QString& text,
                                             const QString& hint) {
    auto* box = new QComboBox(client_);
    box->setObjectName(QString::fromUtf8(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    box->setAccessibleName(CaptionWithoutAccelerator(caption));
    box->setEditText(text);
    SetControlHint(box, hint);
    anchors_->AddControl(box, place, kLeftBottom);

    auto* label = new QLabel(caption, client_);
    label->setObjectName(QStringLiteral("Caption") + QString::fromUtf8(name).mid(5));
    label->setFont(ArialOfPixels(11, true));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(box);
    const int width = label->sizeHint().width();
    constexpr int gap = 4;
    anchors_->AddControl(
        label, QRect(place.left() - gap - width, place.top(), width, place.height()), kLeftBottom);
    return box;
}

void TSchematicForm::CreateSettingsBoxes() {
    auto* lowerLine = new TBevelLine(client_, false);
    lowerLine->setObjectName(QStringLiteral("LowerLine"));
    lowerLine->setAccessibleName(QStringLiteral("Separator"));
    anchors_->AddControl(lowerLine, QRect(0, 275, kDesignedClientArea.width(), 9),
                         kLeftRightBottom);

    auto fill = [](QComboBox* box, const std::vector<std::string>& items) {
        const QString text = box->currentText();
        for (const std::string& item : items) {
            box->addItem(FromStd(item));
        }
        box->setEditText(text);
    };
    const QSize boxSize(66, 23);
    CmbBxEndI = CreateSettingsBox(
        "CmbBxEndI", QStringLiteral("End &I"), QRect(QPoint(36, 285), boxSize),
        QStringLiteral("200"),
        QStringLiteral("Graph's current limit| Enter the limit to the graph's current axis."));
    fill(CmbBxEndI, valvescope::EndIItems());
    CmbBxGridV = CreateSettingsBox(
        "CmbBxGridV", QStringLiteral("&Step V"), QRect(QPoint(156, 285), boxSize),
        QStringLiteral("10"),
        QStringLiteral(
            "Grid voltage increments| Enter the size of the grid voltage increment per step."));
    fill(CmbBxGridV, valvescope::GridVItems());
    CmbBxGridLines = CreateSettingsBox(
        "CmbBxGridLines", QStringLiteral("# Grid &Lines"), QRect(QPoint(307, 285), boxSize),
        QStringLiteral("10"),
        QStringLiteral(
            "Number of grid lines displayed| Enter the number of grid lines to be displayed."));
    fill(CmbBxGridLines, valvescope::GridLinesItems());
    CmbBxEndV = CreateSettingsBox(
        "CmbBxEndV", QStringLiteral("E&nd V"), QRect(QPoint(431, 285), boxSize),
        QStringLiteral("800"),
        QStringLiteral("Graph's voltage limit| Enter the limit to the graph's voltage axis."));
    fill(CmbBxEndV, valvescope::EndVItems());
    CmbBxRa = CreateSettingsBox(
        "CmbBxRa", QStringLiteral("&Ra"), QRect(QPoint(36, 312), boxSize), QStringLiteral("3000"),
        QStringLiteral("Plate load resistor| Enter the plate load resistor Ra of the load line."));
    fill(CmbBxRa, valvescope::RaItems());
    CmbBxBplus = CreateSettingsBox(
        "CmbBxBplus", QStringLiteral("&B+"), QRect(QPoint(156, 312), boxSize),
        QStringLiteral("400"),
        QStringLiteral("Supply voltage| Enter the supply voltage B+ that feeds the load line."));
    fill(CmbBxBplus, valvescope::BPlusItems());
    CmbBxRk = CreateSettingsBox(
        "CmbBxRk", QStringLiteral("R&k"), QRect(QPoint(307, 312), boxSize), QStringLiteral("590"),
        QStringLiteral("Cathode resistor| Enter the cathode resistor Rk of the bias line."));
    fill(CmbBxRk, valvescope::RkItems());

    QWidget::setTabOrder(CmbBxEndI, CmbBxGridV);
    QWidget::setTabOrder(CmbBxGridV, CmbBxGridLines);
    QWidget::setTabOrder(CmbBxGridLines, CmbBxEndV);
    QWidget::setTabOrder(CmbBxEndV, CmbBxRa);
    QWidget::setTabOrder(CmbBxRa, CmbBxBplus);
    QWidget::setTabOrder(CmbBxBplus, CmbBxRk);

    SpeedButton1 = new QPushButton(QStringLiteral("About"), client_);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setAccessibleName(QStringLiteral("About"));
    SpeedButton1->setFont(ArialOfPixels(12, true));
    SpeedButton1->setFocusPolicy(Qt::TabFocus);
    SetControlHint(
        SpeedButton1,
        QStringLiteral("About Valvescope| Press to see information about this program."));
    anchors_->AddControl(SpeedButton1, QRect(432, 312, 64, 22), kLeftBottom);

    // After the seven boxes, Tab goes on through the button row and "About".
    QWidget* previous = CmbBxRk;
    for (QWidget* button :
         std::initializer_list<QWidget*>{SpdBtnRedraw, SpdBtnImax, SpdBtnWp, SpdBtnVmax, SpdBtnRk,
                                         SpdBtnLoadLine, SpeedButton1}) {
        QWidget::setTabOrder(previous, button);
        previous = button;
    }
}

void TSchematicForm::CreateStatusLine() {
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setAccessibleName(QStringLiteral("Status line"));
    StatusBar1->setFixedHeight(kStatusLineHeight);
    statusText_ = new TStatusText(StatusBar1);
    statusText_->setObjectName(QStringLiteral("StatusBar1Text"));
    statusText_->setAccessibleName(QStringLiteral("Status"));
    StatusBar1->addWidget(statusText_, 1);
    setStatusBar(StatusBar1);
}

QAction* TSchematicForm::CreatePlotAction(const char* name, const QString& text,
                                          const QKeySequence& keys) {
    auto* action = new QAction(text, PaintBox1);
    action->setObjectName(QString::fromUtf8(name));
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    PaintBox1->addAction(action);
    return action;
}

void TSchematicForm::CreatePlotMenu() {
    // A click on the plot gives it the focus, so Ctrl+C copies the picture rather than the text
    // of the box that had the focus.
    PaintBox1->setFocusPolicy(Qt::ClickFocus);
    PaintBox1->setContextMenuPolicy(Qt::ActionsContextMenu);
    ActCopyPicture = CreatePlotAction("ActCopyPicture", QStringLiteral("Copy Picture"),
                                      QKeySequence(Qt::CTRL | Qt::Key_C));
    ActSavePicture = CreatePlotAction("ActSavePicture", QStringLiteral("Save Picture As..."),
                                      QKeySequence(Qt::CTRL | Qt::Key_S));
    ActCopyReadout = CreatePlotAction("ActCopyReadout", QStringLiteral("Copy Readout"), {});
    ActCopyReadout->setEnabled(false);
}

template <typename Handler> void TSchematicForm::Guarded(Handler&& handler) {
    RunGuarded(this, std::forward<Handler>(handler));
}

void TSchematicForm::BindEvents() {
    for (QComboBox* box :
         {CmbBxEndI, CmbBxGridV, CmbBxGridLines, CmbBxEndV, CmbBxRa, CmbBxBplus, CmbBxRk}) {
        // Only the user's typing and picking; the program writing a text raises nothing.
        connect(box->lineEdit(), &QLineEdit::textEdited, this,
                [this, box] { Guarded([this, box] { DrawGridLines(box); }); });
        connect(box, &QComboBox::textActivated, this,
                [this, box] { Guarded([this, box] { DrawGridLines(box); }); });
    }
    for (QToolButton* button :
         {SpdBtnRedraw, SpdBtnImax, SpdBtnWp, SpdBtnVmax, SpdBtnRk, SpdBtnLoadLine}) {
        connect(button, &QToolButton::clicked, this,
                [this, button] { Guarded([this, button] { DrawGridLines(button); }); });
    }
    connect(PaintBox1, &TPaintBox::MouseMoved, this, [this](int X, int Y) {
        Guarded([this, X, Y] { PaintBox1MouseMove(PaintBox1, X, Y); });
    });
    connect(PaintBox1, &TPaintBox::MouseLeft, this, [this] { restingPointer_.reset(); });
    connect(ActCopyPicture, &QAction::triggered, this,
            [this] { Guarded([this] { CopyPictureClick(ActCopyPicture); }); });
    connect(ActSavePicture, &QAction::triggered, this,
            [this] { Guarded([this] { SavePictureClick(ActSavePicture); }); });
    connect(ActCopyReadout, &QAction::triggered, this,
            [this] { Guarded([this] { CopyReadoutClick(ActCopyReadout); }); });
    connect(SpeedButton1, &QPushButton::clicked, this,
            [this] { Guarded([this] { SpeedButton1Click(SpeedButton1); }); });
    static_cast<TClientArea*>(client_)->Resized = [this] { Guarded([this] { FormResize(this); }); };
}

// ---- Handlers -------------------------------------------------------------------------------

void TSchematicForm::FormCreate(QObject*) {
    qApp->installEventFilter(this);
    tube_ = tubemath::TubeParams{};
    limits_ = valvescope::TubeLimits{};
    settings_ = valvescope::PlotSettings{};
    scale_ = valvescope::PlotScale{};
    readout_ = valvescope::Readout{};
}

void TSchematicForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) {
        Guarded([this] { FormShow(this); });
    }
}

void TSchematicForm::FormShow(QObject* Sender) {
    DrawGridLines(Sender);
}

void TSchematicForm::FormResize(QObject* Sender) {
    const QRect plot = PaintBox1->geometry();
    const valvescope::AxisLabelPlaces places = valvescope::PlaceAxisLabels(
        {plot.x(), plot.y(), plot.width(), plot.height()}, Lbl4I->height(), Lbl1V->width());
    const std::array<QLabel*, 4> fromTop = {Lbl4I, Lbl3I, Lbl2I, Lbl1I};
    for (std::size_t k = 0; k < fromTop.size(); ++k) {
        QRect place = fromTop[k]->geometry();
        place.moveTop(places.CurrentTops[k]);
        anchors_->MoveControl(fromTop[k], place);
    }
    for (std::size_t k = 0; k < places.VoltageLefts.size(); ++k) {
        QRect place = voltageLabels_[k]->geometry();
        place.moveLeft(places.VoltageLefts[k]);
        anchors_->MoveControl(voltageLabels_[k], place);
    }
    DrawGridLines(Sender);
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

void TSchematicForm::DrawGridLines(QObject*) {
    redraws_->Stop();
    StatusBar1->clearMessage();
    lastOps_.assign(
        1, {valvescope::DrawOpKind::Blank, PaintBox1->width(), PaintBox1->height(), 0, 0, {}});
    PaintBox1->Blank();
    PaintBox1->repaint();
    const std::array<QComboBox*, 7> inOrder = {CmbBxGridLines, CmbBxGridV, CmbBxEndI, CmbBxEndV,
                                               CmbBxRa,        CmbBxRk,    CmbBxBplus};
    for (QComboBox* box : inOrder) {
        NormalizeDecimalSeparator(box);
    }
    auto text = [](QComboBox* box) { return box->lineEdit()->text().toStdString(); };
    const valvescope::SettingsTexts texts{text(CmbBxGridLines), text(CmbBxGridV), text(CmbBxEndI),
                                          text(CmbBxEndV),      text(CmbBxRa),    text(CmbBxRk),
                                          text(CmbBxBplus)};
    if (!valvescope::TakeSettings(texts, settings_)) {
        return;
    }
    EndVpChange(this);
    EndIChange(this);
    DrawPlot();
}

void TSchematicForm::DrawPlot() {
    const valvescope::RedrawInput input{tube_,          settings_,          limits_,
                                        OverlaysDown(), PaintBox1->width(), PaintBox1->height()};
    redraws_->Start(input, scale_, drawingPatience_);
    if (redraws_->Running()) {
        StatusBar1->showMessage(QStringLiteral("Drawing the curves..."));
    }
}

// What was drawn before a fault stays on screen; the guard shows the error.
void TSchematicForm::PlotDrawn(valvescope::PlotScale scale, valvescope::DrawOps ops,
                               const std::exception_ptr& error) {
    StatusBar1->clearMessage();
    const bool rescaled = scale.VoltsPerPixel != scale_.VoltsPerPixel ||
                          scale.PixelsPerMilliamp != scale_.PixelsPerMilliamp;
    scale_ = scale;
    lastOps_ = std::move(ops);
    PaintOnPlot(lastOps_);
    if (error) {
        std::rethrow_exception(error);
    }
    // The point under a resting pointer now stands for other volts and amperes.
    if (rescaled && restingPointer_) {
        PaintBox1MouseMove(PaintBox1, restingPointer_->x(), restingPointer_->y());
    }
}

void TSchematicForm::FinishDrawing() {
    redraws_->Finish();
}

bool TSchematicForm::Drawing() const {
    return redraws_->Running();
}

void TSchematicForm::PaintOnPlot(const valvescope::DrawOps& ops) {
    if (PaintBox1->Picture().isNull()) {
        return; // not laid out yet: the surface has no pixels until its first resize
    }
    {
        QPainter painter(&PaintBox1->Picture());
        valvescope::PaintDrawOps(painter, ops);
    }
    PaintBox1->PictureChanged();
}

void TSchematicForm::EndVpChange(QObject*) {
    const auto captions = valvescope::VoltageCaptions(CmbBxEndV->lineEdit()->text().toStdString());
    if (!captions) {
        return;
    }
    SetCaptionKeepingLeft(Lbl10V, FromStd((*captions)[9]));
    for (std::size_t k = 9; k-- > 0;) {
        voltageLabels_[k]->setText(FromStd((*captions)[k]));
    }
}

void TSchematicForm::EndIChange(QObject*) {
    const auto axis = valvescope::CurrentCaptions(CmbBxEndI->lineEdit()->text().toStdString());
    if (!axis) {
        return;
    }
    settings_.EndI = axis->EndI;
    for (std::size_t k = currentLabels_.size(); k-- > 0;) {
        SetCaptionKeepingRight(currentLabels_[k], FromStd(axis->Captions[k]));
    }
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

void TSchematicForm::PaintBox1MouseMove(QObject*, int X, int Y) {
    restingPointer_ = QPoint(X, Y);
    const std::optional<std::string> readout = valvescope::PointerReadout(
        tube_, settings_.Rk, scale_, PaintBox1->height(), X, Y, readout_);
    if (!readout) {
        return; // a division by zero ends the readout silently; the last text stays
    }
    // The readout has no short part: all of it goes to the status line.
    SetControlHint(PaintBox1, QStringLiteral("|") + FromStd(*readout));
    ActCopyReadout->setEnabled(true);
    ShowHint(this);
}

void TSchematicForm::CopyPictureClick(QObject*) {
    QGuiApplication::clipboard()->setImage(PaintBox1->Picture());
}

void TSchematicForm::SavePictureClick(QObject*) {
    QString filter;
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save Picture As"), QStringLiteral("valvescope-plot.png"),
        QStringLiteral("PNG image (*.png);;SVG drawing (*.svg);;PDF document (*.pdf)"), &filter);
    if (path.isEmpty()) {
        return;
    }
    // A name typed without an extension takes the one of the chosen file type.
    const qsizetype star = filter.indexOf(QStringLiteral("(*."));
    if (!valvescope::PictureFormatOf(path) && star >= 0) {
        path += filter.mid(star + 2, 4);
    }
    SavePicture(path);
}

QString TSchematicForm::SavePicture(QString path) const {
    std::optional<valvescope::PictureFormat> format = valvescope::PictureFormatOf(path);
    if (!format) {
        path += QStringLiteral(".png");
        format = valvescope::PictureFormat::Png;
    }
    valvescope::WritePicture(path, *format, lastOps_, PaintBox1->size());
    return path;
}

void TSchematicForm::CopyReadoutClick(QObject*) {
    QGuiApplication::clipboard()->setText(ReadoutText());
}

QString TSchematicForm::ReadoutText() const {
    return LongHint(ControlHint(PaintBox1));
}

void TSchematicForm::SpeedButton1Click(QObject*) {
    auto* about = new TAboutBox(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->exec();
}

// ---- Hints ----------------------------------------------------------------------------------

void TSchematicForm::SetControlHint(QWidget* control, const QString& hint) {
    control->setProperty(kHintProperty, hint);
    control->setToolTip(ShortHint(hint));
    if (pointedAt_ && (control == pointedAt_ || control->isAncestorOf(pointedAt_))) {
        TrackHintUnder(pointedAt_);
    }
}

QString TSchematicForm::ControlHint(const QWidget* control) {
    return control->property(kHintProperty).toString();
}

QString TSchematicForm::StatusText() const {
    return statusText_->text();
}

void TSchematicForm::TrackHintUnder(QWidget* widget) {
    // The hint comes from the nearest control that carries one, so the edit field inside a box
    // shows the box's hint; over a control without one the hint is empty.
    pointedAt_ = widget;
    QWidget* owner = widget;
    while (owner && !owner->property(kHintProperty).isValid()) {
        owner = owner->isWindow() ? nullptr : owner->parentWidget();
    }
    const QString hint = owner ? LongHint(ControlHint(owner)) : QString();
    if (hint != applicationHint_) {
        applicationHint_ = hint;
        ShowHint(this);
    }
}

void TSchematicForm::ShowHint(QObject*) {
    statusText_->setText(applicationHint_);
    statusText_->setToolTip(applicationHint_);
}

bool TSchematicForm::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::HoverEnter:
    case QEvent::MouseMove:
        if (watched->isWidgetType()) {
            TrackHintUnder(static_cast<QWidget*>(watched));
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
