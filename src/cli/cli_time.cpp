#include "cli/cli_time.h"

#include "platform/creation_time.h"
#include "pricing/export_lines.h"

namespace fapkalk::cli {

namespace {

CreatedTextFormatter& FormatterSlot() {
    static CreatedTextFormatter formatter = nullptr;
    return formatter;
}

// The German form of the moment in local time, the formatter without Qt.
std::string GermanCreatedText(std::time_t moment) {
    std::tm local{};
    if (::localtime_r(&moment, &local) == nullptr)
        return {};
    char date[32];
    char time[32];
    const std::size_t dateLength = std::strftime(date, sizeof date, "%d.%m.%Y", &local);
    const std::size_t timeLength = std::strftime(time, sizeof time, "%H:%M:%S", &local);
    return CreatedText(std::string_view(date, dateLength), std::string_view(time, timeLength),
                       local.tm_hour, local.tm_min, local.tm_sec);
}

} // namespace

void SetCreatedTextFormatter(CreatedTextFormatter formatter) {
    FormatterSlot() = formatter;
}

std::optional<std::string> CreatedTextNow(std::string& error) {
    const auto moment = CreationTime(error);
    if (!moment)
        return std::nullopt;
    const CreatedTextFormatter formatter = FormatterSlot();
    std::string text = formatter != nullptr ? formatter(*moment) : GermanCreatedText(*moment);
    if (text.empty()) {
        error = "Ortszeit für SOURCE_DATE_EPOCH nicht darstellbar";
        return std::nullopt;
    }
    return text;
}

} // namespace fapkalk::cli
