// The tariff's markup tables as constants (Österreichische Arzneitaxe, valid
// from 1 January 2012). Kept in a header so the engine sees them as constants.
#pragma once

#include "pricing/engine.h"

#include <array>
#include <cstddef>
#include <limits>

namespace fapkalk::tables {

inline constexpr double kOpen = std::numeric_limits<double>::infinity();

using enum BandKind;

// Limits lie 0.0001 above the cent values at which the bands change.
inline constexpr std::array<TariffBand, 10> kStandardWholesale = {{
    {6.0601, Factor, 1.155},
    {6.2201, Fixed, 7.00},
    {12.1101, Factor, 1.125},
    {12.3201, Fixed, 13.62},
    {53.7801, Factor, 1.105},
    {54.7701, Fixed, 59.43},
    {181.6801, Factor, 1.085},
    {184.2201, Fixed, 197.12},
    {339.1401, Factor, 1.07},
    {kOpen, Add, 23.74},
}};

inline constexpr std::array<TariffBand, 10> kNotReimbursableWholesale = {{
    {6.06, Factor, 1.175},
    {6.21, Fixed, 7.12},
    {12.11, Factor, 1.145},
    {12.33, Fixed, 13.87},
    {53.78, Factor, 1.125},
    {54.74, Fixed, 60.50},
    {181.68, Factor, 1.105},
    {184.17, Fixed, 200.76},
    {339.14, Factor, 1.09},
    {kOpen, Add, 30.52},
}};

inline constexpr std::array<TariffBand, 10> kHomeopathicWholesale = {{
    {6.06, Factor, 1.18},
    {6.16, Fixed, 7.15},
    {12.11, Factor, 1.16},
    {12.32, Fixed, 14.05},
    {53.78, Factor, 1.14},
    {54.74, Fixed, 61.31},
    {181.68, Factor, 1.12},
    {184.98, Fixed, 203.48},
    {327.03, Factor, 1.10},
    {kOpen, Add, 32.70},
}};

inline constexpr std::array<TariffBand, 19> kKp = {{
    {10.00, Factor, 1.37},   {10.15, Fixed, 13.70},   {20.00, Factor, 1.35},
    {20.45, Fixed, 27.00},   {30.00, Factor, 1.32},   {30.94, Fixed, 39.60},
    {60.00, Factor, 1.28},   {62.44, Fixed, 76.80},   {100.00, Factor, 1.23},
    {104.24, Fixed, 123.00}, {120.00, Factor, 1.18},  {124.21, Fixed, 141.60},
    {150.00, Factor, 1.14},  {155.45, Fixed, 171.00}, {200.00, Factor, 1.10},
    {207.55, Fixed, 220.00}, {350.00, Factor, 1.06},  {357.07, Fixed, 371.00},
    {kOpen, Factor, 1.039},
}};

// Band 13 closes at 130.8000001 rather than 130.80; for AEPs on whole cents
// the two are the same.
inline constexpr std::array<TariffBand, 19> kAvp = {{
    {7.29, Factor, 1.55},        {7.58, Fixed, 11.30},    {15.70, Factor, 1.49},
    {16.25, Fixed, 23.40},       {26.25, Factor, 1.44},   {27.19, Fixed, 37.80},
    {63.09, Factor, 1.39},       {65.44, Fixed, 87.70},   {90.74, Factor, 1.34},
    {94.26, Fixed, 121.60},      {108.99, Factor, 1.29},  {113.38, Fixed, 140.60},
    {130.8000001, Factor, 1.24}, {135.73, Fixed, 162.20}, {203.43, Factor, 1.195},
    {211.39, Fixed, 243.10},     {363.30, Factor, 1.15},  {371.37, Fixed, 417.80},
    {kOpen, Factor, 1.125},
}};

} // namespace fapkalk::tables
