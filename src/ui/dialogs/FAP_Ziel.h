// The target price dialog: from a target AEP, KP or AVP back to the input
// prices (FAP, or AEP when the AEP is typed) that give it, for the main
// window's switches and VAT factor as they stand when it opens. The answer is
// the sentence fapkalk-cli reverse prints. "FAP übernehmen" hands the lowest
// price of the answer back to the opener and closes the dialog.
//
// Created once at start-up and only shown and hidden, so the target kind and
// the amount carry over from one opening to the next (they are stored
// nowhere); each opening answers afresh for the switches of that moment.
#pragma once

#include "pricing/engine.h"
#include "ui/dialogs/dialogparts.h"
#include "ui/widgets/Widgets.h"

#include <cstdint>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace fapkalk {

class TRadioGroup;

class TdlgFAP_Ziel : public dialogs::FixedDialog {
    Q_OBJECT

public:
    explicit TdlgFAP_Ziel(QWidget* parent = nullptr);

    // Shows the dialog modally for these switches and VAT factor. Returns the
    // input price to take into the price field ("12.50"), or nothing when the
    // dialog was closed without taking one.
    std::optional<std::string> ExecFor(const CalcOptions& options, double vatFactor);

    // ---- Handlers.
    // Shows the answer for the target kind and amount (Enter, "Berechnen").
    void btBerechnenClick();
    // Takes the offered input price and closes the dialog.
    void btUebernehmenClick();
    // Closes the dialog without taking a price (also Esc and the close box).
    void btSchliessenClick();

    // ---- Controls, in tab order.
    TRadioGroup* rgZiel = nullptr; // 0 AEP, 1 KP, 2 AVP
    QLabel* lbBetrag = nullptr;    // "Bet&rag:", names eZielpreis
    QLineEdit* eZielpreis = nullptr;
    QPushButton* btBerechnen = nullptr;
    QPushButton* btUebernehmen = nullptr; // "FAP &übernehmen" or "AEP &übernehmen"
    QPushButton* btSchliessen = nullptr;
    QLabel* lbEinstellung = nullptr; // the switches and VAT rate the answer is for
    QLabel* lbAntwort = nullptr;     // the answer, or why there is none

    static constexpr int kClientWidth = 400;
    static constexpr int kClientHeight = 206;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The answer no longer belongs to what the fields show: no answer, nothing to take.
    void ClearAnswer();
    void ShowAnswer(const QString& text, bool problem);

    CalcOptions options_;
    double vatFactor_ = kDefaultVatFactor;
    std::optional<std::int64_t> offeredCents_;
};

inline constexpr LayoutEntry kZielLayout[] = {
    {"rgZiel", "dlgFAP_Ziel", 8, 4, 384, 45},
    {"lbBetrag", "dlgFAP_Ziel", 16, 64, kFitContent, kFitContent},
    {"eZielpreis", "dlgFAP_Ziel", 88, 60, 80, 24},
    {"btBerechnen", "dlgFAP_Ziel", 184, 60, 89, 25},
    {"lbEinstellung", "dlgFAP_Ziel", 16, 94, 368, 16},
    {"lbAntwort", "dlgFAP_Ziel", 16, 114, 368, 50},
    {"btUebernehmen", "dlgFAP_Ziel", 160, 174, 129, 25},
    {"btSchliessen", "dlgFAP_Ziel", 297, 174, 95, 25},
};

} // namespace fapkalk
