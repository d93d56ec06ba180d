// The main window's controls: built here, in their designed places, with their names, hints and
// item lists. Only the main window holds this struct; others find a control by its name.
#pragma once

#include "core/settings/intake.h"

#include <QSize>

#include <array>
#include <string>

class QComboBox;
class QFrame;
class QLabel;
class QMainWindow;
class QPushButton;
class QStatusBar;
class QToolButton;
class QWidget;
class TAnchorLayout;
class THintTracker;
class TPaintBox;

// The client area's designed size, above the status line, and the status line's height.
inline const QSize kDesignedClientArea(510, 339);
inline constexpr int kStatusLineHeight = 28;

struct TFormControls {
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
    // The seven boxes, CmbBxEndI first, in the order of their table (kSettingsBoxes).
    std::array<QComboBox*, 7> SettingsBoxes{};
    QPushButton* SpeedButton1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusText = nullptr;

    std::array<QLabel*, 10> VoltageLabels{}; // Lbl1V first
    std::array<QLabel*, 5> CurrentLabels{};  // Lbl1I first

    // The box that holds `text`.
    QComboBox* Box(std::string valvescope::SettingsTexts::*text) const;
    // The five overlay toggles: Imax, Wp, Vmax, Rk, load line.
    std::array<QToolButton*, 5> Toggles() const;
};

// Builds every control on `client`, placed by `anchors`, their hints kept by `hints`; the status
// line goes to `window`.
TFormControls BuildFormControls(QMainWindow& window, QWidget& client, TAnchorLayout& anchors,
                                THintTracker& hints);
