// The safe file writer: the target is either the complete new file or the old
// one byte for byte, and no temporary file is left behind.
#include "pricing/file_writer.h"

#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace fapkalk;

namespace {

const std::string kOldContent = "old content that is longer than the new one\r\n"
                                "and has a second line\r\n";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

// Runs check as an unprivileged user when the tests run as root, who ignores
// permission bits; returns check's result, or 77 when no such user can be
// taken on.
int RunWithoutPrivileges(const std::function<int()>& check) {
    if (::geteuid() != 0)
        return check();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(77);
        ::_exit(check());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

// A write function that takes at most chunk bytes per call and fails with
// error once failAfter bytes are written.
struct FlakyWrite {
    std::size_t chunk = SIZE_MAX;
    std::size_t failAfter = SIZE_MAX;
    int error = ENOSPC;
    int interruptions = 0; // EINTR before anything is written
    std::size_t written = 0;

    ssize_t operator()(int fd, const void* data, std::size_t size) {
        if (interruptions > 0) {
            --interruptions;
            errno = EINTR;
            return -1;
        }
        if (written >= failAfter) {
            errno = error;
            return -1;
        }
        std::size_t n = std::min({size, chunk, failAfter - written});
        const ssize_t result = ::write(fd, data, n);
        if (result > 0)
            written += static_cast<std::size_t>(result);
        return result;
    }
};

} // namespace

class TestFileWriter : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::string folder_;
    mode_t savedMask_ = 0;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        folder_ = dir_.path().toStdString();
        savedMask_ = ::umask(022);
    }

    void cleanupTestCase() { ::umask(savedMask_); }

    void cleanup() {
        for (const std::string& name : Entries(folder_)) {
            const std::string path = folder_ + "/" + name;
            ::chmod(path.c_str(), 0755);
            if (::unlink(path.c_str()) != 0) {
                for (const std::string& inner : Entries(path))
                    ::unlink((path + "/" + inner).c_str());
                ::rmdir(path.c_str());
            }
        }
    }

    void writesNewFile() {
        const std::string target = folder_ + "/new.csv";
        std::string error;
        QVERIFY(WriteFileSafely(target, "FAP ;AEP ;KP ;AVP \r\n", &error));
        QVERIFY(error.empty());
        QCOMPARE(ReadFile(target), std::string("FAP ;AEP ;KP ;AVP \r\n"));
        QCOMPARE(ModeOf(target), mode_t(0644)); // 0666 less the umask 022
        QCOMPARE(Entries(folder_), std::vector<std::string>{"new.csv"});
    }

    void replacesLongerFileAndKeepsItsMode() {
        const std::string target = folder_ + "/old.csv";
        WriteFile(target, kOldContent);
        ::chmod(target.c_str(), 0600);
        std::string error;
        QVERIFY(WriteFileSafely(target, "short\r\n", &error));
        QCOMPARE(ReadFile(target), std::string("short\r\n"));
        QCOMPARE(ModeOf(target), mode_t(0600));
        QCOMPARE(Entries(folder_), std::vector<std::string>{"old.csv"});
    }

    void writesEmptyContent() {
        const std::string target = folder_ + "/empty.csv";
        WriteFile(target, kOldContent);
        QVERIFY(WriteFileSafely(target, "", nullptr));
        QCOMPARE(ReadFile(target), std::string());
    }

    // Pieces of every size, across the buffer's boundaries, arrive in order.
    void streamsChunks() {
        const std::string target = folder_ + "/stream.csv";
        SafeFileWriter writer(target);
        QVERIFY(writer.Open());
        std::string expected;
        std::size_t size = 1;
        for (int i = 0; i < 60; ++i) {
            const std::string piece(size, static_cast<char>('a' + i % 26));
            QVERIFY(writer.Append(piece));
            expected += piece;
            size = size * 3 % 200003 + 1;
        }
        // Nothing is visible under the target's name before the commit.
        QVERIFY(::access(target.c_str(), F_OK) != 0);
        QVERIFY(writer.Commit());
        QCOMPARE(ReadFile(target), expected);
    }

    void temporaryFileLiesBesideTarget() {
        const std::string target = folder_ + "/beside.csv";
        SafeFileWriter writer(target);
        QVERIFY(writer.Open());
        const std::string temp = writer.temporaryPath();
        QVERIFY(temp.starts_with(folder_ + "/"));
        QCOMPARE(temp.find('/', folder_.size() + 1), std::string::npos);
        QVERIFY(::access(temp.c_str(), F_OK) == 0);
        QVERIFY(writer.Commit());
        QVERIFY(::access(temp.c_str(), F_OK) != 0);
    }

    void abandonedWriterLeavesTargetAlone() {
        const std::string target = folder_ + "/keep.csv";
        WriteFile(target, kOldContent);
        {
            SafeFileWriter writer(target);
            QVERIFY(writer.Open());
            QVERIFY(writer.Append("new"));
        }
        QCOMPARE(ReadFile(target), kOldContent);
        QCOMPARE(Entries(folder_), std::vector<std::string>{"keep.csv"});

        SafeFileWriter aborted(target);
        QVERIFY(aborted.Open());
        QVERIFY(aborted.Append("new"));
        aborted.Abort();
        QVERIFY(!aborted.Commit());
        QCOMPARE(ReadFile(target), kOldContent);
        QCOMPARE(Entries(folder_), std::vector<std::string>{"keep.csv"});
    }

    void refusedTargets_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("expectedErrno");
        QTest::newRow("empty name") << QString() << ENOENT;
        QTest::newRow("missing folder") << QStringLiteral("missing/x.csv") << ENOENT;
        QTest::newRow("name is a folder") << QStringLiteral("folder") << EISDIR;
        QTest::newRow("trailing slash") << QStringLiteral("folder/") << EISDIR;
        QTest::newRow("a file used as folder") << QStringLiteral("plain/x.csv") << ENOTDIR;
    }

    void refusedTargets() {
        QFETCH(QString, name);
        QFETCH(int, expectedErrno);
        QVERIFY(::mkdir((folder_ + "/folder").c_str(), 0755) == 0);
        WriteFile(folder_ + "/folder/inside", kOldContent);
        WriteFile(folder_ + "/plain", kOldContent);
        const std::string target =
            name.isEmpty() ? std::string() : folder_ + "/" + name.toStdString();
        SafeFileWriter writer(target);
        QVERIFY(!writer.Open());
        QCOMPARE(writer.errorCode(), expectedErrno);
        QVERIFY(writer.error().find(std::strerror(expectedErrno)) != std::string::npos);
        QVERIFY(!writer.Append("x"));
        QVERIFY(!writer.Commit());
        QCOMPARE(Entries(folder_), (std::vector<std::string>{"folder", "plain"}));
        QCOMPARE(Entries(folder_ + "/folder"), std::vector<std::string>{"inside"});
        QCOMPARE(ReadFile(folder_ + "/plain"), kOldContent);
    }

    // Root passes every permission check, so the check runs as "nobody" then.
    void readOnlyFolder() {
        const std::string locked = folder_ + "/locked";
        QVERIFY(::mkdir(locked.c_str(), 0755) == 0);
        const std::string target = locked + "/old.csv";
        WriteFile(target, kOldContent);
        ::chmod(folder_.c_str(), 0755);
        ::chmod(locked.c_str(), 0555);
        ::chmod(target.c_str(), 0666);
        const int result = RunWithoutPrivileges([&] {
            SafeFileWriter writer(target);
            if (writer.Open())
                return 1;
            return writer.errorCode() == EACCES ? 0 : 2;
        });
        ::chmod(locked.c_str(), 0755);
        if (result == 77)
            QSKIP("running as root without an unprivileged user to switch to");
        QCOMPARE(result, 0);
        QCOMPARE(ReadFile(target), kOldContent);
        QCOMPARE(Entries(locked), std::vector<std::string>{"old.csv"});
    }

    void readOnlyFileIsNotReplaced() {
        const std::string target = folder_ + "/protected.csv";
        WriteFile(target, kOldContent);
        ::chmod(folder_.c_str(), 0777);
        ::chmod(target.c_str(), 0444);
        const int result = RunWithoutPrivileges([&] {
            SafeFileWriter writer(target);
            if (writer.Open())
                return 1;
            return writer.errorCode() == EACCES ? 0 : 2;
        });
        ::chmod(folder_.c_str(), 0755);
        if (result == 77)
            QSKIP("running as root without an unprivileged user to switch to");
        QCOMPARE(result, 0);
        QCOMPARE(ReadFile(target), kOldContent);
        QCOMPARE(Entries(folder_), std::vector<std::string>{"protected.csv"});
    }

    void replacedFileKeepsItsOwner() {
        if (::geteuid() != 0)
            QSKIP("only root can hand a file to another owner");
        const std::string target = folder_ + "/owned.csv";
        WriteFile(target, kOldContent);
        QVERIFY(::chown(target.c_str(), 65534, 65534) == 0);
        QVERIFY(WriteFileSafely(target, "new", nullptr));
        struct stat st {};
        QVERIFY(::stat(target.c_str(), &st) == 0);
        QCOMPARE(st.st_uid, uid_t(65534));
        QCOMPARE(st.st_gid, gid_t(65534));
        QCOMPARE(ReadFile(target), std::string("new"));
    }

    void writeFailures_data() {
        QTest::addColumn<qulonglong>("failAfter");
        QTest::addColumn<int>("error");
        QTest::addColumn<qulonglong>("size");
        QTest::newRow("disk full at once") << 0ULL << ENOSPC << 100ULL;
        QTest::newRow("disk full midway") << 70000ULL << ENOSPC << 300000ULL;
        QTest::newRow("i/o error at the last byte") << 299999ULL << EIO << 300000ULL;
        QTest::newRow("quota in a small file") << 3ULL << EDQUOT << 10ULL;
    }

    void writeFailures() {
        QFETCH(qulonglong, failAfter);
        QFETCH(int, error);
        QFETCH(qulonglong, size);
        const std::string target = folder_ + "/full.csv";
        WriteFile(target, kOldContent);
        FlakyWrite flaky;
        flaky.failAfter = failAfter;
        flaky.error = error;
        flaky.chunk = 4096;
        std::string message;
        const std::string content(size, 'x');
        QVERIFY(!WriteFileSafely(target, content, &message, std::ref(flaky)));
        QVERIFY(message.find(std::strerror(error)) != std::string::npos);
        QCOMPARE(ReadFile(target), kOldContent);
        QCOMPARE(Entries(folder_), std::vector<std::string>{"full.csv"});
    }

    // Short writes and interrupted calls are continued, not taken as failures.
    void shortAndInterruptedWrites() {
        const std::string target = folder_ + "/short.csv";
        FlakyWrite flaky;
        flaky.chunk = 7;
        flaky.interruptions = 3;
        std::string content;
        for (int i = 0; i < 20000; ++i)
            content += std::to_string(i) + "\r\n";
        QVERIFY(WriteFileSafely(target, content, nullptr, std::ref(flaky)));
        QCOMPARE(ReadFile(target), content);
    }

    void writeReturningZeroIsAnError() {
        const std::string target = folder_ + "/zero.csv";
        WriteFile(target, kOldContent);
        SafeFileWriter writer(target, [](int, const void*, std::size_t) { return ssize_t(0); });
        QVERIFY(writer.Open());
        QVERIFY(writer.Append("abc"));
        QVERIFY(!writer.Commit());
        QCOMPARE(writer.errorCode(), EIO);
        QCOMPARE(ReadFile(target), kOldContent);
        QCOMPARE(Entries(folder_), std::vector<std::string>{"zero.csv"});
    }

    void symbolicLinkStaysALink() {
        const std::string real = folder_ + "/real.csv";
        const std::string link = folder_ + "/link.csv";
        WriteFile(real, kOldContent);
        QVERIFY(::symlink("real.csv", link.c_str()) == 0);
        QVERIFY(WriteFileSafely(link, "through the link", nullptr));
        struct stat st {};
        QVERIFY(::lstat(link.c_str(), &st) == 0);
        QVERIFY(S_ISLNK(st.st_mode));
        QCOMPARE(ReadFile(real), std::string("through the link"));
    }

    void deviceIsWrittenDirectly() {
        std::string error;
        QVERIFY2(WriteFileSafely("/dev/null", "discarded", &error), error.c_str());
    }

    void signalCleanupRemovesTemporaryFiles() {
        const std::string target = folder_ + "/interrupted.csv";
        WriteFile(target, kOldContent);
        SafeFileWriter first(target);
        SafeFileWriter second(folder_ + "/other.csv");
        QVERIFY(first.Open());
        QVERIFY(second.Open());
        QVERIFY(first.Append("partial"));
        RemoveOpenTemporaryFiles();
        QVERIFY(::access(first.temporaryPath().c_str(), F_OK) != 0);
        QVERIFY(::access(second.temporaryPath().c_str(), F_OK) != 0);
        QVERIFY(!first.Commit()); // its file is gone: the rename fails and says so
        QCOMPARE(first.errorCode(), ENOENT);
        QCOMPARE(ReadFile(target), kOldContent);
        second.Abort();
        QCOMPARE(Entries(folder_), std::vector<std::string>{"interrupted.csv"});
    }

    // A committed or aborted writer is no longer registered for the cleanup,
    // so the next writer can use the slot and committed files are never hit.
    void registrationEndsWithTheWriter() {
        for (int i = 0; i < 20; ++i) {
            const std::string target = folder_ + "/f" + std::to_string(i);
            QVERIFY(WriteFileSafely(target, "x", nullptr));
        }
        RemoveOpenTemporaryFiles();
        QCOMPARE(Entries(folder_).size(), std::size_t(20));
        SafeFileWriter late(folder_ + "/late");
        QVERIFY(late.Open());
        RemoveOpenTemporaryFiles();
        QVERIFY(::access(late.temporaryPath().c_str(), F_OK) != 0);
    }
};

QTEST_GUILESS_MAIN(TestFileWriter)
#include "test_file_writer.moc"
