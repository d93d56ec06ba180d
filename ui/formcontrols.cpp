#include "ui/formcontrols.h"

#include "core/layout/anchoring.h"
#include "core/settings/settingsboxes.h"
#include "ui/anchorlayout.h"
#include "ui/formwidgets.h"
#include "ui/hinttracker.h"
#include "ui/overlayglyphs.h"
#include "ui/paintbox.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

using valvescope::Anchors;
using valvescope::SettingsTexts;

namespace {

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

QString CaptionWithoutAccelerator(QString caption) {
    return caption.remove(u'&');
}

class TControlBuilder {
public:
    TControlBuilder(QMainWindow& window, QWidget& client, TAnchorLayout& anchors,
                    THintTracker& hints)
        : window_(window), client_(client), anchors_(anchors), hints_(hints) {}

    TFormControls Build() {
        CreateButtonRow();
        CreatePlot();
        CreateAxisLabels();
        CreateSettingsBoxes();
        CreateStatusLine();
        // The hint areas lie over the axis labels, the plot over everything around it.
        c_.ShapeI->raise();
        c_.ShapeV->raise();
        c_.PaintBox1->raise();
        return c_;
    }

private:
    void CreateButtonRow();
    void CreatePlot();
    void CreateAxisLabels();
    void CreateSettingsBoxes();
    void CreateStatusLine();
    QComboBox* CreateSettingsBox(const char* name, const QString& caption, const QRect& place,
                                 const QString& text, const QString& hint);
    QToolButton* CreateSpeedButton(const char* name, const QString& caption, const QRect& place,
                                   const QString& hint);
    QLabel* CreateAxisLabel(const char* name, const QString& caption, const QRect& place,
                            Qt::Alignment alignment, Anchors anchors);

    QMainWindow& window_;
    QWidget& client_;
    TAnchorLayout& anchors_;
    THintTracker& hints_;
    TFormControls c_;
};

QToolButton* TControlBuilder::CreateSpeedButton(const char* name, const QString& caption,
                                                const QRect& place, const QString& hint) {
    auto* button = new QToolButton(&client_);
    button->setObjectName(QString::fromUtf8(name));
    button->setText(caption);
    button->setAccessibleName(caption.trimmed());
    button->setAutoRaise(true);
    // Reached by Tab after the boxes and pressed with Space; a click leaves the focus where it was.
    button->setFocusPolicy(Qt::TabFocus);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setIconSize(QSize(12, 12));
    hints_.SetControlHint(button, hint);
    anchors_.AddControl(button, place, kLeftTop);
    return button;
}

void TControlBuilder::CreateButtonRow() {
    auto* topLine = new TBevelLine(&client_, true);
    topLine->setObjectName(QStringLiteral("TopLine"));
    topLine->setAccessibleName(QStringLiteral("Separator"));
    anchors_.AddControl(topLine, QRect(0, 0, kDesignedClientArea.width(), 25), kLeftTopRight);

    c_.SpdBtnRedraw =
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
        {c_.SpdBtnImax, "SpdBtnImax", "Imax", QRect(98, 0, 52, 23), Glyph::CurrentLine,
         "|Press to see the maximuim current specified for this tube."},
        {c_.SpdBtnWp, "SpdBtnWp", " Wp ", QRect(151, 0, 48, 23), Glyph::PowerCurve,
         "|Press to see the maximuim wattage dissipation specified for this tube."},
        {c_.SpdBtnVmax, "SpdBtnVmax", "Vmax", QRect(200, 0, 55, 23), Glyph::VoltageLine,
         "|Press to see the maximuim voltage specified for this tube."},
        {c_.SpdBtnRk, "SpdBtnRk", "Rk Bias Line", QRect(256, 0, 95, 23), Glyph::BiasLine,
         "|Press to see the bias line imposed by the cathode resistor."},
        {c_.SpdBtnLoadLine, "SpdBtnLoadLine", "Ra Load Line", QRect(352, 0, 98, 23),
         Glyph::LoadLine, "|Press to see the load line imposed by the plate load resistor."},
    };
    for (const Toggle& toggle : toggles) {
        toggle.button = CreateSpeedButton(toggle.name, QString::fromUtf8(toggle.caption),
                                          toggle.place, QString::fromUtf8(toggle.hint));
        toggle.button->setCheckable(true);
        toggle.button->setIcon(OverlayGlyph(toggle.glyph));
    }
}

