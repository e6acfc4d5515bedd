// The calculation switches as plain logic: which switch a toggle turns on or
// off, which ones it clears, when the not-reimbursable switch may be used, and
// the run each change asks for.
//
// The main window holds one SwitchRules, hands it every click and then shows
// what it says: the state of each switch (SwitchIsOn), whether the
// not-reimbursable switch is enabled (NotReimbursableEnabled), and the run
// each change asks for. How a state looks is the window's.
#pragma once

#include "pricing/engine.h"
#include "pricing/options/option_types.h"

namespace fapkalk {

// The three switches with an on/off state.
enum class Switch { Narcotic, Veterinary, NotReimbursable };

// Every switch whose state the window shows: the kind of the typed price
// (FapAep: on while it is an AEP) and the three on/off switches.
enum class SwitchButton { FapAep, Narcotic, Veterinary, NotReimbursable };

// Off turns on, on turns off.
void ToggleSwitch(CalcOptions& options, Switch which);
// On turns off, off stays off.
void ClearSwitch(CalcOptions& options, Switch which);

// The state a switch shows: it is on (for FapAep: the typed price is an AEP).
bool SwitchIsOn(const CalcOptions& options, SwitchButton button);

class SwitchRules {
public:
    // The start state: all switches off, standard mode, the not-reimbursable
    // switch enabled.
    SwitchRules() = default;

    const CalcOptions& Options() const { return options_; }
    bool NotReimbursableEnabled() const { return notReimbursableEnabled_; }

    // Toggles Narcotic.
    RunStart ToggleNarcotic();
    // Toggles Veterinary, then clears NotReimbursable.
    RunStart ToggleVeterinary();
    // Toggles NotReimbursable, then clears Veterinary. A disabled switch cannot
    // be used: while it is disabled this changes nothing and asks for no run.
    RunStart ToggleNotReimbursable();
    // Homeopathic: the not-reimbursable switch disabled, then Narcotic,
    // Veterinary and NotReimbursable cleared in this order. Standard: the
    // not-reimbursable switch enabled (it stays off).
    RunStart ChooseMode(bool homeopathic);
    // Flips AepInput: the typed price is an AEP, or a FAP again.
    RunStart ToggleAepInput();

private:
    CalcOptions options_;
    bool notReimbursableEnabled_ = true;
};

} // namespace fapkalk
