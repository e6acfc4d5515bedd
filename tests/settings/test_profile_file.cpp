// The profile file: reading, line-preserving writing, damaged input, and the
// all-or-nothing replacement on disk.
#include "runner/metatypes.h"
#include "settings/profile_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using settings::ProfileFile;

Q_DECLARE_METATYPE(std::optional<std::string>)
Q_DECLARE_METATYPE(std::optional<int>)

namespace {

std::string ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void WriteBytes(const QString& path, const std::string& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes.data(), static_cast<qint64>(bytes.size())),
             static_cast<qint64>(bytes.size()));
}

std::string Local(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

using namespace std::string_literals;

} // namespace

class TestProfileFile : public QObject {
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void integer_data();
    void integer();
    void readIntegerFallsBack();
    void words_data();
    void words();
    void write_data();
    void write();
    void writeRefusesNamesThatCannotBeReadBack_data();
    void writeRefusesNamesThatCannotBeReadBack();
    void untouchedTextIsKeptByteForByte_data();
    void untouchedTextIsKeptByteForByte();
    void randomInputKeepsEverythingElse();
    void tenMegabyteLine();

    void loadMissingFileIsEmpty();
    void loadFolderFails();
    void loadFifoFailsAtOnce();
    void saveAndLoadRoundTrip();
    void saveUnderRegularFileFails();
    void failedWriteLeavesOldFileAndNoLeftovers();
    void saveKeepsAccessMode();
    void saveFollowsSymbolicLink();
    void readOnlyFolderFails();
    void writerSeam();
};

void TestProfileFile::read_data() {
    QTest::addColumn<std::string>("content");
    QTest::addColumn<std::string>("section");
    QTest::addColumn<std::string>("key");
    QTest::addColumn<std::optional<std::string>>("expected");
    using O = std::optional<std::string>;

    QTest::newRow("plain") << "[a]\nk=v\n"s
                           << "a"s
                           << "k"s << O("v");
    QTest::newRow("letter case") << "[FormPara]\nNORMPOS=1\n"s
                                 << "formpara"s
                                 << "normpos"s << O("1");
    QTest::newRow("blanks around") << "[  formpara\t]\n  Key \t=  some value  \n"s
                                   << "formpara"s
                                   << "key"s << O("some value");
    QTest::newRow("other section") << "[a]\nk=1\n[b]\nx=2\n"s
                                   << "b"s
                                   << "k"s << O();
    QTest::newRow("before any section") << "k=1\n[a]\n"s
                                        << "a"s
                                        << "k"s << O();
    QTest::newRow("comments") << "[a]\n;k=1\n#k=2\n  ; k=3\nk=4"s
                              << "a"s
                              << "k"s << O("4");
    QTest::newRow("first key counts") << "[a]\nk=1\nK=2\n"s
                                      << "a"s
                                      << "k"s << O("1");
    QTest::newRow("first section counts") << "[a]\nx=1\n[A]\nk=2\n"s
                                          << "a"s
                                          << "k"s << O();
    QTest::newRow("CR LF") << "[a]\r\nk=v\r\n"s
                           << "a"s
                           << "k"s << O("v");
    QTest::newRow("byte-order mark") << "\xEF\xBB\xBF[a]\nk=v"s
                                     << "a"s
                                     << "k"s << O("v");
    QTest::newRow("equals in value") << "[a]\nk=x=y\n"s
                                     << "a"s
                                     << "k"s << O("x=y");
    QTest::newRow("empty value") << "[a]\nk=\n"s
                                 << "a"s
                                 << "k"s << O("");
    QTest::newRow("unclosed bracket") << "[a\nk=1\n"s
                                      << "a"s
                                      << "k"s << O();
    QTest::newRow("comment after header") << "[a] ; note\nk=1\n"s
                                          << "a"s
                                          << "k"s << O("1");
    QTest::newRow("marked key") << "[a]\nNormPos(1280x1024)=1,2,3,4\nNormPos=5\n"s
                                << "a"s
                                << "normpos(1280X1024)"s << O("1,2,3,4");
    QTest::newRow("NUL bytes around") << "[a]\n\0\0=\0junk\nk=v\0w\n"s
                                      << "a"s
                                      << "k"s << O("v\0w"s);
    QTest::newRow("umlauts are not folded") << "[a]\n\xC3\x84=1\n"s
                                            << "a"s
                                            << "\xC3\xA4"s << O();
    QTest::newRow("empty file") << ""s
                                << "a"s
                                << "k"s << O();
}

