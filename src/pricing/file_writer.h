// Writes a file so that a failure never leaves a half-written or emptied file
// in place of the old one: the bytes go to a temporary file in the target's
// folder, which is flushed to disk and then renamed over the target. Until
// Commit succeeds the target is untouched; after any failure the temporary
// file is removed. A temporary file left by a writer that was killed (so it
// could not remove it) is removed by the next write of the same target.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace fapkalk {

class SafeFileWriter {
public:
    // Same contract as POSIX write(2); tests inject failures through it.
    using WriteFunction = std::function<ssize_t(int fd, const void* data, std::size_t size)>;

    explicit SafeFileWriter(std::string target, WriteFunction write = {});
    ~SafeFileWriter(); // an uncommitted file is discarded
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    // Creates the temporary file. False (with error()) when the target cannot
    // be written: empty name, missing folder, a folder by that name, no
    // permission for the folder, or a file the user may not write.
    bool Open();
    // Buffers the bytes and writes them out in large chunks.
    bool Append(std::string_view bytes);
    // Writes what is buffered, syncs, and renames the temporary file over the
    // target. A new file gets mode 0666 less the umask; a replaced file keeps
    // its mode (and its owner, where the system allows).
    bool Commit();
    // Drops the temporary file; the target stays as it was.
    void Abort();

    bool isOpen() const { return fd_ >= 0; }
    const std::string& target() const { return target_; }
    // Path of the temporary file while open (empty otherwise).
    const std::string& temporaryPath() const { return tempPath_; }
    // After a failure: what went wrong, with the system's error text.
    const std::string& error() const { return error_; }
    int errorCode() const { return errorCode_; }

    static constexpr std::size_t kBufferSize = 64 * 1024;
    static constexpr std::size_t kWritebackStep = 4 * 1024 * 1024;

private:
    bool Fail(const std::string& what, int code);
    bool WriteAll(const char* data, std::size_t size);
    bool FlushBuffer();

    std::string target_;
    WriteFunction write_;
    std::string finalPath_;  // the target, or the file a symbolic link target points to
    std::string directPath_; // set while writing straight into a device or pipe
    std::string tempPath_;
    std::string buffer_;
    std::string error_;
    int errorCode_ = 0;
    std::size_t written_ = 0;          // bytes in the file so far
    std::size_t writebackStarted_ = 0; // bytes handed to the disk early
    int fd_ = -1;
    int slot_ = -1; // registration for RemoveOpenTemporaryFiles
    bool failed_ = false;
};

// Removes the temporary files of every writer that is open, for a signal
// handler that ends the program (Ctrl-C during a long export). Only
// async-signal-safe calls.
void RemoveOpenTemporaryFiles() noexcept;

// The whole content in one go. Returns true on success; otherwise error holds
// the reason and the target is unchanged.
bool WriteFileSafely(const std::string& target, std::string_view content, std::string* error,
                     SafeFileWriter::WriteFunction write = {});

} // namespace fapkalk
