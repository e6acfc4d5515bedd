// The moment an export header records, the same for the window and the tool.
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace fapkalk {

// SOURCE_DATE_EPOCH (seconds since 1970-01-01 UTC) when it is set, so that a
// test or a reproducible build gets the same file twice; otherwise now.
// nullopt with error set when SOURCE_DATE_EPOCH is set but is no such count.
std::optional<std::time_t> CreationTime(std::string& error);

} // namespace fapkalk