void TestProfileFile::read() {
    QFETCH(std::string, content);
    QFETCH(std::string, section);
    QFETCH(std::string, key);
    QFETCH(std::optional<std::string>, expected);
    const ProfileFile file(content);
    QCOMPARE(file.Value(section, key), expected);
    QCOMPARE(file.ReadString(section, key, "fallback"), expected.value_or("fallback"));
}

void TestProfileFile::integer_data() {
    QTest::addColumn<std::string>("text");
    QTest::addColumn<std::optional<int>>("expected");
    using O = std::optional<int>;
    QTest::newRow("zero") << "0"s << O(0);
    QTest::newRow("negative") << "-1"s << O(-1);
    QTest::newRow("plus") << "+5"s << O(5);
    QTest::newRow("blanks") << " 42 "s << O(42);
    QTest::newRow("hex") << "0x1F"s << O(31);
    QTest::newRow("HEX") << "0X1f"s << O(31);
    QTest::newRow("negative hex") << "-0x10"s << O(-16);
    QTest::newRow("largest") << "2147483647"s << O(2147483647);
    QTest::newRow("smallest") << "-2147483648"s << O(-2147483647 - 1);
    QTest::newRow("hex largest") << "0x7fffffff"s << O(2147483647);
    QTest::newRow("one too many") << "2147483648"s << O();
    QTest::newRow("one too few") << "-2147483649"s << O();
    QTest::newRow("hex too large") << "0x80000000"s << O();
    QTest::newRow("absurd") << "99999999999999999999999999"s << O();
    QTest::newRow("leading zeros") << "000000000000000000000012"s << O(12);
    QTest::newRow("empty") << ""s << O();
    QTest::newRow("blank") << "   "s << O();
    QTest::newRow("letters") << "abc"s << O();
    QTest::newRow("trailing letters") << "12abc"s << O();
    QTest::newRow("bare prefix") << "0x"s << O();
    QTest::newRow("bad hex digit") << "0x1g"s << O();
    QTest::newRow("two numbers") << "1 2"s << O();
    QTest::newRow("double sign") << "--1"s << O();
    QTest::newRow("sign only") << "-"s << O();
    QTest::newRow("decimal point") << "1.5"s << O();
    QTest::newRow("NUL") << "1\0"s << O();
}

void TestProfileFile::integer() {
    QFETCH(std::string, text);
    QFETCH(std::optional<int>, expected);
    QCOMPARE(settings::ParseProfileInteger(text), expected);
}

void TestProfileFile::readIntegerFallsBack() {
    const ProfileFile file("[a]\nempty=\nbad=x1\nbig=4294967296\nhex=0x20\n"s);
    QCOMPARE(file.ReadInteger("a", "missing", 7), 7);
    QCOMPARE(file.ReadInteger("a", "empty", 7), 7);
    QCOMPARE(file.ReadInteger("a", "bad", 7), 7);
    QCOMPARE(file.ReadInteger("a", "big", 7), 7);
    QCOMPARE(file.ReadInteger("a", "hex", 7), 32);
    QCOMPARE(file.ReadInteger("b", "hex", -3), -3);
}

void TestProfileFile::words_data() {
    QTest::addColumn<std::string>("text");
    QTest::addColumn<QList<int>>("expected"); // words read with fallback -99
    QTest::newRow("four") << "100,100,50,400"s << QList<int>{100, 100, 50, 400};
    QTest::newRow("unreadable word") << "100,abc"s << QList<int>{100, -99, -99, -99};
    QTest::newRow("runs of separators") << ",, 5 ,  ,6"s << QList<int>{5, 6, -99, -99};
    QTest::newRow("blanks only") << "1 2\t3 4"s << QList<int>{1, 2, 3, 4};
    QTest::newRow("hex and negative") << "-1,-1,0x10,-0x4"s << QList<int>{-1, -1, 16, -4};
    QTest::newRow("overflowing word") << "1,99999999999,3,4"s << QList<int>{1, -99, 3, 4};
    QTest::newRow("empty") << ""s << QList<int>{-99, -99, -99, -99};
    QTest::newRow("extra words ignored") << "1,2,3,4,5"s << QList<int>{1, 2, 3, 4};
}

