// The About dialog: a product page and a disclaimer page behind a toggle.

#include "about/aboutbox.h"

#include <QColor>
#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QSvgRenderer>
#include <QVBoxLayout>

namespace {

QFont PixelFont(const QString& family, int pixels, bool bold = false) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

void Name(QWidget* widget, const QString& name) {
    widget->setObjectName(name);
    widget->setAccessibleName(name);
}

// A label sized to its text with its top-left corner at (x, y).
QLabel* PlaceLabel(QWidget* parent, const QString& name, const QString& text, const QFont& font,
                   int x, int y) {
    auto* label = new QLabel(text, parent);
    Name(label, name);
    label->setFont(font);
    label->setContentsMargins(0, 0, 0, 0);
    label->adjustSize();
    label->move(x, y);
    return label;
}

// A word-wrapped label of fixed width whose height follows its text.
QLabel* PlaceWrappedLabel(QWidget* parent, const QString& name, const QString& text,
                          const QFont& font, int x, int y, int width) {
    auto* label = new QLabel(text, parent);
    Name(label, name);
    label->setFont(font);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setContentsMargins(0, 0, 0, 0);
    label->setGeometry(x, y, width, label->heightForWidth(width));
    return label;
}

// The lowered bevel that fills a notebook page.
QFrame* AddBevel(QWidget* page, const QString& name) {
    auto* bevel = new QFrame(page);
    Name(bevel, name);
    bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bevel->setLineWidth(1);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bevel);
    return bevel;
}

} // namespace

QIcon ProgramIcon() {
    QSvgRenderer renderer(QStringLiteral(":/valvescope.svg"));
    QIcon icon;
    if (!renderer.isValid())
        return icon;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter, QRectF(0, 0, size, size));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

TAboutBox::TAboutBox(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("AboutBox"));
    setAccessibleName(QStringLiteral("About Valvescope"));
    setWindowTitle(QStringLiteral("About Valvescope"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(338, 256);

    Notebook1 = new QStackedWidget(this);
    Name(Notebook1, QStringLiteral("Notebook1"));
    Notebook1->setGeometry(8, 8, 321, 209);
    Notebook1->addWidget(MakeDefaultPage());
    Notebook1->addWidget(MakeDisclaimerPage());
    Notebook1->setCurrentIndex(0);

    const QFont buttonFont = PixelFont(QStringLiteral("Arial"), 13, true);

    SpeedButton1 = new QPushButton(QStringLiteral("DISCLAIMER"), this);
    Name(SpeedButton1, QStringLiteral("SpeedButton1"));
    SpeedButton1->setGeometry(8, 226, 145, 25);
    SpeedButton1->setFont(buttonFont);
    SetTextColour(SpeedButton1, Qt::red);
    SpeedButton1->setCheckable(true);
    SpeedButton1->setAutoDefault(false);
    SpeedButton1->setDefault(false);
    SpeedButton1->setFocusPolicy(Qt::TabFocus);
    connect(SpeedButton1, &QPushButton::toggled, this, &TAboutBox::SpeedButton1Click);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    Name(OKButton, QStringLiteral("OKButton"));
    OKButton->setGeometry(240, 226, 89, 25);
    OKButton->setFont(buttonFont);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    OKButton->setFocus();

    CentreOnScreen();
}

void TAboutBox::SpeedButton1Click(bool down) {
    Notebook1->setCurrentIndex(down ? 1 : 0);
}

void TAboutBox::CentreOnScreen() {
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
}

QWidget* TAboutBox::MakeDefaultPage() {
    auto* page = new QWidget;
    Name(page, QStringLiteral("Default"));
    QFrame* bevel = AddBevel(page, QStringLiteral("Bevel1"));

    auto* icon = new QLabel(bevel);
    Name(icon, QStringLiteral("ProgramIcon"));
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    icon->setGeometry(13, 28, 32, 32);

    // The title is written three times; the blue copy on top, the others as its shadow.
    const QFont titleFont = PixelFont(QStringLiteral("Times New Roman"), 25, true);
    const QString title = QStringLiteral("Valvescope for the 807");
    SetTextColour(PlaceLabel(bevel, QStringLiteral("ProductShadow1"), title, titleFont, 50, 30),
                  QColor(0x00, 0x80, 0x80));
    SetTextColour(PlaceLabel(bevel, QStringLiteral("ProductShadow2"), title, titleFont, 51, 31),
                  Qt::black);
    SetTextColour(PlaceLabel(bevel, QStringLiteral("ProductName"), title, titleFont, 49, 30),
                  Qt::blue);

    PlaceLabel(bevel, QStringLiteral("Version"), QStringLiteral("Version 1"),
               PixelFont(QStringLiteral("Arial"), 13), 139, 67);

    QFont logoFont = PixelFont(QStringLiteral("Times New Roman"), 33, true);
    logoFont.setItalic(true);
    SetTextColour(
        PlaceLabel(bevel, QStringLiteral("Logo"), QStringLiteral("Kestrelon"), logoFont, 97, 98),
        QColor(0x00, 0x00, 0x80));

    const QFont smallFont = PixelFont(QStringLiteral("Arial"), 11);
    auto* tagline = new QLabel(QStringLiteral("Tools for tube-amp builders"), bevel);
    Name(tagline, QStringLiteral("Tagline"));
    tagline->setFont(smallFont);
    tagline->setAlignment(Qt::AlignCenter);
    tagline->setAutoFillBackground(true);
    QPalette bar = tagline->palette();
    bar.setColor(QPalette::Window, Qt::black);
    bar.setColor(QPalette::WindowText, Qt::white);
    tagline->setPalette(bar);
    tagline->setGeometry(96, 134, 137, tagline->sizeHint().height() + 2);

    PlaceLabel(bevel, QStringLiteral("WebAddress"), QStringLiteral("www.kestrelon.example"),
               smallFont, 87, 158);
    PlaceLabel(bevel, QStringLiteral("Notice"),
               QStringLiteral("Copyright \u00A9 Kestrelon. All rights reserved."), smallFont, 62,
               189);
    return page;
}

QWidget* TAboutBox::MakeDisclaimerPage() {
    auto* page = new QWidget;
    Name(page, QStringLiteral("1"));
    QFrame* bevel = AddBevel(page, QStringLiteral("Bevel2"));

    SetTextColour(PlaceLabel(bevel, QStringLiteral("DisclaimerTitle"), QStringLiteral("DISCLAIMER"),
                             PixelFont(QStringLiteral("Arial"), 21, true), 96, 24),
                  QColor(0x80, 0x00, 0x00));

    const QFont textFont = PixelFont(QStringLiteral("Arial"), 13);
    PlaceWrappedLabel(bevel, QStringLiteral("Disclaimer"),
                      QStringLiteral("This program is intended for amusement and instructional "
                                     "purposes\u2014solely. We at Kestrelon assume no "
                                     "responsibility for the use of any of the information "
                                     "provided. Use at your own risk."),
                      textFont, 16, 56, 289);
    PlaceWrappedLabel(bevel, QStringLiteral("Warning"),
                      QStringLiteral("Much of what is detailed in this program refers to "
                                     "potentially lethal voltages. Always let an electronically "
                                     "trained person review what you are planning on building "
                                     "and what you have built. "),
                      textFont, 16, 128, 289);
    return page;
}
