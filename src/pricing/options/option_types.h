// Small value types shared by the switch rules, the VAT field and the price key
// filter. Plain data, no toolkit: the main window turns them into widget calls
// (and chooses how they look).
#pragma once

namespace fapkalk {

// Which calculation run an operation asks for.
enum class RunStart {
    None,          // nothing to compute
    KeepFocus,     // compute; the focus stays where it is
    ReturnToPrice, // compute, then the focus back to the price field
};

// Characters a key handler deals with besides printable ones.
inline constexpr char32_t kBackspaceKey = 8;
inline constexpr char32_t kEnterKey = 13;

} // namespace fapkalk
