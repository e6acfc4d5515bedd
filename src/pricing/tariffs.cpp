#include "pricing/engine.h"
#include "pricing/tariff_tables.h"

namespace fapkalk {

std::span<const TariffBand> StandardWholesaleTable() {
    return tables::kStandardWholesale;
}
std::span<const TariffBand> NotReimbursableWholesaleTable() {
    return tables::kNotReimbursableWholesale;
}
std::span<const TariffBand> HomeopathicWholesaleTable() {
    return tables::kHomeopathicWholesale;
}
std::span<const TariffBand> KpTable() {
    return tables::kKp;
}
std::span<const TariffBand> AvpTable() {
    return tables::kAvp;
}

} // namespace fapkalk
