// Every file the program writes, under real faults: the export from the
// window, the command-line tool's output file (-o) and the settings file, each
// with a full disk, no permission, a folder that does not exist, a name that
// is a folder, and the writing process killed midway. After each the user is
// told (message box or exit status) and the file that was there before is
// intact, byte for byte, with nothing left beside it.
#include "faultkit.h"
#include "ui/output/outputtestkit.h"

#include "app/StartProgram.h"
#include "platform/file_writer.h"
#include "platform/standard_streams.h"
#include "pricing/numbers.h"
#include "settings/JvFormPlacement.h"
#include "settings/profile_file.h"
#include "ui/main/FAP_Main.h"
#include "ui/output/ExportFile.h"
#include "ui/output/FAP_Export.h"
#include "ui/widgets/ResultGrid.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <cstdlib>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

using faultkit::ReadBytes;
using faultkit::WriteBytes;

namespace {

enum class Writer { Window, Cli, Settings };
enum class Fault { FullDisk, NoPermission, MissingFolder, NameIsFolder };
enum class Access { ReadOnlyFile, FolderNotWritable, WritableFileOnly };
enum class LinkCase { Planted, Dangling, Loop, OthersFile };

const char* const kChildFlag = "--fault-child";

// The reason a write beyond the file-size limit gives (16 bytes, see Write).
const QString kLimitReason =
    QStringLiteral("überschreitet die Dateigrößengrenze von 16 Bytes (ulimit -f)");

constexpr std::pair<const char*, Writer> kWriters[] = {
    {"window export", Writer::Window}, {"cli -o", Writer::Cli}, {"settings", Writer::Settings}};

QString CliProgram() {
    return QStringLiteral(FAPKALK_CLI);
}

QString SelfProgram() {
    return QCoreApplication::applicationFilePath();
}

QString FileNameOf(Writer writer) {
    return writer == Writer::Settings ? QStringLiteral("kalvor.ini")
                                      : QStringLiteral("FAP_PREIS.CSV");
}

// What stood in the file before: a partial or emptied replacement shows.
QByteArray OldContent(Writer writer) {
    if (writer == Writer::Settings)
        return "[formpara]\r\nFormVersion=0\r\nNormPos=10,20,537,400\r\n; Kommentar\r\n"
               "[fremd]\r\nSchl\xFC"
               "ssel=bleibt\r\n";
    QByteArray old = "FAP ;AEP ;KP ;AVP \r\n";
    for (int i = 0; i < 200; ++i)
        old += "alter Inhalt " + QByteArray::number(i) + "\r\n";
    return old;
}

// Settings text of save number `round` in the killed child; a complete file
// names its round in the first line and ends with the end mark.
QByteArray SettingsVersion(int round) {
    QByteArray text = "; Runde " + QByteArray::number(round) + "\n[formpara]\n";
    for (int i = 0; i < 2000; ++i)
        text += "Key" + QByteArray::number(i) + "=" + QByteArray::number(round) + "\n";
    return text + "; Ende\n";
}

int RoundOf(const QByteArray& text) {
    const QByteArray first = text.left(text.indexOf('\n'));
    if (!first.startsWith("; Runde "))
        return -1;
    bool ok = false;
    const int round = first.mid(8).toInt(&ok);
    return ok ? round : -1;
}

// ---- What the child processes do (the test program started again).

// A long export written slowly (a busy disk), so that it can be killed midway.
int ChildSlowExport(const std::string& path) {
    const fapkalk::RowStore rows = *testkit::TableWithPrices(400'000).rows;
    const auto slow = [](int fd, const void* data, std::size_t size) -> ssize_t {
        ::usleep(20'000);
        return ::write(fd, data, size);
    };
    const fapkalk::ExportResult result =
        fapkalk::WriteExportFile(path, rows, fapkalk::ExportLayout::FixedPosition, nullptr, slow);
    return result.ok ? 0 : 3;
}

// The same export, small and quick: 0 written, 3 refused.
int ChildExport(const std::string& path) {
    const fapkalk::RowStore rows = *testkit::TableOfRun(1, 1, 3).rows;
    return fapkalk::WriteExportFile(path, rows, fapkalk::ExportLayout::Xls, nullptr).ok ? 0 : 3;
}

int ChildSettingsSave(const std::string& path) {
    const QByteArray text = SettingsVersion(1);
    return settings::SaveProfileFile(path, settings::ProfileFile(text.toStdString())).ok ? 0 : 3;
}

// Saves the settings file over and over until it is killed.
int ChildSettingsLoop(const std::string& path) {
    for (int round = 1;; ++round) {
        const QByteArray text = SettingsVersion(round);
        if (!settings::SaveProfileFile(path, settings::ProfileFile(text.toStdString())).ok)
            return 3;
    }
}

int RunChildMode(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const std::string_view mode = argv[0];
    const std::string path = argv[1];
    if (mode == "slow-export")
        return ChildSlowExport(path);
    if (mode == "export")
        return ChildExport(path);
    if (mode == "settings-save")
        return ChildSettingsSave(path);
    if (mode == "settings-loop")
        return ChildSettingsLoop(path);
    return 2;
}

} // namespace

class TestWriteFaults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void faults_data();
    void faults();

    void killedMidWrite_data();
    void killedMidWrite();
    void killedSettingsSaves();

    void anotherUsersFiles_data();
    void anotherUsersFiles();
    void links_data();
    void links();
    void notAFile_data();
    void notAFile();
    void cliToStandardOutput();
    void windowProgramStreams();
    void mainWindowSettingsEdges_data();
    void mainWindowSettingsEdges();

    void leftoversOfThisTargetOnly_data();
    void leftoversOfThisTargetOnly();
    void liveWriterKeepsItsTemporaryFile();

private:
    struct Outcome {
        bool reported = false; // the right message or exit status
        QString detail;        // what happened instead
    };
    // Runs one write of writer to path in this process (window, settings) or
    // in a child (the command-line tool), with the fault's file-size limit.
    Outcome Write(Writer writer, const QString& path, bool fullDisk, bool expectSuccess);
};

void TestWriteFaults::initTestCase() {
    QVERIFY2(QFileInfo(CliProgram()).isExecutable(), qPrintable(CliProgram()));
}

TestWriteFaults::Outcome TestWriteFaults::Write(Writer writer, const QString& path, bool fullDisk,
                                                bool expectSuccess) {
    Outcome outcome;
    constexpr rlim_t kFullAfter = 16; // bytes: less than any of the files
    switch (writer) {
    case Writer::Window: {
        fapkalk::TdlgFAP_EXPORT dialog;
        dialog.SetTable(testkit::TableWithPrices(500));
        dialog.Edit1->setText(path);
        dialog.show();
        testkit::MessageRecorder messages;
        {
            std::optional<faultkit::FileSizeLimit> limit;
            if (fullDisk)
                limit.emplace(kFullAfter);
            dialog.Button1Click();
        }
        const QString text = messages.texts().value(0);
        const auto kind =
            expectSuccess ? tools::MessageKind::Information : tools::MessageKind::Error;
        // A failure leaves the dialog open and says why.
        outcome.reported =
            messages.messages().size() == 1 && messages.messages().constFirst().kind == kind &&
            dialog.isVisible() == !expectSuccess &&
            (expectSuccess ? text == fapkalk::ExportCountText(500, path)
                           : text.startsWith(fapkalk::ExportFailureText(path) + " (") &&
                                 (!fullDisk || text.contains(kLimitReason)));
        outcome.detail = messages.texts().join(QStringLiteral(" | "));
        break;
    }
    case Writer::Cli: {
        faultkit::ChildOptions options;
        if (fullDisk)
            options.fileSizeLimit = kFullAfter;
        const faultkit::ChildResult r =
            faultkit::RunChild(CliProgram(),
                               {QStringLiteral("range"), QStringLiteral("1"), QStringLiteral("20"),
                                QStringLiteral("0.5"), QStringLiteral("-o"), path},
                               options);
        const QByteArray message =
            "Datei \"" + QFile::encodeName(path) + "\" konnte nicht geschrieben werden!";
        if (expectSuccess)
            outcome.reported = r.started && !r.crashed && r.status == 0 && r.err.isEmpty();
        else
            outcome.reported = r.started && !r.crashed && r.status == 1 && r.out.isEmpty() &&
                               r.err.contains(message) &&
                               (!fullDisk || r.err.contains(kLimitReason.toUtf8()));
        outcome.detail =
            QStringLiteral("status %1, crashed %2, stderr: ").arg(r.status).arg(r.crashed) +
            QString::fromUtf8(r.err);
        break;
    }
    case Writer::Settings: {
        QWidget window;
        window.resize(527, 300);
        TJvFormPlacement placement(&window, QStringLiteral("formpara"));
        placement.IniFileName = path;
        {
            testkit::MessageRecorder restoreMessages; // a folder in its place is reported here too
            placement.RestoreFormPlacement();
        }
        testkit::MessageRecorder messages;
        bool saved = false;
        {
            std::optional<faultkit::FileSizeLimit> limit;
            if (fullDisk)
                limit.emplace(kFullAfter);
            saved = placement.SaveFormPlacement();
        }
        const QString text = messages.texts().value(0);
        if (expectSuccess) {
            outcome.reported = saved && messages.texts().isEmpty();
        } else {
            // The full path and the reason, once.
            outcome.reported =
                !saved && messages.texts().size() == 1 &&
                text.startsWith(QStringLiteral("In ") + path +
                                QStringLiteral(" kann nicht geschrieben werden (")) &&
                text.endsWith(QStringLiteral(").")) && (!fullDisk || text.contains(kLimitReason)) &&
                messages.messages().constFirst().kind == tools::MessageKind::Error;
        }
        outcome.detail = messages.texts().join(QStringLiteral(" | "));
        placement.Active = false; // no second save when it goes
        break;
    }
    }
    return outcome;
}

void TestWriteFaults::faults_data() {
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<Fault>("fault");
    const std::pair<const char*, Fault> faults[] = {{"full disk", Fault::FullDisk},
                                                    {"no permission", Fault::NoPermission},
                                                    {"missing folder", Fault::MissingFolder},
                                                    {"name is a folder", Fault::NameIsFolder}};
    for (const auto& [writerName, writer] : kWriters)
        for (const auto& [faultName, fault] : faults)
            QTest::addRow("%s, %s", writerName, faultName) << writer << fault;
}

void TestWriteFaults::faults() {
    QFETCH(Writer, writer);
    QFETCH(Fault, fault);
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString folder = temp.filePath(QStringLiteral("ablage"));
    QVERIFY(QDir().mkdir(folder));
    const QString name = FileNameOf(writer);
    const QByteArray old = OldContent(writer);

    QString target = QDir(folder).filePath(name);
    if (fault == Fault::MissingFolder) {
        target = QDir(folder).filePath(QStringLiteral("gibtsnicht/") + name);
    } else if (fault == Fault::NameIsFolder) {
        QVERIFY(QDir().mkdir(target));
        QVERIFY(WriteBytes(QDir(target).filePath(QStringLiteral("inhalt")), old));
    } else {
        QVERIFY(WriteBytes(target, old));
    }
    const QStringList before = faultkit::Entries(folder);

    Outcome outcome;
    if (fault == Fault::NoPermission) {
        const faultkit::WriteDenied denied({target, folder});
        if (!denied.ok())
            QSKIP(qPrintable(denied.reason()));
        outcome = Write(writer, target, false, false);
    } else {
        outcome = Write(writer, target, fault == Fault::FullDisk, false);
    }
    QVERIFY2(outcome.reported, qPrintable(outcome.detail));

    if (fault == Fault::NameIsFolder) {
        QCOMPARE(faultkit::Entries(target), QStringList{QStringLiteral("inhalt")});
        QCOMPARE(ReadBytes(QDir(target).filePath(QStringLiteral("inhalt"))), old);
    } else if (fault != Fault::MissingFolder) {
        QCOMPARE(ReadBytes(target), old);
    }
    // No half-written or temporary file beside it, no folder made.
    QCOMPARE(faultkit::Entries(folder), before);
}

void TestWriteFaults::killedMidWrite_data() {
    QTest::addColumn<Writer>("writer");
    QTest::newRow("window export") << Writer::Window;
    QTest::newRow("cli -o") << Writer::Cli;
}

void TestWriteFaults::killedMidWrite() {
    QFETCH(Writer, writer);
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString folder = temp.path();
    const QString name = FileNameOf(writer);
    const QString target = QDir(folder).filePath(name);
    const QByteArray old = OldContent(writer);
    QVERIFY(WriteBytes(target, old));

    // Killed twice: what is left behind must not pile up.
    for (int kill = 0; kill < 2; ++kill) {
        const QString program = writer == Writer::Cli ? CliProgram() : SelfProgram();
        // A range far longer than the time until the kill (beyond the
        // default row limit), whose rows all fit their cells (from
        // 7,026,765.88 € on an AVP would not).
        const QStringList args = writer == Writer::Cli
                                     ? QStringList{QStringLiteral("range"),
                                                   QStringLiteral("0.01"),
                                                   QStringLiteral("7000000"),
                                                   QStringLiteral("0.01"),
                                                   QStringLiteral("--max-rows=1000000000"),
                                                   QStringLiteral("-o"),
                                                   target}
                                     : QStringList{QString::fromLatin1(kChildFlag),
                                                   QStringLiteral("slow-export"), target};
        QString why;
        // Killed once a megabyte of its new file is out (not counting what an
        // earlier kill left).
        const QStringList earlier = faultkit::TemporaryFilesOf(folder, name);
        const auto midway = [&] {
            for (const QString& file : faultkit::TemporaryFilesOf(folder, name))
                if (!earlier.contains(file) &&
                    QFileInfo(QDir(folder).filePath(file)).size() >= 1024 * 1024)
                    return true;
            return false;
        };
        const bool killed = faultkit::KillWhen(program, args, midway, why);
        QVERIFY2(killed, qPrintable(why));
        QCOMPARE(ReadBytes(target), old);
        // A killed program cannot tidy up: its temporary file stays until the
        // next write of the same file (here the next kill's, or the one below).
        QCOMPARE(faultkit::TemporaryFilesOf(folder, name).size(), 1);
    }

    const Outcome outcome = Write(writer, target, false, true);
    QVERIFY2(outcome.reported, qPrintable(outcome.detail));
    QVERIFY(ReadBytes(target) != old);
    QVERIFY(ReadBytes(target).contains("FAP ;AEP ;KP ;AVP \r\n"));
    QCOMPARE(faultkit::Entries(folder), QStringList{name});
}

void TestWriteFaults::killedSettingsSaves() {
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString folder = temp.path();
    const QString name = FileNameOf(Writer::Settings);
    const QString target = QDir(folder).filePath(name);
    QVERIFY(WriteBytes(target, SettingsVersion(0)));

    int lastRound = 0;
    for (int kill = 0; kill < 3; ++kill) {
        QString why;
        const int roundBefore = RoundOf(ReadBytes(target));
        // Killed once it has saved a few times, while a save is under way.
        const bool killed = faultkit::KillWhen(
            SelfProgram(),
            {QString::fromLatin1(kChildFlag), QStringLiteral("settings-loop"), target},
            [&] {
                return RoundOf(ReadBytes(target)) >= roundBefore + 3 &&
                       !faultkit::TemporaryFilesOf(folder, name).isEmpty();
            },
            why);
        QVERIFY2(killed, qPrintable(why));
        // Always one complete save: the old file or a new one, never a mix.
        const QByteArray now = ReadBytes(target);
        const int round = RoundOf(now);
        QVERIFY2(round >= 0, now.left(80).constData());
        QCOMPARE(now, SettingsVersion(round));
        QVERIFY(round >= lastRound);
        lastRound = round;
        QVERIFY(faultkit::TemporaryFilesOf(folder, name).size() <= 1);
    }

    // The next save of the window tidies up whatever a kill left.
    const Outcome outcome = Write(Writer::Settings, target, false, true);
    QVERIFY2(outcome.reported, qPrintable(outcome.detail));
    QCOMPARE(faultkit::Entries(folder), QStringList{name});
    settings::ProfileFile saved;
    QVERIFY(settings::LoadProfileFile(target.toStdString(), saved).ok);
    QCOMPARE(saved.ReadInteger("formpara", "FormVersion", -1), 0);
    QCOMPARE(saved.ReadString("formpara", "Key7"), std::to_string(lastRound)); // unknown keys stay
}

void TestWriteFaults::anotherUsersFiles_data() {
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<Access>("access");
    const std::pair<const char*, Access> cases[] = {
        {"read-only file", Access::ReadOnlyFile},
        {"folder not writable", Access::FolderNotWritable},
        {"writable file in a folder not writable", Access::WritableFileOnly}};
    for (const auto& [writerName, writer] : kWriters)
        for (const auto& [caseName, access] : cases)
            QTest::addRow("%s, %s", writerName, caseName) << writer << access;
}

// Plain permissions, as a user meets them: the writer runs as an ordinary
// user (root's children are moved to "nobody"), the file is read-only or the
// folder belongs to someone else. A file the user may write in a folder the
// user may not is written in place (no temporary file can stand beside it).
void TestWriteFaults::anotherUsersFiles() {
    QFETCH(Writer, writer);
    QFETCH(Access, access);
    const bool root = ::geteuid() == 0;
    if (root && !faultkit::CanRunAsNobody())
        QSKIP("running as root without setpriv: no ordinary user to write as");

    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString folder = temp.filePath(QStringLiteral("fremd"));
    QVERIFY(QDir().mkdir(folder));
    const QString target = QDir(folder).filePath(FileNameOf(writer));
    const QByteArray old = OldContent(writer);
    QVERIFY(WriteBytes(target, old));
    const QByteArray targetName = QFile::encodeName(target);
    // The writer reaches the folder; the folder is its own only for a read-only file.
    QVERIFY(QFile::setPermissions(temp.path(), QFile::permissions(temp.path()) |
                                                   QFileDevice::ReadOther | QFileDevice::ExeOther));
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (access == Access::ReadOnlyFile) {
        if (root) {
            QCOMPARE(::chown(QFile::encodeName(folder).constData(), faultkit::kNobody,
                             faultkit::kNobody),
                     0);
            QCOMPARE(::chown(targetName.constData(), faultkit::kNobody, faultkit::kNobody), 0);
        }
        QVERIFY(QFile::setPermissions(target, readOnly));
    } else if (root) {
        QVERIFY(QFile::setPermissions(folder, QFile::permissions(folder) | QFileDevice::ReadOther |
                                                  QFileDevice::ExeOther));
        if (access == Access::WritableFileOnly)
            QCOMPARE(::chown(targetName.constData(), faultkit::kNobody, faultkit::kNobody), 0);
    } else {
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        if (access == Access::FolderNotWritable)
            QVERIFY(QFile::setPermissions(target, readOnly));
    }
    const QStringList before = faultkit::Entries(folder);
    struct stat fileBefore {};
    QCOMPARE(::stat(targetName.constData(), &fileBefore), 0);
    const bool written = access == Access::WritableFileOnly;

    faultkit::ChildOptions options;
    options.asNobody = root;
    faultkit::ChildResult r;
    if (writer == Writer::Cli) {
        r = faultkit::RunChild(CliProgram(),
                               {QStringLiteral("range"), QStringLiteral("1"), QStringLiteral("2"),
                                QStringLiteral("0.5"), QStringLiteral("-o"), target},
                               options);
        if (!written)
            QVERIFY2(r.err.contains("konnte nicht geschrieben werden!"), r.err.constData());
    } else {
        const QString mode =
            writer == Writer::Window ? QStringLiteral("export") : QStringLiteral("settings-save");
        r = faultkit::RunChild(SelfProgram(), {QString::fromLatin1(kChildFlag), mode, target},
                               options);
    }
    QFile::setPermissions(folder, QFile::permissions(folder) | QFileDevice::WriteOwner);
    QVERIFY2(r.started && !r.crashed, r.err.constData());
    if (written) {
        QCOMPARE(r.status, 0);
        QVERIFY2(r.err.isEmpty(), r.err.constData());
        const QByteArray now = ReadBytes(target);
        QVERIFY(now.startsWith(writer == Writer::Settings ? SettingsVersion(1).left(10)
                                                          : QByteArray("FAP ;AEP ;KP ;AVP \r\n")));
        QVERIFY(now != old);
        // The same file, written over: owner and mode stay.
        struct stat fileAfter {};
        QCOMPARE(::stat(targetName.constData(), &fileAfter), 0);
        QCOMPARE(fileAfter.st_ino, fileBefore.st_ino);
        QCOMPARE(fileAfter.st_uid, fileBefore.st_uid);
        QCOMPARE(fileAfter.st_mode, fileBefore.st_mode);
    } else {
        QCOMPARE(r.status, writer == Writer::Cli ? 1 : 3);
        QCOMPARE(ReadBytes(target), old);
    }
    QCOMPARE(faultkit::Entries(folder), before);
}

void TestWriteFaults::links_data() {
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<LinkCase>("link");
    const std::pair<const char*, LinkCase> cases[] = {
        {"planted link", LinkCase::Planted},
        {"dangling link", LinkCase::Dangling},
        {"link loop", LinkCase::Loop},
        {"another user's file", LinkCase::OthersFile}};
    for (const auto& [writerName, writer] : kWriters)
        for (const auto& [caseName, link] : cases)
            QTest::addRow("%s, %s", writerName, caseName) << writer << link;
}

// A link another user planted in a folder everyone may write (/tmp), which
// points to a file of ours, must not make the writer replace that file: the
// kernel's protected_symlinks rule, which a rename would get round. A link
// that leads nowhere or round in a loop is refused, not replaced by a file.
void TestWriteFaults::links() {
    QFETCH(Writer, writer);
    QFETCH(LinkCase, link);
    const bool ofNobody = link == LinkCase::Planted || link == LinkCase::OthersFile;
    if (ofNobody && ::geteuid() != 0)
        QSKIP("only root can plant a link or a file that belongs to another user (nobody)");
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString shared = temp.filePath(QStringLiteral("oeffentlich"));
    const QString own = temp.filePath(QStringLiteral("privat"));
    QVERIFY(QDir().mkdir(shared) && QDir().mkdir(own));
    QCOMPARE(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
    const QString victim = QDir(own).filePath(QStringLiteral("wichtig.txt"));
    const QByteArray old = OldContent(writer);
    QVERIFY(WriteBytes(victim, old));
    const QString target = QDir(shared).filePath(FileNameOf(writer));
    const QByteArray targetName = QFile::encodeName(target);
    QByteArray pointsTo = QFile::encodeName(victim);
    if (link == LinkCase::Dangling)
        pointsTo = "gibtsnicht.txt";
    else if (link == LinkCase::Loop)
        pointsTo = QFile::encodeName(FileNameOf(writer));
    // Root replacing a file of another user there would hand that user a
    // file of root's making (with its old mode, 0666): refused alike.
    if (link == LinkCase::OthersFile)
        QVERIFY(WriteBytes(target, old) && ::chmod(targetName.constData(), 0666) == 0);
    else
        QCOMPARE(::symlink(pointsTo.constData(), targetName.constData()), 0);
    if (ofNobody)
        QCOMPARE(::lchown(targetName.constData(), faultkit::kNobody, faultkit::kNobody), 0);

    const Outcome outcome = Write(writer, target, false, false);
    QVERIFY2(outcome.reported, qPrintable(outcome.detail));
    QVERIFY2(outcome.detail.contains(link == LinkCase::OthersFile ? "anderen Benutzers"
                                                                  : "Symbolische Verknüpfung"),
             qPrintable(outcome.detail)); // the reason, in the window too
    QCOMPARE(ReadBytes(victim), old);
    if (link == LinkCase::OthersFile) {
        QCOMPARE(ReadBytes(target), old);
        return;
    }
    if (writer == Writer::Settings && link == LinkCase::Planted) {
        // Not followed for reading either: the victim's NormPos is not taken.
        QWidget window;
        TJvFormPlacement placement(&window, QStringLiteral("formpara"));
        placement.IniFileName = target;
        placement.RestoreFormPlacement();
        QVERIFY(!placement.PlacementApplied());
        placement.Active = false;
    }
    QCOMPARE(QFile::symLinkTarget(target),
             QFileInfo(QFile::decodeName(pointsTo)).isAbsolute()
                 ? QFile::decodeName(pointsTo)
                 : QDir(shared).filePath(QFile::decodeName(pointsTo)));
    QCOMPARE(faultkit::Entries(shared), QStringList{FileNameOf(writer)});
    QCOMPARE(faultkit::Entries(own), QStringList{QStringLiteral("wichtig.txt")});
}

void TestWriteFaults::notAFile_data() {
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<QString>("kind");
    for (const auto& [writerName, writer] : kWriters) {
        QTest::addRow("%s, FIFO without a reader", writerName) << writer << QStringLiteral("fifo");
        QTest::addRow("%s, device", writerName) << writer << QStringLiteral("/dev/zero");
    }
}

// A pipe or a device cannot be replaced like a file: the write is refused at
// once with the usual message (a FIFO without a reader used to block for
// ever), and the pipe stays a pipe.
void TestWriteFaults::notAFile() {
    QFETCH(Writer, writer);
    QFETCH(QString, kind);
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    QString target = kind;
    if (kind == QLatin1String("fifo")) {
        target = temp.filePath(FileNameOf(writer));
        QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0600), 0);
    }
    const Outcome outcome = Write(writer, target, false, false);
    QVERIFY2(outcome.reported, qPrintable(outcome.detail));
    if (kind == QLatin1String("fifo")) {
        struct stat st {};
        QCOMPARE(::lstat(QFile::encodeName(target).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QCOMPARE(faultkit::Entries(temp.path()), QStringList{FileNameOf(writer)});
    }
}

// Standard output is the one pipe the tool writes through -o.
void TestWriteFaults::cliToStandardOutput() {
    const faultkit::ChildResult r = faultkit::RunChild(
        CliProgram(), {QStringLiteral("range"), QStringLiteral("1"), QStringLiteral("2"),
                       QStringLiteral("0.5"), QStringLiteral("-o"), QStringLiteral("/dev/stdout")});
    QVERIFY2(r.started && !r.crashed && r.status == 0, r.err.constData());
    QVERIFY(r.out.startsWith("FAP ;AEP ;KP ;AVP \r\n"));
    QCOMPARE(r.out.count("\r\n"), 1 + 3);
}

// The window program on its own edges, where it writes without a window: a
// file-size limit is reported, not a death by SIGXFSZ, and a standard output
// the caller closed is an error rather than a silent /dev/null.
void TestWriteFaults::windowProgramStreams() {
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    for (const bool closed : {false, true}) {
        faultkit::ChildOptions options;
        options.closeStandardOutput = closed;
        options.fileSizeLimit = closed ? RLIM_INFINITY : 0;
        options.standardOutputFile = temp.filePath(QStringLiteral("version.txt"));
        const faultkit::ChildResult r = faultkit::RunChild(QStringLiteral(FAPKALK_WINDOW),
                                                           {QStringLiteral("--version")}, options);
        QVERIFY2(r.started && !r.crashed && r.status == 1, r.err.constData());
        QVERIFY2(r.err.contains(closed ? "sie war beim Programmstart geschlossen"
                                       : "überschreitet die Dateigrößengrenze von 0 Bytes"),
                 r.err.constData());
    }
}

void TestWriteFaults::mainWindowSettingsEdges_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("oversized");
    const QByteArray head = "[formpara]\r\nNormPos=-526,-345,1,1\r\n";
    QTest::newRow("one pixel on screen") << head << false;
    QTest::newRow("2 MB settings file") << head + QByteArray(2 << 20, '#') << true;
    QTest::newRow("would grow over 1 MB")
        << head + QByteArray(1'048'476 - head.size(), '#') << true;
}

// The main window with "/inidest:" on a folder with capitals, as a user
// starts it: a window stored with one pixel on screen comes up on it and is
// saved there; a settings file of 2 MB is neither read nor saved over, and
// one just under 1 MB is not saved larger than that, which would lock it out.
void TestWriteFaults::mainWindowSettingsEdges() {
    QFETCH(QByteArray, content);
    QFETCH(bool, oversized);
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString folder = temp.filePath(QStringLiteral("Praxis"));
    QVERIFY(QDir().mkdir(folder));
    const QString ini = QDir(folder).filePath(QStringLiteral("kalvor.ini"));
    QVERIFY(WriteBytes(ini, content));
    testkit::MessageRecorder messages;
    {
        const auto form = fapkalk::CreateMainWindow(
            {QStringLiteral("fapkalk"), QStringLiteral("/INIDEST:") + folder});
        QCOMPARE(form->FormPlacement().IniFileName, ini);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        const QRect screen = form->screen()->availableGeometry();
        QTRY_VERIFY(screen.contains(form->frameGeometry()));
        QVERIFY(messages.texts().isEmpty());
        QVERIFY(form->close());
    }
    if (oversized) {
        QCOMPARE(ReadBytes(ini), content);
        // Once, not again at the end, saying how to get it saved again.
        QCOMPARE(messages.texts().size(), 1);
        QVERIFY(messages.texts().constFirst().contains(QStringLiteral("größer als 1 MB")));
        QVERIFY(messages.texts().constFirst().contains(QStringLiteral("Löschen oder kürzen")));
    } else {
        QVERIFY(messages.texts().isEmpty());
        settings::ProfileFile saved;
        QVERIFY(settings::LoadProfileFile(ini.toStdString(), saved).ok);
        const std::string normPos = saved.ReadString("formpara", "NormPos");
        QCOMPARE(settings::WordAsInteger(normPos, 0, -1), 0);
        QCOMPARE(settings::WordAsInteger(normPos, 1, -1), 0);
    }
}

void TestWriteFaults::leftoversOfThisTargetOnly_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("otherOwner");
    QTest::addColumn<bool>("removed");
    QTest::newRow("left by a killed writer") << ".FAP_PREIS.CSV.tmpAb3xY9" << false << true;
    QTest::newRow("shorter random part") << ".FAP_PREIS.CSV.tmpAb3xY" << false << false;
    QTest::newRow("longer random part") << ".FAP_PREIS.CSV.tmpAb3xY9z" << false << false;
    QTest::newRow("another target's") << ".FAP_PREIS.TXT.tmpAb3xY9" << false << false;
    QTest::newRow("not hidden") << "FAP_PREIS.CSV.tmpAb3xY9" << false << false;
    QTest::newRow("another user's") << ".FAP_PREIS.CSV.tmpAb3xY9" << true << false;
}

