// Small value types shared by the switch rules, the VAT field and the price key
// filter. Plain data, no toolkit: the main window turns them into widget calls.
#pragma once

#include <cstdint>

namespace fapkalk {

// A plain RGB colour as the captions and the VAT field show it.
struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kLime{0, 255, 0};
inline constexpr Rgb kYellow{255, 255, 0};

// Which calculation run an operation asks the window to start.
enum class RunStart {
    None,           // nothing to compute
    RunCalculation, // TForm1::RunCalculation(): the focus stays where it is
    BerechnenClick, // TForm1::btBerechnenClick(): run, then the focus to eFAPBASIS
};

// Characters a key handler deals with besides printable ones.
inline constexpr char32_t kBackspaceKey = 8;
inline constexpr char32_t kEnterKey = 13;

} // namespace fapkalk
