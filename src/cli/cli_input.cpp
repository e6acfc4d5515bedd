#include "cli/cli_input.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace fapkalk::cli {

LineReader::LineReader(std::istream& in)
    : in_(in), buffer_(std::make_unique_for_overwrite<char[]>(kBuffer)) {}

bool LineReader::Fill() {
    begin_ = 0;
    end_ = 0;
    if (failed_ || !in_.good())
        return false;
    errno = 0;
    in_.read(buffer_.get(), static_cast<std::streamsize>(kBuffer));
    end_ = static_cast<std::size_t>(in_.gcount());
    if (in_.bad()) {
        failed_ = true;
        error_ = errno != 0 ? errno : EIO;
    }
    return end_ > 0;
}

bool LineReader::Next(Line& line) {
    long_.clear();
    std::size_t size = 0;
    bool any = false;
    for (;;) {
        if (begin_ == end_ && !Fill())
            break;
        any = true;
        const char* from = buffer_.get() + begin_;
        const std::size_t available = end_ - begin_;
        const auto* lf = static_cast<const char*>(std::memchr(from, '\n', available));
        const std::size_t n = lf != nullptr ? static_cast<std::size_t>(lf - from) : available;
        begin_ += n + (lf != nullptr ? 1 : 0);
        if (lf != nullptr && size == 0 && n <= kMaxKept) {
            // The usual case: the whole line lies in the buffer.
            line.text = {from, n};
            line.size = n;
            return true;
        }
        long_.append(from, std::min(n, kMaxKept - long_.size()));
        size += n;
        if (lf != nullptr)
            break;
    }
    if (!any || failed_)
        return false;
    line.text = long_;
    line.size = size;
    return true;
}

} // namespace fapkalk::cli