void TestProfileFile::words() {
    QFETCH(std::string, text);
    QFETCH(QList<int>, expected);
    for (qsizetype i = 0; i < expected.size(); ++i)
        QCOMPARE(settings::WordAsInteger(text, static_cast<std::size_t>(i), -99), expected[i]);
}

void TestProfileFile::write_data() {
    QTest::addColumn<std::string>("before");
    QTest::addColumn<std::string>("section");
    QTest::addColumn<std::string>("key");
    QTest::addColumn<std::string>("value");
    QTest::addColumn<std::string>("after");

    QTest::newRow("new file") << ""s
                              << "s"s
                              << "k"s
                              << "v"s
                              << "[s]\nk=v\n"s;
    QTest::newRow("replace in place") << "; head\n[s]\n  K = old  \nother = 1\n"s
                                      << "s"s
                                      << "k"s
                                      << "new"s
                                      << "; head\n[s]\nK=new\nother = 1\n"s;
    QTest::newRow("file's spelling kept") << "[S]\nNORMPOS=1\n"s
                                          << "s"s
                                          << "NormPos"s
                                          << "2"s
                                          << "[S]\nNORMPOS=2\n"s;
    QTest::newRow("after the section's last key") << "[s]\na=1\n\n; note\n[t]\nb=2\n"s
                                                  << "s"s
                                                  << "c"s
                                                  << "3"s
                                                  << "[s]\na=1\nc=3\n\n; note\n[t]\nb=2\n"s;
    QTest::newRow("empty section") << "[s]\n[t]\n"s
                                   << "s"s
                                   << "k"s
                                   << "v"s
                                   << "[s]\nk=v\n[t]\n"s;
    QTest::newRow("new section after a blank line") << "[t]\nb=2\n"s
                                                    << "s"s
                                                    << "k"s
                                                    << "v"s
                                                    << "[t]\nb=2\n\n[s]\nk=v\n"s;
    QTest::newRow("new section, blank line there") << "[t]\nb=2\n\n"s
                                                   << "s"s
                                                   << "k"s
                                                   << "v"s
                                                   << "[t]\nb=2\n\n[s]\nk=v\n"s;
    QTest::newRow("CR LF file") << "[t]\r\nb=2\r\n"s
                                << "s"s
                                << "k"s
                                << "v"s
                                << "[t]\r\nb=2\r\n\r\n[s]\r\nk=v\r\n"s;
    QTest::newRow("CR LF new key") << "[s]\r\na=1\r\n"s
                                   << "s"s
                                   << "b"s
                                   << "2"s
                                   << "[s]\r\na=1\r\nb=2\r\n"s;
    QTest::newRow("no line end at the end") << "[s]\na=1"s
                                            << "s"s
                                            << "b"s
                                            << "2"s
                                            << "[s]\na=1\nb=2\n"s;
    QTest::newRow("mixed line ends kept") << "[s]\r\na=1\nodd line\r\n"s
                                          << "s"s
                                          << "a"s
                                          << "2"s
                                          << "[s]\r\na=2\nodd line\r\n"s;
    QTest::newRow("garbage kept") << "\0\x01\xFF junk\n[s]\nk=1\n"s
                                  << "s"s
                                  << "k"s
                                  << "2"s
                                  << "\0\x01\xFF junk\n[s]\nk=2\n"s;
    QTest::newRow("first of two sections") << "[s]\na=1\n[s]\nk=1\n"s
                                           << "s"s
                                           << "k"s
                                           << "2"s
                                           << "[s]\na=1\nk=2\n[s]\nk=1\n"s;
    QTest::newRow("key shaped comment untouched") << "[s]\n;k=1\nx=0\n"s
                                                  << "s"s
                                                  << "k"s
                                                  << "2"s
                                                  << "[s]\n;k=1\nx=0\nk=2\n"s;
    QTest::newRow("byte-order mark kept") << "\xEF\xBB\xBF[s]\nk=1\n"s
                                          << "s"s
                                          << "k"s
                                          << "2"s
                                          << "\xEF\xBB\xBF[s]\nk=2\n"s;
    QTest::newRow("parentheses in key") << "[s]\n"s
                                        << "s"s
                                        << "NormPos(1280x1024)"s
                                        << "1,2,3,4"s
                                        << "[s]\nNormPos(1280x1024)=1,2,3,4\n"s;
}

