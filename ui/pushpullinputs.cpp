#include "ui/pushpullinputs.h"

#include "core/tube/library.h"
#include "core/tube/tube.h"
#include "ui/qtext.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include <initializer_list>

namespace {

QLabel* BuddyLabel(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

QLineEdit* NumberEdit(const char* name, const char* accessible, const char* tip) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromUtf8(name));
    edit->setAccessibleName(QString::fromUtf8(accessible));
    edit->setToolTip(QString::fromUtf8(tip));
    edit->setMaximumWidth(80);
    return edit;
}

QComboBox* ChoiceBox(const char* name, const char* accessible,
                     std::initializer_list<const char*> items) {
    auto* box = new QComboBox;
    box->setObjectName(QString::fromUtf8(name));
    box->setAccessibleName(QString::fromUtf8(accessible));
    for (const char* item : items) {
        box->addItem(QString::fromUtf8(item));
    }
    return box;
}

} // namespace

TPushPullInputs::TPushPullInputs(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PushPullInputs"));
    BuildFields();
    for (QLineEdit* edit : {raa_, vg_, drive_, screenVolts_, tap_}) {
        connect(edit, &QLineEdit::textChanged, this, &TPushPullInputs::Changed);
    }
    for (QComboBox* box : {bias_, screen_}) {
        connect(box, &QComboBox::currentIndexChanged, this, [this] {
            EnableFields();
            emit Changed();
        });
    }
    connect(tubeB_, &QComboBox::currentTextChanged, this, &TPushPullInputs::Changed);
    EnableFields();
}

void TPushPullInputs::BuildFields() {
    raa_ = NumberEdit("EdtRaa", "Raa, plate to plate load in ohms",
                      "The output transformer's primary load, plate to plate");
    bias_ = ChoiceBox("CmbBxBias", "Bias", {"Fixed (Vg)", "Cathode (Rk)"});
    vg_ =
        NumberEdit("EdtVg", "Vg, grid bias in volts", "The grids' voltage to the cathode at rest");
    drive_ = NumberEdit("EdtPushPullDrive", "Vin, peak grid drive in volts",
                        "The peak drive of each grid; blank: a grid just reaches 0 V at its peak");
    screen_ = ChoiceBox("CmbBxScreen", "Screen", {"Supply", "Ultralinear", "Triode-connected"});
    screenVolts_ = NumberEdit("EdtScreenV", "Screen supply in volts",
                              "The screens' voltage to the cathode at rest; blank: the tube's own");
    tap_ = NumberEdit("EdtTap", "Ultralinear tap",
                      "The screen tap's share of each half-primary, 0 to 1");
    tubeB_ = new QComboBox;
    tubeB_->setObjectName(QStringLiteral("CmbBxTubeB"));
    tubeB_->setAccessibleName(QStringLiteral("Tube B, a tube file or library name"));
    tubeB_->setToolTip(QStringLiteral("The second tube of a mismatched pair: a library name or a "
                                      "tube file; blank: the same tube"));
    tubeB_->setEditable(true);
    tubeB_->setInsertPolicy(QComboBox::NoInsert);
    tubeB_->addItem(QString());
    tubeB_->addItem(FromStd(valvescope::Builtin807().Name));
    for (const valvescope::LibraryTube& entry : valvescope::TubeLibrary()) {
        tubeB_->addItem(QString::fromUtf8(entry.Name.data(), static_cast<int>(entry.Name.size())));
    }
    tubeB_->setMinimumWidth(110);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    const auto put = [grid](int row, int column, const char* label, QWidget* field,
                            const char* unit) {
        grid->addWidget(BuddyLabel(QString::fromUtf8(label), field), row, column);
        grid->addWidget(field, row, column + 1);
        if (*unit) {
            grid->addWidget(new QLabel(QString::fromUtf8(unit)), row, column + 2);
        }
    };
    put(0, 0, "R&aa", raa_, "ohm");
    put(0, 3, "&Bias", bias_, "");
    put(0, 6, "V&g", vg_, "V");
    put(0, 9, "V&in", drive_, "V peak");
    put(1, 0, "Scr&een", screen_, "");
    put(1, 3, "Screen &V", screenVolts_, "V");
    put(1, 6, "&Tap", tap_, "");
    put(1, 9, "T&ube B", tubeB_, "");
    grid->setColumnStretch(12, 1);
    QWidget* order[] = {raa_, bias_, vg_, drive_, screen_, screenVolts_, tap_, tubeB_};
    for (std::size_t k = 1; k < std::size(order); ++k) {
        setTabOrder(order[k - 1], order[k]);
    }
}

QWidget* TPushPullInputs::FirstField() const {
    return raa_;
}

QWidget* TPushPullInputs::LastField() const {
    return tubeB_;
}

void TPushPullInputs::EnableFields() {
    vg_->setEnabled(bias_->currentIndex() == 0);
    screen_->setEnabled(screenGrid_);
    screenVolts_->setEnabled(screenGrid_ && screen_->currentIndex() == 0);
    tap_->setEnabled(screenGrid_ && screen_->currentIndex() == 1);
}

void TPushPullInputs::SetScreenGrid(bool present) {
    screenGrid_ = present;
    EnableFields();
}

valvescope::PushPullTexts TPushPullInputs::Texts() const {
    valvescope::PushPullTexts texts;
    texts.Raa = raa_->text().toStdString();
    texts.Bias = bias_->currentIndex() == 1 ? valvescope::PushPullBias::Cathode
                                            : valvescope::PushPullBias::Fixed;
    texts.Vg = vg_->text().toStdString();
    texts.Drive = drive_->text().toStdString();
    const int screen = screen_->currentIndex();
    texts.Screen = screen == 1   ? valvescope::ScreenFeed::Ultralinear
                   : screen == 2 ? valvescope::ScreenFeed::TriodeConnected
                                 : valvescope::ScreenFeed::Supply;
    texts.ScreenVolts = screenVolts_->text().toStdString();
    texts.Tap = tap_->text().toStdString();
    texts.TubeB = tubeB_->currentText().toStdString();
    return texts;
}

void TPushPullInputs::SetTexts(const valvescope::PushPullTexts& texts) {
    const QSignalBlocker blocks[] = {QSignalBlocker(raa_),    QSignalBlocker(bias_),
                                     QSignalBlocker(vg_),     QSignalBlocker(drive_),
                                     QSignalBlocker(screen_), QSignalBlocker(screenVolts_),
                                     QSignalBlocker(tap_),    QSignalBlocker(tubeB_)};
    raa_->setText(FromStd(texts.Raa));
    bias_->setCurrentIndex(texts.Bias == valvescope::PushPullBias::Cathode ? 1 : 0);
    vg_->setText(FromStd(texts.Vg));
    drive_->setText(FromStd(texts.Drive));
    screen_->setCurrentIndex(texts.Screen == valvescope::ScreenFeed::Ultralinear       ? 1
                             : texts.Screen == valvescope::ScreenFeed::TriodeConnected ? 2
                                                                                       : 0);
    screenVolts_->setText(FromStd(texts.ScreenVolts));
    tap_->setText(FromStd(texts.Tap));
    tubeB_->setEditText(FromStd(texts.TubeB));
    EnableFields();
}
