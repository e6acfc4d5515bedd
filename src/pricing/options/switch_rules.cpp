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

RunStart SwitchRules::ToggleNarcotic() {
    ToggleSwitch(options_, Switch::Narcotic);
    return RunStart::KeepFocus;
}

RunStart SwitchRules::ToggleVeterinary() {
    ToggleSwitch(options_, Switch::Veterinary);
    ClearSwitch(options_, Switch::NotReimbursable);
    return RunStart::KeepFocus;
}

RunStart SwitchRules::ToggleNotReimbursable() {
    if (!notReimbursableEnabled_)
        return RunStart::None;
    ToggleSwitch(options_, Switch::NotReimbursable);
    ClearSwitch(options_, Switch::Veterinary);
    return RunStart::KeepFocus;
}

RunStart SwitchRules::ChooseMode(bool homeopathic) {
    options_.Homeopathic = homeopathic;
    notReimbursableEnabled_ = !homeopathic;
    if (homeopathic) {
        ClearSwitch(options_, Switch::Narcotic);
        ClearSwitch(options_, Switch::Veterinary);
        ClearSwitch(options_, Switch::NotReimbursable);
    }
    return RunStart::KeepFocus;
}

RunStart SwitchRules::ToggleAepInput() {
    options_.AepInput = !options_.AepInput;
    return RunStart::KeepFocus;
}

} // namespace fapkalk
