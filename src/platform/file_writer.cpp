#include "platform/file_writer.h"

#include "platform/standard_streams.h"
#include "platform/system_error_text.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fapkalk {

namespace {

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

// "." name ".tmp" and the random part, the name of name's temporary files
// without the random part. Near the folder's longest name it keeps only the
// beginning of name (whole UTF-8 characters), so that every name the file
// system takes can be written.
std::string TemporaryPrefix(const std::string& folder, const std::string& name) {
    const long longest = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    const std::size_t limit = longest > 0 ? static_cast<std::size_t>(longest) : NAME_MAX;
    const std::size_t extra = 1 + kTemporaryTag.size() + kTemporaryRandomChars;
    std::size_t keep = name.size();
    if (keep + extra > limit) {
        keep = limit > extra + 1 ? limit - extra : 1;
        while (keep > 1 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
            --keep;
    }
    return "." + name.substr(0, keep) + std::string(kTemporaryTag);
}

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
    const std::string prefix = TemporaryPrefix(folder, name);
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

bool IsNullDevice(const struct stat& st) {
    struct stat null {};
    return S_ISCHR(st.st_mode) && ::stat("/dev/null", &null) == 0 && S_ISCHR(null.st_mode) &&
           st.st_rdev == null.st_rdev;
}

std::string NotAFileText(const struct stat& st) {
    if (S_ISFIFO(st.st_mode))
        return "Ziel ist eine Pipe (FIFO), keine Datei";
    if (S_ISSOCK(st.st_mode))
        return "Ziel ist ein Socket, keine Datei";
    return "Ziel ist ein Gerät, keine Datei";
}

// Writes all of data; 0, or the error. `done` counts what was written.
int WriteFully(const SafeFileWriter::WriteFunction& write, int fd, const char* data,
               std::size_t size, std::size_t& done) {
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return EIO;
        data += written;
        size -= static_cast<std::size_t>(written);
        done += static_cast<std::size_t>(written);
    }
    return 0;
}

// ---- Following symbolic links as opening the path would.

// Pushes the components of path so that the first one is on top.
void PushComponents(std::vector<std::string>& stack, std::string_view path) {
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos < path.size()) {
        const std::size_t slash = std::min(path.find('/', pos), path.size());
        if (slash > pos)
            parts.emplace_back(path.substr(pos, slash - pos));
        pos = slash + 1;
    }
    stack.insert(stack.end(), parts.rbegin(), parts.rend());
}

std::string Join(const std::string& folder, std::string_view name) {
    if (folder.empty())
        return std::string(name);
    if (folder == "/")
        return "/" + std::string(name);
    return folder + "/" + std::string(name);
}

// The folder above path, whose components are real folders, not links.
std::string Parent(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string_view last = slash == std::string::npos
                                      ? std::string_view(path)
                                      : std::string_view(path).substr(slash + 1);
    if (path == "/")
        return path;
    if (path.empty() || last == "..")
        return Join(path, "..");
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The kernel's fs.protected_symlinks and fs.protected_regular rules: in a
// sticky folder that everyone may write, a link is followed, and a file
// replaced, only when it belongs to the writer or to the folder's owner.
// Anyone can plant a link or a file in /tmp; root replacing another user's
// file there would hand that user a file whose content root chose.
bool OwnerCounts(uid_t owner, const std::string& folder) {
    if (owner == ::geteuid())
        return true;
    struct stat dir {};
    if (::stat(folder.empty() ? "." : folder.c_str(), &dir) != 0)
        return false;
    constexpr mode_t kPublic = S_ISVTX | S_IWOTH;
    return (dir.st_mode & kPublic) != kPublic || dir.st_uid == owner;
}

} // namespace

LinkResolution ResolveLinks(const std::string& target) {
    constexpr int kMaxLinks = 40; // the kernel's limit before ELOOP
    std::string done = target.starts_with('/') ? "/" : "";
    std::vector<std::string> rest;
    PushComponents(rest, target);
    int links = 0;
    bool throughLastLink = false; // the rest comes from a link that was the last component
    while (!rest.empty()) {
        std::string part = std::move(rest.back());
        rest.pop_back();
        if (part == ".")
            continue;
        if (part == "..") {
            done = Parent(done);
            continue;
        }
        std::string next = Join(done, part);
        struct stat st {};
        if (::lstat(next.c_str(), &st) != 0) {
            if (errno == ENOENT && throughLastLink)
                return {{}, "Symbolische Verknüpfung zeigt ins Leere", ENOENT};
            for (done = std::move(next); !rest.empty(); rest.pop_back())
                done = Join(done, rest.back());
            break;
        }
        if (!S_ISLNK(st.st_mode)) {
            done = std::move(next);
            continue;
        }
        if (!OwnerCounts(st.st_uid, done))
            return {{},
                    "Symbolische Verknüpfung eines anderen Benutzers in einem Ordner, in den "
                    "jeder schreiben darf; sie wird nicht verfolgt",
                    EACCES};
        if (++links > kMaxLinks)
            return {{}, "Symbolische Verknüpfungen bilden eine Schleife", ELOOP};
        std::string to(PATH_MAX, '\0');
        const ssize_t length = ::readlink(next.c_str(), to.data(), to.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= to.size())
            return {{}, "Symbolische Verknüpfung nicht lesbar", length < 0 ? errno : ENAMETOOLONG};
        to.resize(static_cast<std::size_t>(length));
        throughLastLink = throughLastLink || rest.empty();
        if (to.starts_with('/'))
            done = "/";
        PushComponents(rest, to);
    }
    if (target.ends_with('/') && !done.ends_with('/'))
        done += '/';
    return {done, nullptr, 0};
}

