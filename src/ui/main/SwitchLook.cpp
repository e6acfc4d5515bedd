#include "ui/main/SwitchLook.h"

namespace fapkalk {

QColor SwitchCaptionColour(const CalcOptions& options, SwitchButton button) {
    if (!SwitchIsOn(options, button))
        return QColor(0, 0, 0);
    return button == SwitchButton::FapAep ? QColor(0, 0, 255) : QColor(255, 0, 0);
}

QColor VatFieldColour(VatRateKind kind) {
    switch (kind) {
    case VatRateKind::Standard:
        return QColor(0, 255, 0);
    case VatRateKind::Higher:
        return QColor(255, 255, 0);
    case VatRateKind::Deviating:
        break;
    }
    return QColor(255, 0, 0);
}

FapAepCaptions CaptionsForInput(bool aepInput, bool rangeMode) {
    if (rangeMode)
        // The range layout names the kind of price in the group caption; the
        // label left of the field keeps "Von".
        return {aepInput ? QStringLiteral("Apothekeneinkaufspreis:")
                         : QStringLiteral("Fabriksabgabepreis:"),
                std::nullopt};
    return {QString(),
            aepInput ? QStringLiteral("Einkaufspreis:") : QStringLiteral("Fabriksabgabepreis:")};
}

} // namespace fapkalk
