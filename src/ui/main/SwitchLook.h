// How the main window shows the state the Qt-free rules decide: the caption
// colour of each switch, the VAT field's background, and the captions that
// name the kind of the typed price.
#pragma once

#include "pricing/options/switch_rules.h"
#include "pricing/options/vat_field.h"

#include <QColor>
#include <QString>
#include <optional>

namespace fapkalk {

// Red while a switch is on, black while off; the FAP/AEP switch is blue while
// the typed price is an AEP.
QColor SwitchCaptionColour(const CalcOptions& options, SwitchButton button);

// Lime for the standard rate, yellow for the higher one, red for a rate the
// user confirmed.
QColor VatFieldColour(VatRateKind kind);

// The captions after the kind of the typed price changed.
struct FapAepCaptions {
    QString groupCaption;              // the price group's caption
    std::optional<QString> priceLabel; // the label left of the price; nullopt: unchanged
    friend bool operator==(const FapAepCaptions&, const FapAepCaptions&) = default;
};
FapAepCaptions CaptionsForInput(bool aepInput, bool rangeMode);

} // namespace fapkalk