void TControlBuilder::CreatePlot() {
    c_.PlotFrame = new QFrame(&client_);
    c_.PlotFrame->setObjectName(QStringLiteral("PlotFrame"));
    c_.PlotFrame->setAccessibleName(QStringLiteral("Plot frame"));
    c_.PlotFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    c_.PlotFrame->setLineWidth(1);
    anchors_.AddControl(c_.PlotFrame, QRect(36, 31, 465, 226), kAllSides);

    // Blank, the surface looks like the white plot background with its black border.
    c_.PaintBox1 = new TPaintBox(&client_);
    c_.PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    c_.PaintBox1->setAccessibleName(QStringLiteral("Plate characteristics"));
    anchors_.AddControl(c_.PaintBox1, QRect(37, 32, 462, 224), kAllSides);

    c_.ShapeI = new QWidget(&client_);
    c_.ShapeI->setObjectName(QStringLiteral("ShapeI"));
    c_.ShapeI->setAccessibleName(QStringLiteral("Plate Current"));
    hints_.SetControlHint(c_.ShapeI, QStringLiteral("|Plate Current"));
    anchors_.AddControl(c_.ShapeI, QRect(7, 27, 31, 232), kLeftTopBottom);

    c_.ShapeV = new QWidget(&client_);
    c_.ShapeV->setObjectName(QStringLiteral("ShapeV"));
    c_.ShapeV->setAccessibleName(QStringLiteral("Plate Voltage"));
    hints_.SetControlHint(c_.ShapeV, QStringLiteral("|Plate Voltage"));
    anchors_.AddControl(c_.ShapeV, QRect(32, 256, 468, 17), kLeftRightBottom);
}

QLabel* TControlBuilder::CreateAxisLabel(const char* name, const QString& caption,
                                         const QRect& place, Qt::Alignment alignment,
                                         Anchors anchors) {
    auto* label = new QLabel(caption, &client_);
    label->setObjectName(QString::fromUtf8(name));
    label->setFont(ArialOfPixels(9));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kNavy);
    label->setPalette(palette);
    label->setAlignment(alignment | Qt::AlignVCenter);
    anchors_.AddControl(label, place, anchors);
    return label;
}

void TControlBuilder::CreateAxisLabels() {
    const QFontMetrics metrics(ArialOfPixels(9));
    auto textWidth = [&metrics](const QString& text) { return metrics.horizontalAdvance(text); };

    const char* voltageNames[] = {"Lbl1V", "Lbl2V", "Lbl3V", "Lbl4V", "Lbl5V",
                                  "Lbl6V", "Lbl7V", "Lbl8V", "Lbl9V"};
    const int voltageLefts[] = {77, 119, 165, 211, 258, 304, 349, 395, 442};
    for (int k = 0; k < 9; ++k) {
        c_.VoltageLabels[k] =
            CreateAxisLabel(voltageNames[k], QStringLiteral("%1v").arg(50 * (k + 1)),
                            QRect(voltageLefts[k], 259, kVoltageLabelWidth, kAxisLabelHeight),
                            Qt::AlignHCenter, kBottom);
    }
    const QString endVoltage = QStringLiteral("500v");
    c_.VoltageLabels[9] = CreateAxisLabel("Lbl10V", endVoltage,
                                          QRect(486, 259, textWidth(endVoltage), kAxisLabelHeight),
                                          Qt::AlignHCenter, kRightBottom);
    std::tie(c_.Lbl1V, c_.Lbl2V, c_.Lbl3V, c_.Lbl4V, c_.Lbl5V, c_.Lbl6V, c_.Lbl7V, c_.Lbl8V,
             c_.Lbl9V, c_.Lbl10V) = std::tuple_cat(c_.VoltageLabels);

    const QString zero = QStringLiteral("0");
    c_.LblZero = CreateAxisLabel("LblZero", zero, QRect(31, 259, textWidth(zero), kAxisLabelHeight),
                                 Qt::AlignRight, kLeftBottom);

    const QString fullCurrent = QStringLiteral("100mA");
    c_.CurrentLabels[4] = CreateAxisLabel("Lbl5I", fullCurrent,
                                          QRect(5, 31, textWidth(fullCurrent), kAxisLabelHeight),
                                          Qt::AlignRight, kLeftTop);
    const char* currentNames[] = {"Lbl1I", "Lbl2I", "Lbl3I", "Lbl4I"};
    const int currentTops[] = {184, 144, 102, 61};
    for (int k = 0; k < 4; ++k) {
        const QString caption = QStringLiteral("%1mA").arg(20 * (k + 1));
        c_.CurrentLabels[k] = CreateAxisLabel(
            currentNames[k], caption,
            QRect(10, currentTops[k], textWidth(caption), kAxisLabelHeight), Qt::AlignRight, kLeft);
    }
    std::tie(c_.Lbl1I, c_.Lbl2I, c_.Lbl3I, c_.Lbl4I, c_.Lbl5I) = std::tuple_cat(c_.CurrentLabels);
}

