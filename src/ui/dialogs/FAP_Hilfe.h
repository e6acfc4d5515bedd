// The notes dialog: explains the calculation switches of the main window.
#pragma once

#include "ui/dialogs/dialogparts.h"

class QFrame;
class QLabel;
class QPushButton;

class TdlgFAP_Hilfe : public dialogs::FixedDialog {
    Q_OBJECT
public:
    explicit TdlgFAP_Hilfe(QWidget* parent = nullptr);

    void BitBtn1Click();

    QFrame* Bevel1;
    QLabel* Label13;
    QLabel* Label14;
    QLabel* Label15;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label16;
    QLabel* Label17;
    QLabel* Label11;
    QLabel* Label12;
    QPushButton* BitBtn1;
};