void TestProfileFile::write() {
    QFETCH(std::string, before);
    QFETCH(std::string, section);
    QFETCH(std::string, key);
    QFETCH(std::string, value);
    QFETCH(std::string, after);
    ProfileFile file(before);
    QVERIFY(file.WriteString(section, key, value));
    QCOMPARE(file.Text(), after);
    QCOMPARE(file.Value(section, key), std::optional<std::string>(value));
    // What is written reads back the same after a fresh parse.
    QCOMPARE(ProfileFile(file.Text()).Text(), after);
}

void TestProfileFile::writeRefusesNamesThatCannotBeReadBack_data() {
    QTest::addColumn<std::string>("section");
    QTest::addColumn<std::string>("key");
    QTest::addColumn<std::string>("value");
    QTest::newRow("empty section") << ""s
                                   << "k"s
                                   << "v"s;
    QTest::newRow("bracket in section") << "a]b"s
                                        << "k"s
                                        << "v"s;
    QTest::newRow("blank around section") << " a"s
                                          << "k"s
                                          << "v"s;
    QTest::newRow("empty key") << "a"s
                               << ""s
                               << "v"s;
    QTest::newRow("equals in key") << "a"s
                                   << "k=1"s
                                   << "v"s;
    QTest::newRow("comment key") << "a"s
                                 << ";k"s
                                 << "v"s;
    QTest::newRow("line break in value") << "a"s
                                         << "k"s
                                         << "v\nw"s;
    QTest::newRow("CR in key") << "a"s
                               << "k\r"s
                               << "v"s;
}

void TestProfileFile::writeRefusesNamesThatCannotBeReadBack() {
    QFETCH(std::string, section);
    QFETCH(std::string, key);
    QFETCH(std::string, value);
    const std::string before = "[a]\nx=1\n";
    ProfileFile file(before);
    QVERIFY(!file.WriteString(section, key, value));
    QCOMPARE(file.Text(), before);
}

void TestProfileFile::untouchedTextIsKeptByteForByte_data() {
    QTest::addColumn<std::string>("content");
    QTest::newRow("CR LF") << "[a]\r\nk=1\r\n\r\n; x\r\n"s;
    QTest::newRow("no final line end") << "[a]\nk=1"s;
    QTest::newRow("lone CR") << "[a]\rk=1\r\n"s;
    QTest::newRow("NUL bytes") << "\0\0\0\n[\0]\n=\0\n"s;
    QTest::newRow("only line ends") << "\n\n\r\n"s;
    QTest::newRow("spacing") << "  [ a ]  \n\t k\t=\tv \n"s;
    QTest::newRow("binary") << "\xFF\xFE\x00\x01[]]=[\n\x80"s;
}

void TestProfileFile::untouchedTextIsKeptByteForByte() {
    QFETCH(std::string, content);
    ProfileFile file(content);
    QCOMPARE(file.Text(), content);
    // Writing into a new section changes nothing before it.
    QVERIFY(file.WriteString("fapkalk-new", "k", "v"));
    const std::string text = file.Text();
    const bool lastLineOpen = !content.empty() && content.back() != '\n';
    // An unterminated last line only gets a line end.
    QCOMPARE(text.substr(0, content.size()), content);
    QVERIFY(!lastLineOpen || (text[content.size()] == '\n' || text[content.size()] == '\r'));
}

