// Real faults for the file writers: a file-size limit that makes write(2)
// fail like a full disk, files and folders the writer may not change, and
// child processes that are run under a limit, as another user, or killed.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <sys/resource.h>

namespace faultkit {

// While alive, writes beyond `bytes` into any regular file of this process
// fail with EFBIG, as on a full disk: the test program ignores SIGXFSZ from
// its start, as the programs do (fapkalk::SecureProcessEdges). Only the soft
// limit is lowered, so it can be raised again.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
};

// While alive, the given files and folders cannot be changed by this process:
// their write permissions are taken away, or, for root (who is not bound by
// them), they are made immutable with chattr +i. ok() is false (with reason())
// when neither works here.
class WriteDenied {
public:
    explicit WriteDenied(const QStringList& paths);
    ~WriteDenied();
    WriteDenied(const WriteDenied&) = delete;
    WriteDenied& operator=(const WriteDenied&) = delete;
    bool ok() const { return ok_; }
    const QString& reason() const { return reason_; }

private:
    QStringList done_;
    bool immutable_ = false;
    bool ok_ = true;
    QString reason_;
};

struct ChildResult {
    bool started = false;
    bool crashed = false; // ended by a signal (or could not be waited for)
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// A child starts with SIGXFSZ at its default action (ending the process), so
// the program itself must ignore it.
struct ChildOptions {
    rlim_t fileSizeLimit = RLIM_INFINITY;
    bool asNobody = false;      // run under uid/gid 65534 (needs root and setpriv)
    QString standardOutputFile; // else a pipe read into ChildResult::out
    bool closeStandardOutput = false;
    int timeoutMs = 60000;
};

// Runs program with args to its end.
ChildResult RunChild(const QString& program, const QStringList& args,
                     const ChildOptions& options = {});

// Starts program, waits until `ready` holds (polled every few milliseconds),
// then kills it with SIGKILL. False (with why) when ready never held within
// timeoutMs or the child ended first.
bool KillWhen(const QString& program, const QStringList& args, const std::function<bool()>& ready,
              QString& why, int timeoutMs = 30000);

// The uid and gid the "as another user" children run under.
inline constexpr unsigned kNobody = 65534;
// True when children can run as kNobody (root, and setpriv is installed).
bool CanRunAsNobody();

// Folder entries, hidden ones included, sorted; "." and ".." left out.
QStringList Entries(const QString& folder);
// Entries of folder that are temporary files of the writers for `name`.
QStringList TemporaryFilesOf(const QString& folder, const QString& name);

QByteArray ReadBytes(const QString& path);
bool WriteBytes(const QString& path, const QByteArray& bytes);

} // namespace faultkit
