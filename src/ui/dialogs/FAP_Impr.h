// The imprint dialog: names the publisher and doubles as the start screen,
// closing itself once, four seconds after it was created.
#pragma once

#include "ui/dialogs/dialogparts.h"

#include <chrono>

class QLabel;
class QPushButton;
class QTimer;

namespace fapkalk {
class ClickLabel;
}

// The texts of the imprint built from the publisher's data.
struct ImprintTexts {
    QString nameLine1, nameLine2, address, phone, fax, email, web, copyright;
};
ImprintTexts ImprintTextsFromPublisher();

// The web address as the imprint shows it: without "http://" or "https://", in capitals.
QString ImprintWebText(const QString& address);

// How long the start screen stays after the dialog was created.
inline constexpr std::chrono::milliseconds kImprintAutoClose{4000};

class TdlgFAPIMPressum : public dialogs::FixedDialog {
    Q_OBJECT
public:
    // autoClose: the program keeps kImprintAutoClose; tests pass a shorter time.
    explicit TdlgFAPIMPressum(QWidget* parent = nullptr,
                              std::chrono::milliseconds autoClose = kImprintAutoClose);

    void OKBtnClick();
    void Timer1Timer();
    void labWWWClick();
    void labemailClick();

    QLabel* Image1;
    QLabel* Label1;
    QLabel* LabZeile4;
    QLabel* LabZeile5;
    QLabel* LabZeile6;
    QLabel* labZeile8;
    QLabel* Label6;
    QLabel* Label5;
    fapkalk::ClickLabel* labemail;
    QLabel* Label4;
    fapkalk::ClickLabel* labWWW;
    QLabel* LabCopyr;
    QPushButton* OKBtn;
    QTimer* Timer1;

protected:
    void showEvent(QShowEvent* event) override;
};
