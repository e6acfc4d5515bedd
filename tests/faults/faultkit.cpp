#include "faultkit.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <csignal>
#include <unistd.h>

namespace faultkit {

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit lowered = previous_;
    lowered.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
}

FileSizeLimit::~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
}

namespace {

bool Chattr(const char* flag, const QString& path) {
    QProcess process;
    process.start(QStringLiteral("chattr"), {QString::fromLatin1(flag), path});
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

} // namespace

WriteDenied::WriteDenied(const QStringList& paths) {
    immutable_ = ::geteuid() == 0;
    if (immutable_ && QStandardPaths::findExecutable(QStringLiteral("chattr")).isEmpty()) {
        ok_ = false;
        reason_ = QStringLiteral("running as root, and chattr is not installed");
        return;
    }
    for (const QString& path : paths) {
        bool done = false;
        if (immutable_) {
            done = Chattr("+i", path);
        } else {
            const QFileDevice::Permissions all = QFile::permissions(path);
            done = QFile::setPermissions(
                path, all & ~(QFileDevice::WriteOwner | QFileDevice::WriteUser |
                              QFileDevice::WriteGroup | QFileDevice::WriteOther));
        }
        if (!done) {
            ok_ = false;
            reason_ = immutable_ ? QStringLiteral("running as root, and chattr +i is refused here "
                                                  "(file system or missing capability)")
                                 : QStringLiteral("cannot change the permissions of ") + path;
            return;
        }
        done_.append(path);
    }
}

WriteDenied::~WriteDenied() {
    for (const QString& path : done_) {
        if (immutable_)
            Chattr("-i", path);
        else
            QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner |
                                            QFileDevice::WriteUser);
    }
}

bool CanRunAsNobody() {
    return ::geteuid() == 0 && !QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty();
}

namespace {

void Prepare(QProcess& process, const QString& program, const QStringList& args,
             const ChildOptions& options) {
    const rlim_t limit = options.fileSizeLimit;
    const bool closeOut = options.closeStandardOutput;
    if (!options.standardOutputFile.isEmpty())
        process.setStandardOutputFile(options.standardOutputFile);
    process.setChildProcessModifier([limit, closeOut] {
        // Between fork and exec: only async-signal-safe calls.
        std::signal(SIGXFSZ, SIG_DFL);
        if (closeOut)
            ::close(STDOUT_FILENO);
        if (limit != RLIM_INFINITY) {
            rlimit lowered{};
            ::getrlimit(RLIMIT_FSIZE, &lowered);
            lowered.rlim_cur = limit;
            ::setrlimit(RLIMIT_FSIZE, &lowered);
        }
    });
    if (options.asNobody) {
        const QString id = QString::number(kNobody);
        process.setProgram(QStringLiteral("setpriv"));
        process.setArguments(
            QStringList{QStringLiteral("--reuid=") + id, QStringLiteral("--regid=") + id,
                        QStringLiteral("--clear-groups"), QStringLiteral("--"), program} +
            args);
    } else {
        process.setProgram(program);
        process.setArguments(args);
    }
}

} // namespace

ChildResult RunChild(const QString& program, const QStringList& args, const ChildOptions& options) {
    QProcess process;
    Prepare(process, program, args, options);
    ChildResult result;
    process.start();
    result.started = process.waitForStarted(10000);
    if (!result.started)
        return result;
    if (!process.waitForFinished(options.timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        result.crashed = true;
    }
    result.crashed = result.crashed || process.exitStatus() != QProcess::NormalExit;
    result.status = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

bool KillWhen(const QString& program, const QStringList& args, const std::function<bool()>& ready,
              QString& why, int timeoutMs) {
    QProcess process;
    Prepare(process, program, args, {});
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(10000)) {
        why = QStringLiteral("child did not start: ") + process.errorString();
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (!ready()) {
        if (process.state() == QProcess::NotRunning || process.waitForFinished(2)) {
            why = QStringLiteral("child ended before it could be killed, status ") +
                  QString::number(process.exitCode());
            return false;
        }
        if (clock.elapsed() > timeoutMs) {
            process.kill();
            process.waitForFinished(5000);
            why = QStringLiteral("child never reached the point to kill it");
            return false;
        }
    }
    process.kill(); // SIGKILL: nothing in the child runs any more
    process.waitForFinished(10000);
    if (process.exitStatus() != QProcess::CrashExit) {
        why = QStringLiteral("child was not killed but ended by itself");
        return false;
    }
    return true;
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList TemporaryFilesOf(const QString& folder, const QString& name) {
    QStringList found;
    const QString prefix = QLatin1Char('.') + name + QStringLiteral(".tmp");
    for (const QString& entry : Entries(folder))
        if (entry.startsWith(prefix) || entry.startsWith(name + QStringLiteral(".tmp")))
            found.append(entry);
    return found;
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

} // namespace faultkit