namespace {

// The standard stream a name stands for: /dev/stdout, /dev/stderr,
// /dev/fd/N, /proc/self/fd/N (and this process's /proc/PID/fd/N); -1 for
// any other name.
int NamedDescriptor(std::string_view target) {
    if (target == "/dev/stdout")
        return STDOUT_FILENO;
    if (target == "/dev/stderr")
        return STDERR_FILENO;
    const std::string own = "/proc/" + std::to_string(::getpid()) + "/fd/";
    for (std::string_view prefix :
         {std::string_view("/dev/fd/"), std::string_view("/proc/self/fd/"),
          std::string_view("/proc/thread-self/fd/"), std::string_view(own)}) {
        if (!target.starts_with(prefix))
            continue;
        const std::string_view digits = target.substr(prefix.size());
        if (digits.empty() || digits.size() > 6 ||
            digits.find_first_not_of("0123456789") != std::string_view::npos)
            return -1;
        return std::stoi(std::string(digits));
    }
    return -1;
}

std::string StreamName(int fd) {
    if (fd == STDOUT_FILENO)
        return "Standardausgabe";
    if (fd == STDERR_FILENO)
        return "Standardfehlerausgabe";
    if (fd == STDIN_FILENO)
        return "Standardeingabe";
    return "Dateideskriptor " + std::to_string(fd);
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
    error_ = what + ": " + SystemErrorText(code);
    errorCode_ = code;
    failed_ = true;
    Abort();
    return false;
}

bool SafeFileWriter::Refuse(const std::string& what, int code) {
    error_ = what;
    errorCode_ = code;
    failed_ = true;
    Abort();
    return false;
}

bool SafeFileWriter::OpenDirect(const std::string& path, int fd) {
    if (fd < 0)
        return Fail("Öffnen", errno);
    fd_ = fd;
    directPath_ = path;
    buffer_.reserve(kBufferSize);
    return true;
}

bool SafeFileWriter::OpenNamedStream(int fd) {
    const std::string name = StreamName(fd);
    if (StandardStreamWasClosed(fd))
        return Refuse(name + " war beim Programmstart geschlossen", EBADF);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0)
        return Refuse(name + " ist nicht geöffnet", EBADF);
    if ((flags & O_ACCMODE) == O_RDONLY)
        return Refuse(name + " ist nur zum Lesen geöffnet", EBADF);
    // The same open file: its offset and O_APPEND are shared, so what the
    // caller's shell wrote before and writes after stays in place.
    return OpenDirect(target_, ::fcntl(fd, F_DUPFD_CLOEXEC, 3));
}

