// The calculation switches of the main window as plain logic: which switch a
// click turns on or off, which ones it clears, when the not-reimbursable button
// is enabled, the caption colours that show the state and the captions the
// FAP/AEP button writes.
//
// The main window holds one SwitchRules, hands it every click and then shows
// what it says: the caption colours (CaptionColour), the enabled state of the
// not-reimbursable button (SternEnabled), the FAP/AEP captions, and the run
// each click asks for.
#pragma once

#include "pricing/engine.h"
#include "pricing/options/option_types.h"

#include <optional>
#include <string>

namespace fapkalk {

// The three switch buttons with an on/off state (sbSG, sbVet, sbStern).
enum class Switch { Narcotic, Veterinary, NotReimbursable };

// Every button whose caption colour shows a state.
enum class SwitchButton { FapAep, Narcotic, Veterinary, NotReimbursable };

// Off turns on, on turns off.
void ToggleSwitch(CalcOptions& options, Switch which);
// On turns off, off stays off.
void ClearSwitch(CalcOptions& options, Switch which);

// The state a button shows: its switch is on (for FAP/AEP: the typed price is
// an AEP).
bool SwitchIsOn(const CalcOptions& options, SwitchButton button);

// Red while a switch is on, black while off; the FAP/AEP button is blue while
// the typed price is an AEP.
Rgb CaptionColour(const CalcOptions& options, SwitchButton button);

// The captions spFAPAEPClick writes after flipping AepInput.
struct FapAepCaptions {
    std::string groupCaption;              // GroupBox1's caption (UTF-8)
    std::optional<std::string> priceLabel; // lbvon's text; nullopt: leave it unchanged
    friend bool operator==(const FapAepCaptions&, const FapAepCaptions&) = default;
};
FapAepCaptions CaptionsForInput(bool aepInput, bool rangeMode);

struct FapAepClick {
    FapAepCaptions captions;
    RunStart run = RunStart::RunCalculation;
};

class SwitchRules {
public:
    // The start state: all switches off, standard mode, sbStern enabled.
    SwitchRules() = default;

    const CalcOptions& Options() const { return options_; }
    bool SternEnabled() const { return sternEnabled_; }
    // The radio group's selected item: 1 homeopathic, 0 standard.
    int ModeIndex() const { return options_.Homeopathic ? 1 : 0; }

    // Toggles Narcotic.
    RunStart sbSGClick();
    // Toggles Veterinary, then clears NotReimbursable.
    RunStart sbVetClick();
    // Toggles NotReimbursable, then clears Veterinary. A disabled button cannot
    // be clicked: while sbStern is disabled this changes nothing and asks for no run.
    RunStart sbSternClick();
    // index 1: homeopathic; sbStern disabled, then Narcotic, Veterinary and
    // NotReimbursable cleared in this order. Any other index: standard mode,
    // sbStern enabled (its switch stays off).
    RunStart rgRechenModiClick(int index);
    // Flips AepInput and returns the captions for the window's current mode.
    FapAepClick spFAPAEPClick(bool rangeMode);

private:
    CalcOptions options_;
    bool sternEnabled_ = true;
};

} // namespace fapkalk
