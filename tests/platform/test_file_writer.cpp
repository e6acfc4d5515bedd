// The safe file writer: the target is either the complete new file or the old
// one byte for byte, and no temporary file is left behind.
#include "platform/file_writer.h"
#include "platform/system_error_text.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

// Opens target for writing as an unprivileged user: 0 when refused with
// EACCES, 1 when it opened, 2 on another error, 77 as RunWithoutPrivileges.
int OpenWithoutPrivileges(const std::string& target) {
    return RunWithoutPrivileges([&] {
        SafeFileWriter writer(target);
        if (writer.Open())
            return 1;
        return writer.errorCode() == EACCES ? 0 : 2;
    });
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
        QVERIFY(writer.error().find(SystemErrorText(expectedErrno)) != std::string::npos);
        QVERIFY(!writer.Append("x"));
        QVERIFY(!writer.Commit());
        QCOMPARE(Entries(folder_), (std::vector<std::string>{"folder", "plain"}));
        QCOMPARE(Entries(folder_ + "/folder"), std::vector<std::string>{"inside"});
        QCOMPARE(ReadFile(folder_ + "/plain"), kOldContent);
    }

    // Root passes every permission check, so the check runs as "nobody" then.
    // (An existing file the user may write there is written in place.)
    void newFileInReadOnlyFolder() {
        const std::string locked = folder_ + "/locked";
        QVERIFY(::mkdir(locked.c_str(), 0755) == 0);
        const std::string target = locked + "/new.csv";
        ::chmod(folder_.c_str(), 0755);
        ::chmod(locked.c_str(), 0555);
        const int result = OpenWithoutPrivileges(target);
        ::chmod(locked.c_str(), 0755);
        if (result == 77)
            QSKIP("running as root without an unprivileged user to switch to");
        QCOMPARE(result, 0);
        QCOMPARE(Entries(locked), std::vector<std::string>{});
    }

    void readOnlyFileIsNotReplaced() {
        const std::string target = folder_ + "/protected.csv";
        WriteFile(target, kOldContent);
        ::chmod(folder_.c_str(), 0777);
        ::chmod(target.c_str(), 0444);
        const int result = OpenWithoutPrivileges(target);
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
        QVERIFY(message.find(SystemErrorText(error)) != std::string::npos);
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

    // Links the writer may follow: its own, or any outside a public folder.
    void followedLinks_data() {
        QTest::addColumn<QString>("link"); // created in the folder, pointing to "to"
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("target"); // what is written
        QTest::addColumn<QString>("real");   // the file that gets the content
        QTest::newRow("to a file beside it") << "link.csv"
                                             << "real.csv"
                                             << "link.csv"
                                             << "real.csv";
        QTest::newRow("absolute") << "link.csv"
                                  << "<folder>/real.csv"
                                  << "link.csv"
                                  << "real.csv";
        QTest::newRow("a folder on the way") << "via"
                                             << "sub"
                                             << "via/x.csv"
                                             << "sub/x.csv";
        QTest::newRow("up and back") << "link.csv"
                                     << "sub/../real.csv"
                                     << "link.csv"
                                     << "real.csv";
        QTest::newRow("a link to a link") << "link.csv"
                                          << "link2.csv"
                                          << "link.csv"
                                          << "real.csv";
    }

    void followedLinks() {
        QFETCH(QString, link);
        QFETCH(QString, to);
        QFETCH(QString, target);
        QFETCH(QString, real);
        QVERIFY(::mkdir((folder_ + "/sub").c_str(), 0755) == 0);
        WriteFile(folder_ + "/real.csv", kOldContent);
        QVERIFY(::symlink("real.csv", (folder_ + "/link2.csv").c_str()) == 0);
        const std::string linkPath = folder_ + "/" + link.toStdString();
        to.replace(QStringLiteral("<folder>"), QString::fromStdString(folder_));
        QVERIFY(::symlink(to.toStdString().c_str(), linkPath.c_str()) == 0);
        std::string error;
        QVERIFY2(WriteFileSafely(folder_ + "/" + target.toStdString(), "new", &error),
                 error.c_str());
        QCOMPARE(ReadFile(folder_ + "/" + real.toStdString()), std::string("new"));
        struct stat st {};
        QVERIFY(::lstat(linkPath.c_str(), &st) == 0);
        QVERIFY(S_ISLNK(st.st_mode));
    }

    // A link that leads nowhere or round in a circle is refused, not replaced
    // by a file.
    void refusedLinks_data() {
        QTest::addColumn<QStringList>("links"); // pairs: name, points to
        QTest::addColumn<int>("expectedErrno");
        QTest::newRow("dangling") << QStringList{"out.csv", "gone.csv"} << ENOENT;
        QTest::newRow("dangling into a missing folder")
            << QStringList{"out.csv", "gone/x.csv"} << ENOENT;
        QTest::newRow("to itself") << QStringList{"out.csv", "out.csv"} << ELOOP;
        QTest::newRow("a loop of two") << QStringList{"out.csv", "b", "b", "out.csv"} << ELOOP;
    }

    void refusedLinks() {
        QFETCH(QStringList, links);
        QFETCH(int, expectedErrno);
        for (qsizetype i = 0; i + 1 < links.size(); i += 2)
            QVERIFY(::symlink(links[i + 1].toStdString().c_str(),
                              (folder_ + "/" + links[i].toStdString()).c_str()) == 0);
        const std::vector<std::string> before = Entries(folder_);
        SafeFileWriter writer(folder_ + "/out.csv");
        QVERIFY(!writer.Open());
        QCOMPARE(writer.errorCode(), expectedErrno);
        QVERIFY(writer.error().find("Verknüpfung") != std::string::npos);
        QCOMPARE(Entries(folder_), before);
        struct stat st {};
        QVERIFY(::lstat((folder_ + "/out.csv").c_str(), &st) == 0);
        QVERIFY(S_ISLNK(st.st_mode));
    }

    // The kernel's fs.protected_symlinks rule, which a rename over the link's
    // goal would get round: in a sticky folder everyone may write (/tmp), a
    // link counts only when it is the writer's own or the folder owner's.
    void linkInPublicFolder_data() {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<bool>("folderOfNobody");
        QTest::addColumn<bool>("linkOfNobody");
        QTest::addColumn<bool>("onTheWay"); // the link is a folder on the way
        QTest::addColumn<bool>("followed");
        QTest::newRow("planted by another user") << 01777 << false << true << false << false;
        QTest::newRow("planted folder on the way") << 01777 << false << true << true << false;
        QTest::newRow("the writer's own") << 01777 << false << false << false << true;
        QTest::newRow("the folder owner's") << 01777 << true << true << false << true;
        QTest::newRow("not sticky") << 0777 << false << true << false << true;
        QTest::newRow("sticky, not everyone's") << 01775 << false << true << false << true;
    }

    void linkInPublicFolder() {
        QFETCH(int, folderMode);
        QFETCH(bool, folderOfNobody);
        QFETCH(bool, linkOfNobody);
        QFETCH(bool, onTheWay);
        QFETCH(bool, followed);
        if ((folderOfNobody || linkOfNobody) && ::geteuid() != 0)
            QSKIP("only root can give a link or folder to another user (user nobody)");
        const std::string shared = folder_ + "/public";
        const std::string privateFolder = folder_ + "/private";
        QVERIFY(::mkdir(shared.c_str(), 0755) == 0);
        QVERIFY(::mkdir(privateFolder.c_str(), 0755) == 0);
        QVERIFY(::chmod(shared.c_str(), static_cast<mode_t>(folderMode)) == 0);
        const std::string victim = privateFolder + "/important.csv";
        WriteFile(victim, kOldContent);
        const std::string link = shared + (onTheWay ? "/dir" : "/out.csv");
        QVERIFY(::symlink(onTheWay ? privateFolder.c_str() : victim.c_str(), link.c_str()) == 0);
        if (linkOfNobody)
            QVERIFY(::lchown(link.c_str(), 65534, 65534) == 0);
        if (folderOfNobody)
            QVERIFY(::chown(shared.c_str(), 65534, 65534) == 0);

        SafeFileWriter writer(onTheWay ? link + "/important.csv" : link);
        const bool opened = writer.Open() && writer.Append("new") && writer.Commit();
        QCOMPARE(opened, followed);
        QCOMPARE(ReadFile(victim), followed ? std::string("new") : kOldContent);
        if (!followed) {
            QCOMPARE(writer.errorCode(), EACCES);
            QVERIFY(writer.error().find("anderen Benutzers") != std::string::npos);
        }
        struct stat st {};
        QVERIFY(::lstat(link.c_str(), &st) == 0);
        QVERIFY(S_ISLNK(st.st_mode));
        QCOMPARE(Entries(shared), std::vector<std::string>{onTheWay ? "dir" : "out.csv"});
        QCOMPARE(Entries(privateFolder), std::vector<std::string>{"important.csv"});
    }

    // What is not a file cannot be replaced: standard output and the null
    // device are written, every other pipe or device is refused at once (a
    // FIFO without a reader would block the writer for ever).
    void notAFile_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("written");
        QTest::newRow("null device") << "/dev/null" << true;
        QTest::newRow("standard output") << "/dev/stdout" << true;
        QTest::newRow("standard output by its number") << "/proc/self/fd/1" << true;
        QTest::newRow("FIFO without a reader") << "<fifo>" << false;
        QTest::newRow("character device") << "/dev/zero" << false;
        QTest::newRow("a link to a FIFO") << "<link to fifo>" << false;
    }

    void notAFile() {
        QFETCH(QString, target);
        QFETCH(bool, written);
        const std::string fifo = folder_ + "/fifo";
        QVERIFY(::mkfifo(fifo.c_str(), 0600) == 0);
        QVERIFY(::symlink("fifo", (folder_ + "/tofifo").c_str()) == 0);
        std::string path = target.toStdString();
        if (target == "<fifo>")
            path = fifo;
        else if (target == "<link to fifo>")
            path = folder_ + "/tofifo";
        // Standard output is a pipe here, so that what arrives can be read.
        int pipeEnds[2];
        QVERIFY(::pipe(pipeEnds) == 0);
        std::fflush(stdout);
        const int savedOut = ::dup(STDOUT_FILENO);
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[1]);
        std::string error;
        const bool ok = WriteFileSafely(path, "an standard output\n", &error);
        ::dup2(savedOut, STDOUT_FILENO);
        ::close(savedOut);
        ::fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
        char received[64] = {};
        const ssize_t got = ::read(pipeEnds[0], received, sizeof received);
        ::close(pipeEnds[0]);
        QVERIFY2(ok == written, error.c_str());
        const bool toStdout = target.contains(QStringLiteral("std")) || target.contains("fd/1");
        QCOMPARE(std::string(received, static_cast<std::size_t>(std::max<ssize_t>(got, 0))),
                 toStdout ? std::string("an standard output\n") : std::string());
        if (!written)
            QVERIFY(error.find("keine Datei") != std::string::npos);
        struct stat st {};
        QVERIFY(::lstat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
        QCOMPARE(Entries(folder_), (std::vector<std::string>{"fifo", "tofifo"}));
    }

    // A file the user may write in a folder the user may not: no temporary
    // file can stand beside it, so the complete new content is written over
    // the file itself. Root ignores permissions, so this runs as "nobody".
    void writtenInPlace_data() {
        QTest::addColumn<qulonglong>("size");
        QTest::addColumn<int>("failStaging"); // write failure in $TMPDIR after n bytes; -1 none
        QTest::addColumn<int>("failTarget");  // write failure on the file after n bytes; -1 none
        QTest::newRow("shorter than before") << 7ULL << -1 << -1;
        QTest::newRow("longer, many chunks") << 300000ULL << -1 << -1;
        QTest::newRow("empty") << 0ULL << -1 << -1;
        QTest::newRow("failure before the file is touched") << 300000ULL << 70000 << -1;
        QTest::newRow("failure while the file is written") << 300000ULL << -1 << 70000;
    }

    void writtenInPlace() {
        QFETCH(qulonglong, size);
        QFETCH(int, failStaging);
        QFETCH(int, failTarget);
        const bool root = ::geteuid() == 0;
        const std::string locked = folder_ + "/locked";
        const std::string staging = folder_ + "/tmp";
        QVERIFY(::mkdir(locked.c_str(), 0755) == 0);
        QVERIFY(::mkdir(staging.c_str(), 0777) == 0);
        ::chmod(staging.c_str(), 0777);
        ::chmod(folder_.c_str(), 0755);
        const std::string target = locked + "/old.csv";
        WriteFile(target, kOldContent);
        ::chmod(target.c_str(), 0640);
        if (root)
            QVERIFY(::chown(target.c_str(), 65534, 65534) == 0);
        else
            ::chmod(locked.c_str(), 0555);
        struct stat before {};
        QVERIFY(::stat(target.c_str(), &before) == 0);
        std::string content;
        for (std::size_t i = 0; content.size() < size; ++i)
            content += std::to_string(i) + "\r\n";
        content.resize(size);

        const int result = RunWithoutPrivileges([&] {
            ::setenv("TMPDIR", staging.c_str(), 1);
            std::size_t toStaging = 0, toTarget = 0;
            SafeFileWriter writer(target, [&](int fd, const void* data, std::size_t n) -> ssize_t {
                struct stat st {};
                const bool isTarget = ::fstat(fd, &st) == 0 && st.st_ino == before.st_ino;
                std::size_t& counter = isTarget ? toTarget : toStaging;
                const int limit = isTarget ? failTarget : failStaging;
                const std::size_t chunk = std::min<std::size_t>(n, 4096);
                if (limit >= 0 && counter + chunk > static_cast<std::size_t>(limit)) {
                    errno = ENOSPC;
                    return -1;
                }
                const ssize_t done = ::write(fd, data, chunk);
                if (done > 0)
                    counter += static_cast<std::size_t>(done);
                return done;
            });
            if (!writer.Open())
                return 10;
            if (!writer.inPlace() || !writer.temporaryPath().empty())
                return 11;
            if (!Entries(staging).empty()) // unnamed at once
                return 12;
            const bool ok = writer.Append(content) && writer.Commit();
            if (ok != (failStaging < 0 && failTarget < 0))
                return 13;
            if (failTarget >= 0 && writer.error().find("unvollständig") == std::string::npos)
                return 14;
            if (failStaging >= 0 && writer.error().find("unvollständig") != std::string::npos)
                return 15;
            return 0;
        });
        ::chmod(locked.c_str(), 0755);
        if (result == 77)
            QSKIP("running as root without an unprivileged user to switch to");
        QCOMPARE(result, 0);
        const std::string now = ReadFile(target);
        if (failStaging >= 0)
            QCOMPARE(now, kOldContent);
        else if (failTarget < 0)
            QCOMPARE(now, content);
        else
            QVERIFY(now != kOldContent); // partly new, as the error said
        struct stat after {};
        QVERIFY(::stat(target.c_str(), &after) == 0);
        QCOMPARE(after.st_ino, before.st_ino); // the same file, its owner and mode kept
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(Entries(locked), std::vector<std::string>{"old.csv"});
        QCOMPARE(Entries(staging), std::vector<std::string>{});
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
