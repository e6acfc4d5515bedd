#include "pricing/file_writer.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace fapkalk {

namespace {

std::string ErrnoText(int code) {
    return std::error_code(code, std::generic_category()).message();
}

mode_t NewFileMode() {
    // umask can only be read by setting it; the program writes files from one
    // thread only, so the short window in which it is 0 does no harm.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Folder and name of a path; the folder is "." for a bare name.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? std::string("/") : path.substr(0, slash), path.substr(slash + 1)};
}

// Temporary files a signal handler must remove. A slot's path is complete
// before the slot is marked used, and the mark is cleared before the path is
// reused, so the handler never reads a half-written path.
struct TemporarySlot {
    std::atomic<bool> claimed{false}; // owned by a writer
    std::atomic<bool> used{false};    // path is valid
    char path[PATH_MAX] = {};
};
std::array<TemporarySlot, 8> temporarySlots;

int RegisterTemporary(const std::string& path) {
    if (path.size() >= PATH_MAX)
        return -1;
    for (std::size_t i = 0; i < temporarySlots.size(); ++i) {
        if (temporarySlots[i].claimed.exchange(true))
            continue;
        path.copy(temporarySlots[i].path, path.size());
        temporarySlots[i].path[path.size()] = '\0';
        temporarySlots[i].used.store(true, std::memory_order_release);
        return static_cast<int>(i);
    }
    return -1; // more writers than slots: such a file is left behind on a signal
}

void UnregisterTemporary(int slot) {
    if (slot < 0)
        return;
    TemporarySlot& s = temporarySlots[static_cast<std::size_t>(slot)];
    s.used.store(false, std::memory_order_release);
    s.claimed.store(false);
}

constexpr std::string_view kTemporaryTag = ".tmp";
constexpr std::size_t kTemporaryRandomChars = 6; // mkostemp's XXXXXX

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A writer holds an exclusive lock on its temporary file from creation to the
// rename; the system drops it when the process dies, however it dies. A
// temporary file of this target that nobody holds locked is what a killed
// writer (SIGKILL, power loss) left behind, and goes. Only the caller's own
// regular files are touched.
void RemoveStaleTemporaries(const std::string& folder, const std::string& name) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    const std::string prefix = "." + name + std::string(kTemporaryTag);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view entryName(entry->d_name);
        if (entryName.size() != prefix.size() + kTemporaryRandomChars ||
            !entryName.starts_with(prefix))
            continue;
        const std::string path = folder + "/" + std::string(entryName);
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(path.c_str(), &named) == 0 &&
            SameFile(held, named))
            ::unlink(path.c_str());
        ::close(fd);
    }
    ::closedir(dir);
}

// Creates and locks a temporary file from pattern (ending in XXXXXX). A
// cleaner of another writer may remove the file in the moment between its
// creation and the lock; then the name no longer leads to it and a new one
// is made.
int CreateLockedTemporary(std::string& pattern) {
    const std::string original = pattern;
    for (int attempt = 0; attempt < 5; ++attempt) {
        pattern = original;
        const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0)
            return -1;
        // A file system without locks gets no cleanup, but still a safe write.
        if (::flock(fd, LOCK_EX) != 0)
            return fd;
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::lstat(pattern.c_str(), &named) == 0 &&
            SameFile(held, named))
            return fd;
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

} // namespace

void RemoveOpenTemporaryFiles() noexcept {
    for (TemporarySlot& slot : temporarySlots)
        if (slot.used.load(std::memory_order_acquire))
            ::unlink(slot.path);
}

SafeFileWriter::SafeFileWriter(std::string target, WriteFunction write)
    : target_(std::move(target)), write_(std::move(write)) {
    if (!write_)
        write_ = [](int fd, const void* data, std::size_t size) { return ::write(fd, data, size); };
}

SafeFileWriter::~SafeFileWriter() {
    Abort();
}

bool SafeFileWriter::Fail(const std::string& what, int code) {
    error_ = what + ": " + ErrnoText(code);
    errorCode_ = code;
    failed_ = true;
    Abort();
    return false;
}

