// The command-line tool's batch command on arbitrary input bytes, through
// RunCli with in-memory streams. The first byte picks the options (layout,
// header block, switches); the rest is the input. The tool ends with status
// 0, 1 or 2 only; a refused input writes nothing to standard output; an
// accepted one writes the head and one line per price line of the input.
#include "cli/cli_output.h"
#include "cli/cli_run.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Lines the reader takes as prices: every line that is not blank once a
// byte-order mark (first line only) and a trailing CR are dropped.
std::size_t PriceLines(std::string_view input) {
    std::size_t count = 0;
    bool first = true;
    while (!input.empty()) {
        const std::size_t end = input.find('\n');
        std::string_view line = input.substr(0, end);
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
        if (first && line.starts_with("\xEF\xBB\xBF"))
            line.remove_prefix(3);
        first = false;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.find_first_not_of(" \t") != std::string_view::npos)
            ++count;
    }
    return count;
}

std::size_t CountCrLf(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", at + 2))
        ++count;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::uint8_t choice = data[0];
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);

    std::vector<std::string> args{"batch"};
    if (choice & 1)
        args.push_back("--format=xls");
    const bool header = choice & 2;
    if (header)
        args.push_back("--header");
    if (choice & 4)
        args.push_back("--aep");
    if (choice & 8)
        args.push_back("--narcotic");
    if (choice & 16)
        args.push_back("--veterinary");
    else if (choice & 32)
        args.push_back("--homeopathic");
    if (choice & 64)
        args.push_back("--vat=20");

    std::istringstream in(input);
    fapkalk::cli::StringSink out;
    fapkalk::cli::StringSink err;
    const int status = fapkalk::cli::RunCli(args, in, out, err);
    FUZZ_CHECK(status == fapkalk::cli::kExitOk || status == fapkalk::cli::kExitRefused ||
               status == fapkalk::cli::kExitUsage);
    if (status != fapkalk::cli::kExitOk) {
        FUZZ_CHECK(out.data().empty());
        FUZZ_CHECK(!err.data().empty());
        return 0;
    }
    const std::size_t headLines = header ? 6 : 1;
    FUZZ_CHECK(CountCrLf(out.data()) == headLines + PriceLines(input));
    FUZZ_CHECK(out.data().ends_with("\r\n"));
    return 0;
}
