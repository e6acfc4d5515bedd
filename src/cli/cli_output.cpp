#include "cli/cli_output.h"

#include <cerrno>
#include <system_error>
#include <unistd.h>

namespace fapkalk::cli {

FdSink::FdSink(int fd) : fd_(fd) {
    buffer_.reserve(SafeFileWriter::kBufferSize);
}

FdSink::~FdSink() {
    Finish();
}

bool FdSink::WriteAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            const int code = written < 0 ? errno : EIO;
            error_ = std::error_code(code, std::generic_category()).message();
            failed_ = true;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool FdSink::Write(std::string_view bytes) {
    if (failed_)
        return false;
    if (buffer_.size() + bytes.size() > SafeFileWriter::kBufferSize) {
        if (!WriteAll(buffer_))
            return false;
        buffer_.clear();
    }
    if (bytes.size() >= SafeFileWriter::kBufferSize)
        return WriteAll(bytes);
    buffer_.append(bytes);
    return true;
}

bool FdSink::Finish() {
    if (failed_)
        return false;
    const bool ok = WriteAll(buffer_);
    buffer_.clear();
    return ok;
}

} // namespace fapkalk::cli
