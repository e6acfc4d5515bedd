// The tariff as a value: the markup tables and amounts of one version of the
// Österreichische Arzneitaxe. The engine takes a tariff by reference and knows
// no version itself; the version valid from 1 January 2012 is built in.
//
// A further version is one more Tariff value beside kTariff2012: its tables
// as arrays, its amounts, its name and the day it takes effect.
#pragma once

#include <limits>
#include <span>
#include <string_view>

namespace fapkalk {

enum class BandKind { Factor, Fixed, Add };

// One row of a tariff table. limit is an inclusive upper limit; the open last
// band of a table has limit +infinity.
struct TariffBand {
    double limit;
    BandKind kind;
    double value;
};

struct TariffDate {
    int year;
    int month;
    int day;
    friend constexpr bool operator==(const TariffDate&, const TariffDate&) = default;
};

// Every table holds at least one band; a price above every other limit falls
// in its last band.
struct Tariff {
    std::string_view name;
    TariffDate validFrom;
    // The wholesale step, FAP to AEP, for each calculation mode.
    std::span<const TariffBand> standardWholesale;
    std::span<const TariffBand> notReimbursableWholesale;
    std::span<const TariffBand> homeopathicWholesale;
    // The pharmacy step, AEP to KP and to the net AVP: Factor and Fixed bands.
    std::span<const TariffBand> kp;
    std::span<const TariffBand> avp;
    double veterinaryFactor;  // the flat veterinary markup, FAP to AEP
    double avpRaise;          // the net AVP's raise before VAT (1.15: 15 %)
    double narcoticSurcharge; // added to the KP and to the raised AVP
};

namespace detail {

inline constexpr double kOpen = std::numeric_limits<double>::infinity();

using enum BandKind;

// Limits lie 0.0001 above the cent values at which the bands change.
inline constexpr TariffBand kStandardWholesale2012[] = {
    {6.0601, Factor, 1.155},   {6.2201, Fixed, 7.00},     {12.1101, Factor, 1.125},
    {12.3201, Fixed, 13.62},   {53.7801, Factor, 1.105},  {54.7701, Fixed, 59.43},
    {181.6801, Factor, 1.085}, {184.2201, Fixed, 197.12}, {339.1401, Factor, 1.07},
    {kOpen, Add, 23.74},
};

inline constexpr TariffBand kNotReimbursableWholesale2012[] = {
    {6.06, Factor, 1.175},  {6.21, Fixed, 7.12},   {12.11, Factor, 1.145},  {12.33, Fixed, 13.87},
    {53.78, Factor, 1.125}, {54.74, Fixed, 60.50}, {181.68, Factor, 1.105}, {184.17, Fixed, 200.76},
    {339.14, Factor, 1.09}, {kOpen, Add, 30.52},
};

inline constexpr TariffBand kHomeopathicWholesale2012[] = {
    {6.06, Factor, 1.18},   {6.16, Fixed, 7.15},   {12.11, Factor, 1.16},  {12.32, Fixed, 14.05},
    {53.78, Factor, 1.14},  {54.74, Fixed, 61.31}, {181.68, Factor, 1.12}, {184.98, Fixed, 203.48},
    {327.03, Factor, 1.10}, {kOpen, Add, 32.70},
};

inline constexpr TariffBand kKp2012[] = {
    {10.00, Factor, 1.37},   {10.15, Fixed, 13.70},   {20.00, Factor, 1.35},
    {20.45, Fixed, 27.00},   {30.00, Factor, 1.32},   {30.94, Fixed, 39.60},
    {60.00, Factor, 1.28},   {62.44, Fixed, 76.80},   {100.00, Factor, 1.23},
    {104.24, Fixed, 123.00}, {120.00, Factor, 1.18},  {124.21, Fixed, 141.60},
    {150.00, Factor, 1.14},  {155.45, Fixed, 171.00}, {200.00, Factor, 1.10},
    {207.55, Fixed, 220.00}, {350.00, Factor, 1.06},  {357.07, Fixed, 371.00},
    {kOpen, Factor, 1.039},
};

// Band 13 closes at 130.8000001 rather than 130.80; for AEPs on whole cents
// the two are the same.
inline constexpr TariffBand kAvp2012[] = {
    {7.29, Factor, 1.55},        {7.58, Fixed, 11.30},    {15.70, Factor, 1.49},
    {16.25, Fixed, 23.40},       {26.25, Factor, 1.44},   {27.19, Fixed, 37.80},
    {63.09, Factor, 1.39},       {65.44, Fixed, 87.70},   {90.74, Factor, 1.34},
    {94.26, Fixed, 121.60},      {108.99, Factor, 1.29},  {113.38, Fixed, 140.60},
    {130.8000001, Factor, 1.24}, {135.73, Fixed, 162.20}, {203.43, Factor, 1.195},
    {211.39, Fixed, 243.10},     {363.30, Factor, 1.15},  {371.37, Fixed, 417.80},
    {kOpen, Factor, 1.125},
};

} // namespace detail

inline constexpr Tariff kTariff2012 = {
    .name = "Arzneitaxe 2012",
    .validFrom = {2012, 1, 1},
    .standardWholesale = detail::kStandardWholesale2012,
    .notReimbursableWholesale = detail::kNotReimbursableWholesale2012,
    .homeopathicWholesale = detail::kHomeopathicWholesale2012,
    .kp = detail::kKp2012,
    .avp = detail::kAvp2012,
    .veterinaryFactor = 1.2,
    .avpRaise = 1.15,
    .narcoticSurcharge = 0.55,
};

// The tariff CalcPrices computes with when it is given none.
constexpr const Tariff& BuiltInTariff() {
    return kTariff2012;
}

} // namespace fapkalk
