// The "Erstellt" date-time text of the export header, as the tool writes it.
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace fapkalk::cli {

// The date and time in the user's short date and long time format (the
// LC_TIME locale in force, strftime "%x" and "%X"). Under the C or POSIX
// locale the German form dd.mm.yyyy hh:mm:ss is used: the program serves
// Austrian pharmacies, and the American form of the C locale would be
// misread there.
std::string CreatedTextFor(const std::tm& local);

// True when the LC_TIME locale in force is C or POSIX (C.UTF-8 included).
bool TimeLocaleIsPlain();

// The moment the header records: SOURCE_DATE_EPOCH (seconds since the epoch)
// when set, for reproducible output, otherwise now. nullopt with error set for
// a malformed SOURCE_DATE_EPOCH.
std::optional<std::time_t> CreationTime(std::string& error);

// CreationTime as local time, formatted by CreatedTextFor.
std::optional<std::string> CreatedTextNow(std::string& error);

} // namespace fapkalk::cli