// The next write removes what a killed writer left, and nothing else.
void TestWriteFaults::leftoversOfThisTargetOnly() {
    QFETCH(QString, entry);
    QFETCH(bool, otherOwner);
    QFETCH(bool, removed);
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString leftover = temp.filePath(entry);
    QVERIFY(WriteBytes(leftover, "halb"));
    if (otherOwner) {
        if (::geteuid() != 0)
            QSKIP("only root can give a file to another user");
        QCOMPARE(
            ::chown(QFile::encodeName(leftover).constData(), faultkit::kNobody, faultkit::kNobody),
            0);
    }
    const std::string target = temp.filePath(QStringLiteral("FAP_PREIS.CSV")).toStdString();
    fapkalk::SafeFileWriter writer(target);
    QVERIFY2(writer.Open() && writer.Append("neu\r\n") && writer.Commit(), writer.error().c_str());
    QCOMPARE(QFileInfo::exists(leftover), !removed);
    QCOMPARE(ReadBytes(QString::fromStdString(target)), QByteArray("neu\r\n"));
}

// Two writers of one file at the same time (two copies of the program): the
// second must not take the first one's temporary file for a leftover.
void TestWriteFaults::liveWriterKeepsItsTemporaryFile() {
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const std::string target = temp.filePath(QStringLiteral("kalvor.ini")).toStdString();
    fapkalk::SafeFileWriter first(target);
    QVERIFY(first.Open());
    QVERIFY(first.Append("[erste]\n"));
    const std::string firstTemporary = first.temporaryPath();

    fapkalk::SafeFileWriter second(target);
    QVERIFY(second.Open());
    QVERIFY(::access(firstTemporary.c_str(), F_OK) == 0);
    QVERIFY(second.Append("[zweite]\n"));
    QVERIFY(second.Commit());
    QVERIFY(::access(firstTemporary.c_str(), F_OK) == 0);

    QVERIFY2(first.Commit(), first.error().c_str()); // the last one wins, whole
    QCOMPARE(ReadBytes(QString::fromStdString(target)), QByteArray("[erste]\n"));
    QCOMPARE(faultkit::Entries(temp.path()), QStringList{QStringLiteral("kalvor.ini")});
}

int main(int argc, char** argv) {
    fapkalk::SecureProcessEdges(); // as the programs start
    if (argc >= 2 && std::string_view(argv[1]) == kChildFlag)
        return RunChildMode(argc - 2, argv + 2);
    QApplication app(argc, argv);
    TestWriteFaults test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_write_faults.moc"
