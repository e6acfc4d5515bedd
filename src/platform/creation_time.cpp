#include "platform/creation_time.h"

#include <charconv>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace fapkalk {

std::optional<std::time_t> CreationTime(std::string& error) {
    const char* fixed = std::getenv("SOURCE_DATE_EPOCH");
    if (fixed == nullptr)
        return std::time(nullptr);
    const std::string_view text(fixed);
    long long seconds = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || seconds < 0 ||
        static_cast<unsigned long long>(seconds) >
            static_cast<unsigned long long>(std::numeric_limits<std::time_t>::max())) {
        error =
            "SOURCE_DATE_EPOCH muss eine Anzahl Sekunden sein, nicht \"" + std::string(text) + "\"";
        return std::nullopt;
    }
    return static_cast<std::time_t>(seconds);
}

} // namespace fapkalk
