#include "pricing/options/switch_rules.h"

namespace fapkalk {

namespace {

bool& Field(CalcOptions& options, Switch which) {
    switch (which) {
    case Switch::Narcotic:
        return options.Narcotic;
    case Switch::Veterinary:
        return options.Veterinary;
    case Switch::NotReimbursable:
        break;
    }
    return options.NotReimbursable;
}

} // namespace

void ToggleSwitch(CalcOptions& options, Switch which) {
    bool& on = Field(options, which);
    on = !on;
}

void ClearSwitch(CalcOptions& options, Switch which) {
    Field(options, which) = false;
}

bool SwitchIsOn(const CalcOptions& options, SwitchButton button) {
    switch (button) {
    case SwitchButton::FapAep:
        return options.AepInput;
    case SwitchButton::Narcotic:
        return options.Narcotic;
    case SwitchButton::Veterinary:
        return options.Veterinary;
    case SwitchButton::NotReimbursable:
        break;
    }
    return options.NotReimbursable;
}

Rgb CaptionColour(const CalcOptions& options, SwitchButton button) {
    if (!SwitchIsOn(options, button))
        return kBlack;
    return button == SwitchButton::FapAep ? kBlue : kRed;
}

FapAepCaptions CaptionsForInput(bool aepInput, bool rangeMode) {
    if (rangeMode)
        // The range layout names the kind of price in the group caption; the
        // label left of the field keeps "Von".
        return {aepInput ? "Apothekeneinkaufspreis:" : "Fabriksabgabepreis:", std::nullopt};
    return {"", aepInput ? "Einkaufspreis:" : "Fabriksabgabepreis:"};
}

RunStart SwitchRules::sbSGClick() {
    ToggleSwitch(options_, Switch::Narcotic);
    return RunStart::RunCalculation;
}

RunStart SwitchRules::sbVetClick() {
    ToggleSwitch(options_, Switch::Veterinary);
    ClearSwitch(options_, Switch::NotReimbursable);
    return RunStart::RunCalculation;
}

RunStart SwitchRules::sbSternClick() {
    if (!sternEnabled_)
        return RunStart::None;
    ToggleSwitch(options_, Switch::NotReimbursable);
    ClearSwitch(options_, Switch::Veterinary);
    return RunStart::RunCalculation;
}

RunStart SwitchRules::rgRechenModiClick(int index) {
    options_.Homeopathic = index == 1;
    if (options_.Homeopathic) {
        sternEnabled_ = false;
        ClearSwitch(options_, Switch::Narcotic);
        ClearSwitch(options_, Switch::Veterinary);
        ClearSwitch(options_, Switch::NotReimbursable);
    } else {
        sternEnabled_ = true;
    }
    return RunStart::RunCalculation;
}

FapAepClick SwitchRules::spFAPAEPClick(bool rangeMode) {
    options_.AepInput = !options_.AepInput;
    return {CaptionsForInput(options_.AepInput, rangeMode), RunStart::RunCalculation};
}

} // namespace fapkalk
