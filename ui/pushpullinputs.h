// The push-pull stage's own inputs in the Operating Point window: Raa, the bias (fixed at Vg or
// a shared cathode resistor), the peak drive, how the screens are fed, and the second tube of a
// mismatched pair. It holds their texts; what they mean is the analysis' to judge.
#pragma once

#include "core/design/stagetexts.h"

#include <QWidget>

class QComboBox;
class QLineEdit;

class TPushPullInputs : public QWidget {
    Q_OBJECT

public:
    explicit TPushPullInputs(QWidget* parent = nullptr);

    // The fields' texts as they stand, and new ones put in without telling Changed.
    valvescope::PushPullTexts Texts() const;
    void SetTexts(const valvescope::PushPullTexts& texts);
    // The screen's fields mean something for a screen-grid tube only.
    void SetScreenGrid(bool present);

    QLineEdit* RaaEdit() const { return raa_; }
    QComboBox* BiasBox() const { return bias_; }
    QLineEdit* VgEdit() const { return vg_; }
    QLineEdit* DriveEdit() const { return drive_; }
    QComboBox* ScreenBox() const { return screen_; }
    QLineEdit* ScreenVoltsEdit() const { return screenVolts_; }
    QLineEdit* TapEdit() const { return tap_; }
    QComboBox* TubeBBox() const { return tubeB_; }
    // The first field, and the last, in the window's tab order.
    QWidget* FirstField() const;
    QWidget* LastField() const;

signals:
    void Changed();

private:
    void BuildFields();
    void EnableFields();

    bool screenGrid_ = false;
    QLineEdit* raa_ = nullptr;
    QComboBox* bias_ = nullptr;
    QLineEdit* vg_ = nullptr;
    QLineEdit* drive_ = nullptr;
    QComboBox* screen_ = nullptr;
    QLineEdit* screenVolts_ = nullptr;
    QLineEdit* tap_ = nullptr;
    QComboBox* tubeB_ = nullptr;
};