// Random files built from the characters that matter: whatever the structure,
// a write must read back and must leave every other key's value alone.
void TestProfileFile::randomInputKeepsEverythingElse() {
    std::mt19937 random(20120101);
    const std::string alphabet = "[]=;# \t\r\nabAB01x";
    const std::vector<std::string> names = {"a", "b", "A", "ab", "x"};
    std::uniform_int_distribution<std::size_t> pickChar(0, alphabet.size() - 1);
    std::uniform_int_distribution<std::size_t> pickName(0, names.size() - 1);
    std::uniform_int_distribution<int> pickLength(0, 80);
    for (int round = 0; round < 3000; ++round) {
        std::string content;
        const int length = pickLength(random);
        for (int i = 0; i < length; ++i)
            content.push_back(alphabet[pickChar(random)]);
        ProfileFile file(content);
        QCOMPARE(file.Text(), content);

        std::map<std::pair<std::string, std::string>, std::optional<std::string>> before;
        for (const auto& s : names)
            for (const auto& k : names)
                before[{s, k}] = file.Value(s, k);

        const std::string section = names[pickName(random)];
        const std::string key = names[pickName(random)];
        QVERIFY(file.WriteString(section, key, "v" + std::to_string(round)));
        const ProfileFile reread(file.Text());
        QCOMPARE(reread.Value(section, key),
                 std::optional<std::string>("v" + std::to_string(round)));
        for (const auto& [where, value] : before) {
            const bool same = QByteArray::fromStdString(where.first).toLower() ==
                                  QByteArray::fromStdString(section).toLower() &&
                              QByteArray::fromStdString(where.second).toLower() ==
                                  QByteArray::fromStdString(key).toLower();
            if (!same && reread.Value(where.first, where.second) != value) {
                qWarning() << "content" << QByteArray::fromStdString(content) << "after"
                           << QByteArray::fromStdString(file.Text());
                QFAIL("another key changed its value");
            }
        }
    }
}

void TestProfileFile::tenMegabyteLine() {
    const std::string huge(10u * 1024u * 1024u, 'q');
    const std::string content = "[s]\n" + huge + "\nk=1\n[t]\n" + huge + "=" + huge + "\n";
    ProfileFile file(content);
    QCOMPARE(file.ReadInteger("s", "k", 0), 1);
    QVERIFY(file.WriteInteger("s", "k", 2));
    QVERIFY(file.WriteInteger("t", "new", 3));
    const std::string expected = "[s]\n" + huge + "\nk=2\n[t]\n" + huge + "=" + huge + "\nnew=3\n";
    QVERIFY(file.Text() == expected); // QCOMPARE would print 30 MB on failure
    QCOMPARE(ProfileFile(file.Text()).ReadInteger("t", "new", 0), 3);
}

void TestProfileFile::loadMissingFileIsEmpty() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ProfileFile file("[x]\nk=1\n"s);
    QVERIFY(settings::LoadProfileFile(Local(dir.filePath("none.ini")), file).ok);
    QVERIFY(file.Empty());
    // A "folder" that is a file cannot hold the file either: also empty, no error.
    WriteBytes(dir.filePath("plain"), "x");
    QVERIFY(settings::LoadProfileFile(Local(dir.filePath("plain/kalvor.ini")), file).ok);
    QVERIFY(file.Empty());
}

void TestProfileFile::loadFolderFails() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("kalvor.ini"));
    ProfileFile file;
    const settings::FileResult result =
        settings::LoadProfileFile(Local(dir.filePath("kalvor.ini")), file);
    QVERIFY(!result.ok);
    QVERIFY(!result.error.empty());
}

void TestProfileFile::loadFifoFailsAtOnce() {
    QTemporaryDir dir;
    const std::string path = Local(dir.filePath("kalvor.ini"));
    QCOMPARE(::mkfifo(path.c_str(), 0600), 0);
    ProfileFile file;
    QVERIFY(!settings::LoadProfileFile(path, file).ok); // and does not wait for a writer
}

void TestProfileFile::saveAndLoadRoundTrip() {
    QTemporaryDir dir;
    const QString path = dir.filePath("kalvor.ini");
    const std::string original = "; mine\r\n[other]\r\nx = 1\r\n"s;
    WriteBytes(path, original);
    ProfileFile file;
    QVERIFY(settings::LoadProfileFile(Local(path), file).ok);
    QVERIFY(file.WriteInteger("formpara", "FormVersion", 0));
    QVERIFY(settings::SaveProfileFile(Local(path), file).ok);
    QCOMPARE(ReadBytes(path), original + "\r\n[formpara]\r\nFormVersion=0\r\n");
    QCOMPARE(Entries(dir.path()), QStringList{"kalvor.ini"});
}