bool SafeFileWriter::Open() {
    Abort();
    error_.clear();
    errorCode_ = 0;
    failed_ = false;
    buffer_.clear();
    directPath_.clear();
    finalPath_.clear();
    written_ = 0;
    writebackStarted_ = 0;

    if (target_.empty())
        return Fail("Kein Dateiname", ENOENT);

    // Write beside the file a symbolic link points to, so the link survives.
    finalPath_ = target_;
    struct stat st {};
    if (::lstat(target_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(target_.c_str(), nullptr)) {
            finalPath_ = real;
            std::free(real);
        }
    }

    mode_t mode = NewFileMode();
    bool replacing = false;
    if (::stat(finalPath_.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return Fail("Ziel ist ein Ordner", EISDIR);
        if (!S_ISREG(st.st_mode)) {
            // A device or a pipe (/dev/stdout, a FIFO) cannot be replaced; it
            // is written directly.
            fd_ = ::open(finalPath_.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd_ < 0)
                return Fail("Öffnen", errno);
            directPath_ = finalPath_;
            buffer_.reserve(kBufferSize);
            return true;
        }
        // A file the user may not write is not replaced behind its back,
        // although the folder would allow the rename.
        if (::access(finalPath_.c_str(), W_OK) != 0)
            return Fail("Zieldatei ist schreibgeschützt", errno);
        mode = st.st_mode & 07777;
        replacing = true;
    }

    const auto [folder, name] = SplitPath(finalPath_);
    if (name.empty())
        return Fail("Ziel ist ein Ordner", EISDIR);
    RemoveStaleTemporaries(folder, name);
    std::string pattern = folder + "/." + name + std::string(kTemporaryTag) + "XXXXXX";
    fd_ = CreateLockedTemporary(pattern);
    if (fd_ < 0)
        return Fail("Anlegen der temporären Datei", errno);
    tempPath_ = pattern;
    slot_ = RegisterTemporary(tempPath_);
    // A replaced file keeps its owner where the system allows it (root
    // writing another user's file); otherwise it becomes the writer's own.
    if (replacing && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()))
        (void)::fchown(fd_, st.st_uid, st.st_gid);
    if (::fchmod(fd_, mode) != 0)
        return Fail("Setzen der Zugriffsrechte", errno);
    buffer_.reserve(kBufferSize);
    return true;
}

bool SafeFileWriter::WriteAll(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = write_(fd_, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return Fail("Schreiben", errno);
        }
        if (written == 0)
            return Fail("Schreiben", EIO);
        data += written;
        size -= static_cast<std::size_t>(written);
        written_ += static_cast<std::size_t>(written);
    }
#ifdef __linux__
    // Start the disk writes of a long file while the rest is still being
    // computed, so the final fsync has little left to wait for. Only a hint:
    // its result does not matter, fsync reports any failure.
    if (directPath_.empty() && written_ - writebackStarted_ >= kWritebackStep) {
        ::sync_file_range(fd_, static_cast<off_t>(writebackStarted_),
                          static_cast<off_t>(written_ - writebackStarted_), SYNC_FILE_RANGE_WRITE);
        writebackStarted_ = written_;
    }
#endif
    return true;
}

bool SafeFileWriter::FlushBuffer() {
    if (buffer_.empty())
        return true;
    const bool ok = WriteAll(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
}

bool SafeFileWriter::Append(std::string_view bytes) {
    if (fd_ < 0) {
        if (!failed_)
            return Fail("Schreiben", EBADF);
        return false;
    }
    if (buffer_.size() + bytes.size() > kBufferSize && !FlushBuffer())
        return false;
    if (bytes.size() >= kBufferSize)
        return WriteAll(bytes.data(), bytes.size());
    buffer_.append(bytes);
    return true;
}

bool SafeFileWriter::Commit() {
    if (fd_ < 0) {
        if (!failed_)
            return Fail("Abschließen", EBADF);
        return false;
    }
    if (!FlushBuffer())
        return false;
    if (!directPath_.empty()) {
        const int fd = std::exchange(fd_, -1);
        directPath_.clear();
        if (::close(fd) != 0)
            return Fail("Schließen", errno);
        return true;
    }
    if (::fsync(fd_) != 0)
        return Fail("Sichern auf den Datenträger", errno);
    // Renamed while still open, so the lock that marks the temporary file as
    // in use lasts until it has its final name.
    if (::rename(tempPath_.c_str(), finalPath_.c_str()) != 0)
        return Fail("Ersetzen der Zieldatei", errno);
    tempPath_.clear();
    UnregisterTemporary(std::exchange(slot_, -1));
    // The content is on disk (fsync above) and in place; a late close error
    // changes nothing about that.
    ::close(std::exchange(fd_, -1));
    // The new name must be on disk as well; the content already is, so a
    // failure here is not reported.
    const int dir = ::open(SplitPath(finalPath_).first.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void SafeFileWriter::Abort() {
    if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
    if (!tempPath_.empty())
        ::unlink(tempPath_.c_str());
    tempPath_.clear();
    UnregisterTemporary(std::exchange(slot_, -1));
    directPath_.clear();
    buffer_.clear();
}

bool WriteFileSafely(const std::string& target, std::string_view content, std::string* error,
                     SafeFileWriter::WriteFunction write) {
    SafeFileWriter writer(target, std::move(write));
    const bool ok = writer.Open() && writer.Append(content) && writer.Commit();
    if (!ok && error != nullptr)
        *error = writer.error();
    return ok;
}

} // namespace fapkalk
