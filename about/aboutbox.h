// The modal About dialog with its disclaimer page, and the program's icon.
#pragma once

#include <QDialog>
#include <QIcon>

class QStackedWidget;
class QPushButton;

// The program's icon, drawn from its scalable picture.
QIcon ProgramIcon();

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    // Created with the main window as owner; frees itself when it closes.
    explicit TAboutBox(QWidget* owner = nullptr);

private:
    void SpeedButton1Click(bool down);

    QWidget* MakeDefaultPage();
    QWidget* MakeDisclaimerPage();
    void CentreOnScreen();

    QStackedWidget* Notebook1 = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QPushButton* OKButton = nullptr;
};
