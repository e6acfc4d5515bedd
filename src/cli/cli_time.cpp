#include "cli/cli_time.h"

#include "pricing/export_lines.h"

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace fapkalk::cli {

bool TimeLocaleIsPlain() {
    const char* name = std::setlocale(LC_TIME, nullptr);
    if (name == nullptr)
        return true;
    return std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 ||
           std::strncmp(name, "C.", 2) == 0;
}

std::string CreatedTextFor(const std::tm& local) {
    const bool plain = TimeLocaleIsPlain();
    char date[128];
    char time[128];
    const std::size_t dateLength =
        std::strftime(date, sizeof date, plain ? "%d.%m.%Y" : "%x", &local);
    const std::size_t timeLength =
        std::strftime(time, sizeof time, plain ? "%H:%M:%S" : "%X", &local);
    return CreatedText(std::string_view(date, dateLength), std::string_view(time, timeLength),
                       local.tm_hour, local.tm_min, local.tm_sec);
}

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

std::optional<std::string> CreatedTextNow(std::string& error) {
    const auto moment = CreationTime(error);
    if (!moment)
        return std::nullopt;
    std::tm local{};
    if (::localtime_r(&*moment, &local) == nullptr) {
        error = "Ortszeit für SOURCE_DATE_EPOCH nicht darstellbar";
        return std::nullopt;
    }
    return CreatedTextFor(local);
}

} // namespace fapkalk::cli
