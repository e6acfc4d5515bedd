// The "Erstellt" date-time text of the export header, as the tool writes it.
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace fapkalk::cli {

// Turns the header's moment into its date-time text.
using CreatedTextFormatter = std::string (*)(std::time_t moment);

// fapkalk-cli's main() sets the window's formatter (the user's short date with
// a four-digit year and long time, tools/date_text.h), so tool and window write
// the same bytes. Without one, as in the tests and the fuzz targets, which
// build this library without Qt, the German form dd.mm.yyyy hh:mm:ss of local
// time is written, which is what the window writes under the C locale.
void SetCreatedTextFormatter(CreatedTextFormatter formatter);

// CreationTime (SOURCE_DATE_EPOCH or now) through the formatter. nullopt with
// error set for a malformed SOURCE_DATE_EPOCH or a moment local time cannot show.
std::optional<std::string> CreatedTextNow(std::string& error);

} // namespace fapkalk::cli