QComboBox* TControlBuilder::CreateSettingsBox(const char* name, const QString& caption,
                                              const QRect& place, const QString& text,
                                              const QString& hint) {
    auto* box = new QComboBox(&client_);
    box->setObjectName(QString::fromUtf8(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    box->setAccessibleName(CaptionWithoutAccelerator(caption));
    box->setEditText(text);
    hints_.SetControlHint(box, hint);
    anchors_.AddControl(box, place, kLeftBottom);

    auto* label = new QLabel(caption, &client_);
    label->setObjectName(QStringLiteral("Caption") + QString::fromUtf8(name).mid(5));
    label->setFont(ArialOfPixels(11, true));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(box);
    const int width = label->sizeHint().width();
    constexpr int gap = 4;
    anchors_.AddControl(
        label, QRect(place.left() - gap - width, place.top(), width, place.height()), kLeftBottom);
    return box;
}

void TControlBuilder::CreateSettingsBoxes() {
    auto* lowerLine = new TBevelLine(&client_, false);
    lowerLine->setObjectName(QStringLiteral("LowerLine"));
    lowerLine->setAccessibleName(QStringLiteral("Separator"));
    anchors_.AddControl(lowerLine, QRect(0, 275, kDesignedClientArea.width(), 9), kLeftRightBottom);

    const QSize boxSize(66, 23);
    for (std::size_t k = 0; k < valvescope::kSettingsBoxes.size(); ++k) {
        const valvescope::SettingsBox& row = valvescope::kSettingsBoxes[k];
        QComboBox* box = CreateSettingsBox(
            row.ObjectName, QString::fromUtf8(row.Label), QRect(QPoint(row.Left, row.Top), boxSize),
            QString::fromUtf8(row.StartText), QString::fromUtf8(row.Hint));
        const QString text = box->currentText();
        for (const std::string& item : row.Items()) {
            box->addItem(QString::fromStdString(item));
        }
        box->setEditText(text);
        c_.SettingsBoxes[k] = box;
    }
    // Tab takes the boxes in the window's order.
    const std::array<QComboBox*, 7>& boxes = c_.SettingsBoxes;
    for (std::size_t k = 1; k < boxes.size(); ++k) {
        QWidget::setTabOrder(boxes[k - 1], boxes[k]);
    }

    c_.SpeedButton1 = new QPushButton(QStringLiteral("About"), &client_);
    c_.SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    c_.SpeedButton1->setAccessibleName(QStringLiteral("About"));
    c_.SpeedButton1->setFont(ArialOfPixels(12, true));
    c_.SpeedButton1->setFocusPolicy(Qt::TabFocus);
    hints_.SetControlHint(
        c_.SpeedButton1,
        QStringLiteral("About Valvescope| Press to see information about this program."));
    anchors_.AddControl(c_.SpeedButton1, QRect(432, 312, 64, 22), kLeftBottom);

    // After the seven boxes, Tab goes on through the button row and "About".
    QWidget* previous = c_.SettingsBoxes.back();
    for (QWidget* button :
         std::initializer_list<QWidget*>{c_.SpdBtnRedraw, c_.SpdBtnImax, c_.SpdBtnWp, c_.SpdBtnVmax,
                                         c_.SpdBtnRk, c_.SpdBtnLoadLine, c_.SpeedButton1}) {
        QWidget::setTabOrder(previous, button);
        previous = button;
    }
}

void TControlBuilder::CreateStatusLine() {
    c_.StatusBar1 = new QStatusBar(&window_);
    c_.StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    c_.StatusBar1->setAccessibleName(QStringLiteral("Status line"));
    c_.StatusBar1->setFixedHeight(kStatusLineHeight);
    c_.StatusText = new TStatusText(c_.StatusBar1);
    c_.StatusText->setObjectName(QStringLiteral("StatusBar1Text"));
    c_.StatusText->setAccessibleName(QStringLiteral("Status"));
    c_.StatusBar1->addWidget(c_.StatusText, 1);
    window_.setStatusBar(c_.StatusBar1);
}

} // namespace

QComboBox* TFormControls::Box(std::string SettingsTexts::*text) const {
    for (std::size_t k = 0; k < valvescope::kSettingsBoxes.size(); ++k) {
        if (valvescope::kSettingsBoxes[k].Text == text) {
            return SettingsBoxes[k];
        }
    }
    return nullptr;
}

std::array<QToolButton*, 5> TFormControls::Toggles() const {
    return {SpdBtnImax, SpdBtnWp, SpdBtnVmax, SpdBtnRk, SpdBtnLoadLine};
}

TFormControls BuildFormControls(QMainWindow& window, QWidget& client, TAnchorLayout& anchors,
                                THintTracker& hints) {
    return TControlBuilder(window, client, anchors, hints).Build();
}