void TestProfileFile::saveUnderRegularFileFails() {
    QTemporaryDir dir;
    WriteBytes(dir.filePath("plain"), "keep");
    const settings::FileResult result =
        settings::WriteFileAtomically(Local(dir.filePath("plain/kalvor.ini")), "[a]\n");
    QVERIFY(!result.ok);
    QVERIFY(!result.error.empty());
    QCOMPARE(ReadBytes(dir.filePath("plain")), "keep"s);
    QCOMPARE(Entries(dir.path()), QStringList{"plain"});
    QVERIFY(!settings::WriteFileAtomically("", "x").ok);
}

// A full disk while writing: the process may not grow files beyond a few
// bytes, so the write fails half-way. The old file must not change.
void TestProfileFile::failedWriteLeavesOldFileAndNoLeftovers() {
    QTemporaryDir dir;
    const QString path = dir.filePath("kalvor.ini");
    const std::string original = "[formpara]\nNormPos=1,2,3,4\n"s;
    WriteBytes(path, original);

    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 16;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const settings::FileResult result =
        settings::WriteFileAtomically(Local(path), std::string(4096, 'z'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!result.ok);
    QCOMPARE(ReadBytes(path), original);
    QCOMPARE(Entries(dir.path()), QStringList{"kalvor.ini"});
}

void TestProfileFile::saveKeepsAccessMode() {
    QTemporaryDir dir;
    const QString path = dir.filePath("kalvor.ini");
    WriteBytes(path, "[a]\n");
    QCOMPARE(::chmod(Local(path).c_str(), 0640), 0);
    QVERIFY(settings::WriteFileAtomically(Local(path), "[b]\n").ok);
    struct stat info {};
    QCOMPARE(::stat(Local(path).c_str(), &info), 0);
    QCOMPARE(info.st_mode & 07777, 0640u);
    QCOMPARE(ReadBytes(path), "[b]\n"s);
}

void TestProfileFile::saveFollowsSymbolicLink() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("real"));
    const QString target = dir.filePath("real/kalvor.ini");
    const QString link = dir.filePath("kalvor.ini");
    WriteBytes(target, "[a]\n");
    QVERIFY(QFile::link(target, link));
    QVERIFY(settings::WriteFileAtomically(Local(link), "[b]\n").ok);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(ReadBytes(target), "[b]\n"s);
}

void TestProfileFile::readOnlyFolderFails() {
    if (::geteuid() == 0)
        QSKIP("root may write into a read-only folder");
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("locked"));
    const QString path = dir.filePath("locked/kalvor.ini");
    WriteBytes(path, "[a]\n");
    QCOMPARE(::chmod(Local(dir.filePath("locked")).c_str(), 0555), 0);
    const bool ok = settings::WriteFileAtomically(Local(path), "[b]\n").ok;
    ::chmod(Local(dir.filePath("locked")).c_str(), 0755);
    QVERIFY(!ok);
    QCOMPARE(ReadBytes(path), "[a]\n"s);
}

void TestProfileFile::writerSeam() {
    QTemporaryDir dir;
    const QString path = dir.filePath("kalvor.ini");
    std::string seenPath, seenContent;
    auto previous = settings::SetProfileWriter([&](const std::string& p, std::string_view c) {
        seenPath = p;
        seenContent = c;
        return settings::FileResult{false, "disk full"};
    });
    ProfileFile file("[a]\n"s);
    const settings::FileResult result = settings::SaveProfileFile(Local(path), file);
    settings::SetProfileWriter(std::move(previous));
    QVERIFY(!result.ok);
    QCOMPARE(result.error, "disk full"s);
    QCOMPARE(seenPath, Local(path));
    QCOMPARE(seenContent, "[a]\n"s);
    QVERIFY(!QFile::exists(path));
    // The real writer is back.
    QVERIFY(settings::SaveProfileFile(Local(path), file).ok);
    QCOMPARE(ReadBytes(path), "[a]\n"s);
}

QTEST_GUILESS_MAIN(TestProfileFile)
#include "test_profile_file.moc"
