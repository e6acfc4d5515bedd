// The lines of a batch input, read one at a time with bounded memory.
#pragma once

#include <cstddef>
#include <istream>
#include <memory>
#include <string>
#include <string_view>

namespace fapkalk::cli {

class LineReader {
public:
    // No price is anywhere near this long; a longer line keeps only its
    // beginning, enough to say what is wrong with it.
    static constexpr std::size_t kMaxKept = 64 * 1024;

    explicit LineReader(std::istream& in);

    struct Line {
        std::string_view text; // without the LF; at most kMaxKept bytes
        std::size_t size = 0;  // of the whole line, without the LF
    };

    // The next line: the text up to a LF or the end of the input (so the last
    // line needs no LF, and an empty input has no line). False at the end of
    // the input or when reading failed (failed()). The text stays valid until
    // the next call.
    bool Next(Line& line);
    bool failed() const { return failed_; }
    // The system's error number of the failure (EIO when it gave none).
    int error() const { return error_; }

private:
    bool Fill();

    static constexpr std::size_t kBuffer = 64 * 1024;
    std::istream& in_;
    std::unique_ptr<char[]> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    std::string long_; // a line that spans buffer fills
    bool failed_ = false;
    int error_ = 0;
};

} // namespace fapkalk::cli
