// Writes a file so that a failure never leaves a half-written or emptied file
// in place of the old one: the bytes go to a temporary file in the target's
// folder, which is flushed to disk and then renamed over the target. Until
// Commit succeeds the target is untouched; after any failure the temporary
// file is removed. A temporary file left by a writer that was killed (so it
// could not remove it) is removed by the next write of the same target.
//
// At the edges:
//   - Symbolic links on the way are followed only where the kernel's
//     fs.protected_symlinks rule would let an open through them: a link in a
//     sticky folder that everyone may write (/tmp) counts only when it belongs
//     to the writer or to the folder's owner. A link that leads nowhere or
//     round in a loop is refused too, rather than replaced by a file.
//   - A file of another user in such a folder is not replaced either (the
//     kernel's fs.protected_regular rule), also not by root.
//   - An open stream named as /dev/stdout, /dev/stderr, /dev/fd/N or
//     /proc/self/fd/N is written directly through its descriptor (appending
//     where it appends), whatever it leads to: never replaced, never cut. A
//     stream that is not open (or was closed when the program started, see
//     SecureProcessEdges) is refused. The null device is written directly
//     too; any other pipe, socket or device is refused, so a FIFO without a
//     reader cannot block the program.
//   - A file the user may write in a folder the user may not (no temporary
//     file can be made beside it) is written in place: the new content is
//     first completed in an unnamed temporary file in $TMPDIR (or /tmp), and
//     only Commit copies it over the target. A failure before Commit leaves
//     the target untouched; a failure during that copy (disk space is
//     reserved first where the file system can) may leave it partly new, and
//     the error says so. A failure while the content is completed there
//     names that folder, not the target.
//   - Near the folder's longest name the temporary file takes a shortened
//     name, so that every name the file system takes can be written.
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
    // permission for the folder, a file the user may not write, a link that
    // may not be followed or leads nowhere, a pipe or a device.
    bool Open();
    // Buffers the bytes and writes them out in large chunks.
    bool Append(std::string_view bytes);
    // Writes what is buffered, syncs, and renames the temporary file over the
    // target. A new file gets mode 0666 less the umask; a replaced file keeps
    // its owner and mode where the writer may set them (root), otherwise it
    // becomes the writer's own, with its mode less set-user and set-group ID.
    bool Commit();
    // Drops the temporary file; the target stays as it was.
    void Abort();

    const std::string& target() const { return target_; }
    // Path of the temporary file while open (empty otherwise, and while the
    // content waits in an unnamed file for an in-place write).
    const std::string& temporaryPath() const { return tempPath_; }
    // True after Open when the target will be written in place (see above).
    bool inPlace() const { return inPlace_; }
    // True after Open when the bytes go straight into standard output or the
    // null device: what Append has written cannot be taken back.
    bool direct() const { return !directPath_.empty(); }
    // After a failure: what went wrong, with the system's error text.
    const std::string& error() const { return error_; }
    int errorCode() const { return errorCode_; }

    static constexpr std::size_t kBufferSize = 64 * 1024;
    static constexpr std::size_t kWritebackStep = 4 * 1024 * 1024;

private:
    bool Fail(const std::string& what, int code);
    // A refusal whose text says it all (no system error text appended).
    bool Refuse(const std::string& what, int code);
    bool OpenDirect(const std::string& path, int fd);
    bool OpenNamedStream(int fd);
    bool OpenInPlace(dev_t device, ino_t inode);
    bool WriteAll(const char* data, std::size_t size);
    bool FlushBuffer();
    bool CommitInPlace();

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
    bool inPlace_ = false;
    dev_t targetDevice_ = 0; // the file an in-place write was opened for
    ino_t targetInode_ = 0;
    std::string spoolFolder_; // where the content of an in-place write waits
};

// Where a write of target ends, every symbolic link on the way followed as an
// open would, but only where the writer may follow it (see above). What does
// not exist (yet) is kept as written. On a refusal, path is empty and refusal
// says why. The settings file is read through the same rule as it is written.
struct LinkResolution {
    std::string path;
    const char* refusal = nullptr;
    int error = 0;
};
LinkResolution ResolveLinks(const std::string& target);

// A new file in $TMPDIR (or /tmp) that has no name: it vanishes with its
// descriptor, however the program ends. Returns the descriptor (close-on-exec),
// or -1 with errno set; folder names where it was made.
int OpenUnnamedTemporaryFile(std::string& folder);

// Removes the temporary files of every writer that is open, for a signal
// handler that ends the program (Ctrl-C during a long export). Only
// async-signal-safe calls.
void RemoveOpenTemporaryFiles() noexcept;

// The whole content in one go. Returns true on success; otherwise error holds
// the reason and the target is unchanged.
bool WriteFileSafely(const std::string& target, std::string_view content, std::string* error,
                     SafeFileWriter::WriteFunction write = {});

} // namespace fapkalk
