#include "cli/cli_output.h"

#include "platform/standard_streams.h"
#include "platform/system_error_text.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace fapkalk::cli {

namespace {

// Writes all of bytes to fd; 0, or the error.
int WriteEverything(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

} // namespace

FdSink::FdSink(int fd) : fd_(fd) {
    if (StandardStreamWasClosed(fd)) {
        error_ = "sie war beim Programmstart geschlossen";
        failed_ = true;
        return;
    }
    buffer_.reserve(SafeFileWriter::kBufferSize);
}

FdSink::~FdSink() {
    Finish();
}

bool FdSink::WriteAll(std::string_view bytes) {
    if (const int code = WriteEverything(fd_, bytes); code != 0) {
        error_ = SystemErrorText(code);
        failed_ = true;
        return false;
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

SpoolSink::~SpoolSink() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool SpoolSink::Fail(const std::string& what, int code) {
    error_ = what + ": " + SystemErrorText(code);
    failed_ = true;
    return false;
}

// Moves what waits in memory to the temporary file, made on first need.
bool SpoolSink::Spill() {
    if (fd_ < 0 && (fd_ = OpenUnnamedTemporaryFile(folder_)) < 0)
        return Fail("Zwischendatei in " + folder_, errno);
    spilled_ = true;
    if (const int code = WriteEverything(fd_, memory_); code != 0)
        return Fail("Zwischendatei in " + folder_, code);
    memory_.clear();
    return true;
}

bool SpoolSink::Write(std::string_view bytes) {
    if (failed_)
        return false;
    while (!bytes.empty()) {
        const std::size_t n = std::min(bytes.size(), kMemory - memory_.size());
        // Grown as needed (a short output stays small), never beyond kMemory.
        if (memory_.size() + n > memory_.capacity())
            memory_.reserve(
                std::min(kMemory, std::max(memory_.size() + n, 2 * memory_.capacity())));
        memory_.append(bytes.substr(0, n));
        bytes.remove_prefix(n);
        if (memory_.size() == kMemory && !Spill())
            return false;
    }
    return true;
}

bool SpoolSink::Finish() {
    if (failed_)
        return false;
    if (fd_ >= 0) {
        if (!Spill())
            return false;
        // Read back in pieces of the memory buffer's size.
        memory_.resize(kMemory);
        for (off_t offset = 0;;) {
            const ssize_t got = ::pread(fd_, memory_.data(), memory_.size(), offset);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return Fail("Zwischendatei", errno);
            if (got == 0)
                break;
            offset += got;
            if (!target_.Write({memory_.data(), static_cast<std::size_t>(got)})) {
                failed_ = true;
                return false;
            }
        }
        ::close(fd_);
        fd_ = -1;
    } else if (!target_.Write(memory_)) {
        failed_ = true;
        return false;
    }
    memory_.clear();
    if (!target_.Finish()) {
        failed_ = true;
        return false;
    }
    return true;
}

} // namespace fapkalk::cli