bool SafeFileWriter::Open() {
    Abort();
    error_.clear();
    errorCode_ = 0;
    failed_ = false;
    inPlace_ = false;
    buffer_.clear();
    directPath_.clear();
    finalPath_.clear();
    written_ = 0;
    writebackStarted_ = 0;

    if (target_.empty())
        return Fail("Kein Dateiname", ENOENT);
    if (const int named = NamedDescriptor(target_); named >= 0)
        return OpenNamedStream(named);

    struct stat st {};
    // A pipe or a device cannot be replaced. Standard output (/dev/stdout,
    // whatever it is) and the null device are written directly; anything else
    // is refused: a FIFO without a reader would block for ever, and a disk is
    // no place for a price list.
    if (::stat(target_.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        struct stat out {};
        if (::fstat(STDOUT_FILENO, &out) == 0 && SameFile(st, out))
            return OpenDirect(target_, ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0));
        if (IsNullDevice(st))
            return OpenDirect(target_, ::open("/dev/null", O_WRONLY | O_CLOEXEC));
        return Refuse(NotAFileText(st), EINVAL);
    }

    // Write beside the file a symbolic link points to, so the link survives.
    const LinkResolution resolved = ResolveLinks(target_);
    if (resolved.refusal != nullptr)
        return Refuse(resolved.refusal, resolved.error);
    finalPath_ = resolved.path;

    mode_t mode = NewFileMode();
    bool replacing = false;
    if (::stat(finalPath_.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return Fail("Ziel ist ein Ordner", EISDIR);
        if (!S_ISREG(st.st_mode))
            return Refuse(NotAFileText(st), EINVAL);
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
    if (replacing && !OwnerCounts(st.st_uid, folder))
        return Refuse("Datei eines anderen Benutzers in einem Ordner, in den jeder schreiben darf; "
                      "sie wird nicht ersetzt",
                      EACCES);
    RemoveStaleTemporaries(folder, name);
    std::string pattern = folder + "/" + TemporaryPrefix(folder, name) + "XXXXXX";
    fd_ = CreateLockedTemporary(pattern);
    if (fd_ < 0) {
        const int error = errno;
        // The user may write the file but not its folder: no temporary file
        // can stand beside it, so the file itself is written at Commit.
        if (replacing && (error == EACCES || error == EPERM))
            return OpenInPlace(st.st_dev, st.st_ino);
        return Fail("Anlegen der temporären Datei", error);
    }
    tempPath_ = pattern;
    slot_ = RegisterTemporary(tempPath_);
    // A replaced file keeps its owner where the writer may set it (root
    // writing another user's file); otherwise it becomes the writer's own
    // (keeping its group where the writer may), and a set-user or set-group
    // ID bit is not carried over to a file of another owner.
    if (replacing && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
        ::fchown(fd_, st.st_uid, st.st_gid) != 0) {
        (void)::fchown(fd_, static_cast<uid_t>(-1), st.st_gid);
        if (st.st_uid != ::geteuid())
            mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    }
    if (::fchmod(fd_, mode) != 0)
        return Fail("Setzen der Zugriffsrechte", errno);
    buffer_.reserve(kBufferSize);
    return true;
}

int OpenUnnamedTemporaryFile(std::string& folder) {
    const char* tmp = std::getenv("TMPDIR");
    folder = (tmp != nullptr && *tmp != '\0') ? std::string(tmp) : std::string("/tmp");
    std::string pattern = folder + "/.fapkalk.tmpXXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    // Unnamed at once: nothing is left behind, however the program ends.
    if (fd >= 0)
        ::unlink(pattern.c_str());
    return fd;
}

bool SafeFileWriter::OpenInPlace(dev_t device, ino_t inode) {
    fd_ = OpenUnnamedTemporaryFile(spoolFolder_);
    if (fd_ < 0)
        return Fail("Anlegen der Zwischendatei in " + spoolFolder_, errno);
    inPlace_ = true;
    targetDevice_ = device;
    targetInode_ = inode;
    buffer_.reserve(kBufferSize);
    return true;
}

bool SafeFileWriter::WriteAll(const char* data, std::size_t size) {
    if (const int error = WriteFully(write_, fd_, data, size, written_); error != 0)
        return Fail(inPlace_ ? "Schreiben der Zwischendatei in " + spoolFolder_ + " ($TMPDIR)"
                             : std::string("Schreiben"),
                    error);
#ifdef __linux__
    // Start the disk writes of a long file while the rest is still being
    // computed, so the final fsync has little left to wait for. Only a hint:
    // its result does not matter, fsync reports any failure.
    if (directPath_.empty() && !inPlace_ && written_ - writebackStarted_ >= kWritebackStep) {
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
    if (inPlace_)
        return CommitInPlace();
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

bool SafeFileWriter::CommitInPlace() {
    // The new content is complete in the unnamed file: only now is the target
    // touched.
    const off_t size = ::lseek(fd_, 0, SEEK_END);
    if (size < 0 || ::lseek(fd_, 0, SEEK_SET) != 0)
        return Fail("Lesen der temporären Datei", errno);
    const int target = ::open(finalPath_.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (target < 0)
        return Fail("Öffnen der Zieldatei", errno);
    struct stat st {};
    if (::fstat(target, &st) != 0 || !S_ISREG(st.st_mode) || st.st_dev != targetDevice_ ||
        st.st_ino != targetInode_) {
        ::close(target);
        return Refuse("Zieldatei wurde inzwischen durch eine andere ersetzt", EBUSY);
    }
    int error = 0;
#ifdef __linux__
    // The room first, so that a full disk shows before the old content is
    // overwritten (where the file system can reserve it).
    if (size > 0 && ::fallocate(target, FALLOC_FL_KEEP_SIZE, 0, size) != 0 &&
        (errno == ENOSPC || errno == EDQUOT))
        error = errno;
#endif
    std::size_t copied = 0;
    buffer_.resize(kBufferSize);
    while (error == 0) {
        const ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            error = got < 0 ? errno : 0;
            break;
        }
        error = WriteFully(write_, target, buffer_.data(), static_cast<std::size_t>(got), copied);
    }
    buffer_.clear();
    if (error == 0 && ::ftruncate(target, size) != 0)
        error = errno;
    if (error == 0 && ::fsync(target) != 0)
        error = errno;
    if (::close(target) != 0 && error == 0)
        error = errno;
    if (error != 0)
        return Fail(copied == 0
                        ? "Schreiben der Zieldatei"
                        : "Schreiben der Zieldatei abgebrochen, sie kann unvollständig sein",
                    error);
    ::close(std::exchange(fd_, -1));
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
