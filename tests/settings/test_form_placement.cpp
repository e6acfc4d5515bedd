// TJvFormPlacement on real windows: a fixed-size window like the main window and
// a sizeable one of fixed width like the detail window. Runs on the offscreen
// platform; also under X11 (xvfb-run with QT_QPA_PLATFORM=xcb), where positions
// settle asynchronously, hence the QTRY_ checks.
#include "settings/JvFormPlacement.h"
#include "settings/placement_rules.h"
#include "tools/messages.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <memory>
#include <optional>
#include <stdexcept>
#include <unistd.h>

using settings::ProfileFile;

namespace {

enum class Kind { Fixed, Sizeable };

// The outer rectangle by the frame the window system reports for the native
// window (QWidget::frameGeometry() lags behind on X11 with a window manager).
QRect Outer(const QWidget& form) {
    const QWindow* window = form.windowHandle();
    return window ? form.geometry().marginsAdded(window->frameMargins()) : form.geometry();
}

// Moves a shown window so that its outer corner is at `place`.
void MoveOuter(QWidget& form, QPoint place) {
    const QWindow* window = form.windowHandle();
    const QMargins m = window ? window->frameMargins() : QMargins();
    form.setGeometry(QRect(place + QPoint(m.left(), m.top()), form.size()));
}

// What a window's own show handler saw; shared by the two test windows.
struct ShowLog {
    int shows = 0;
    bool restoredFirst = false;
    bool exposed = true;
    QRect frame;
};

void LogShow(QWidget* form, TJvFormPlacement& placement, ShowLog& log) {
    ++log.shows;
    log.restoredFirst = placement.Restored();
    log.exposed = form->windowHandle() && form->windowHandle()->isExposed();
    log.frame = Outer(*form);
    // The windows centre themselves at their first showing unless placed.
    if (log.shows == 1 && !placement.PlacementApplied()) {
        QRect frame = Outer(*form);
        frame.moveCenter(QGuiApplication::primaryScreen()->availableGeometry().center());
        MoveOuter(*form, frame.topLeft());
    }
}

class PlacedForm : public QWidget {
public:
    PlacedForm(Kind kind, const QString& ini, const QString& section) {
        if (kind == Kind::Fixed) {
            setFixedSize(527, 346);
        } else {
            setFixedWidth(527);
            setMinimumHeight(100);
            resize(527, 640);
        }
        JvFormPlacement1 = std::make_unique<TJvFormPlacement>(this, section);
        JvFormPlacement1->IniFileName = ini;
    }
    std::unique_ptr<TJvFormPlacement> JvFormPlacement1;
    bool vetoClose = false;
    ShowLog log;

protected:
    void showEvent(QShowEvent* event) override {
        LogShow(this, *JvFormPlacement1, log);
        QWidget::showEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        if (vetoClose)
            event->ignore();
        else
            event->accept();
    }
};

class PlacedDialog : public QDialog {
public:
    explicit PlacedDialog(const QString& ini) {
        setFixedWidth(527);
        resize(527, 300);
        JvFormPlacement1 = std::make_unique<TJvFormPlacement>(this, QStringLiteral("detform"));
        JvFormPlacement1->IniFileName = ini;
    }
    std::unique_ptr<TJvFormPlacement> JvFormPlacement1;
};

// A window that opens by the shared rule; a stored placement is stood in for
// by a move to `stored` in its show handler, as the placement component does.
class OpeningWindow : public QWidget {
public:
    OpeningWindow() { setFixedSize(300, 200); }
    std::optional<QPoint> stored;
    settings::OpeningPlace opening;

    void setVisible(bool visible) override {
        if (visible && !isVisible())
            opening.BeforeShow(*this);
        else if (!visible && isVisible())
            opening.Hidden(*this);
        QWidget::setVisible(visible);
    }

protected:
    void showEvent(QShowEvent* event) override {
        if (stored)
            move(*stored);
        QWidget::showEvent(event);
        if (!event->spontaneous())
            opening.Shown(*this, stored.has_value());
    }
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

ProfileFile LoadIni(const QString& path) {
    ProfileFile file;
    settings::LoadProfileFile(QFile::encodeName(path).toStdString(), file);
    return file;
}

QString Value(const QString& path, const char* section, const QString& key) {
    return QString::fromStdString(LoadIni(path).ReadString(section, key.toStdString(), "<none>"));
}

// Where a window stands before its first showing, once its native window exists.
QPoint PlaceBeforeShow(QWidget& form, QPoint place) {
    form.move(place);
    form.winId();
    return Outer(form).topLeft();
}

QString Four(const QRect& r) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(r.x())
        .arg(r.y())
        .arg(r.x() + r.width())
        .arg(r.y() + r.height());
}

} // namespace

class TestFormPlacement : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void restoreRunsBeforeShowHandlerAndMapping();
    void firstSaveWritesNineKeys();
    void movedWindowComesBack_data();
    void movedWindowComesBack();
    void anotherScreenSize();
    void resolutionDiffers();
    void formVersionMinusOne();
    void rightNotGreaterThanLeft_data();
    void rightNotGreaterThanLeft();
    void unreadableWordsTakeCurrentPlace();
    void minMaxPosAloneCountsAsSavedData();
    void inactiveNeitherReadsNorWrites();
    void unwritableFileReportedOnce_data();
    void unwritableFileReportedOnce();
    void otherFailureReportedWithItsOwnText();
    void failedWriteKeepsOldFile();
    void saveAtDestructionWritesVisible();
    void neverShownWritesNothing();
    void closeVetoedSavesNothing();
    void dialogClosedByAcceptOrExec();
    void stateSaved_data();
    void stateSaved();
    void mainWindowStoredMinimizedMinimizesLater();
    void restoredAtEveryShowing();
    void lostWindowComesOnScreen();
    void programMoveAfterShowWins();
    void unknownContentKept();
    void damagedFileUsesDefaults();
    void oversizedFileLeftAlone();
    void onePixelOnScreenComesBack_data();
    void onePixelOnScreenComesBack();
    void bareNameLivesInConfigFolder();
    void homeFolder();
    void opensCentredThenWhereHidden_data();
    void opensCentredThenWhereHidden();

private:
    std::unique_ptr<PlacedForm> Make(Kind kind, const QString& section = "formpara") {
        return std::make_unique<PlacedForm>(kind, ini_, section);
    }
    static bool Show(QWidget& form) {
        form.show();
        return QTest::qWaitForWindowExposed(&form);
    }

    std::unique_ptr<QTemporaryDir> dir_;
    QString ini_;
    settings::ScreenFacts facts_;
    QList<tools::Message> messages_;
};

void TestFormPlacement::initTestCase() {
    tools::SetMessageHandler([this](QWidget*, const tools::Message& message) {
        messages_.append(message);
        return tools::MessageAnswer::Ok;
    });
    settings::SetScreenFactsSource([this] { return facts_; });
}

void TestFormPlacement::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    ini_ = dir_->filePath("kalvor.ini");
    facts_ = settings::ScreenFacts{1280, 1024, 96, {{0, 0, 1280, 1024}}};
    messages_.clear();
}

void TestFormPlacement::cleanup() {
    settings::SetProfileWriter({});
    dir_.reset();
}

void TestFormPlacement::restoreRunsBeforeShowHandlerAndMapping() {
    WriteAll(ini_, "[formpara]\nNormPos=200,150,800,600\n");
    auto form = Make(Kind::Fixed);
    QVERIFY(Show(*form));
    QVERIFY(form->log.restoredFirst);
    QVERIFY(!form->log.exposed);
    QCOMPARE(form->log.frame.topLeft(), QPoint(200, 150));
    QVERIFY(form->JvFormPlacement1->PlacementApplied());
    QTRY_COMPARE(Outer(*form).topLeft(), QPoint(200, 150));
    QCOMPARE(form->size(), QSize(527, 346)); // the size rule refused the stored size
}

void TestFormPlacement::firstSaveWritesNineKeys() {
    auto form = Make(Kind::Fixed);
    QVERIFY(Show(*form));
    QVERIFY(!form->JvFormPlacement1->PlacementApplied());
    // Centred by the window itself (give or take a frame a window manager adds later).
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY((Outer(*form).center() - centre).manhattanLength() <= 40);

    MoveOuter(*form, QPoint(150, 160));
    QTRY_COMPARE(Outer(*form).topLeft(), QPoint(150, 160));
    const QRect frame = Outer(*form);
    const QPoint inset = form->geometry().topLeft() - frame.topLeft();
    QVERIFY(form->close());
    QVERIFY(form->isHidden());
    QVERIFY(form->JvFormPlacement1->Saved());

    const QString minMax = QStringLiteral("-1,-1,%1,%2").arg(-inset.x()).arg(-inset.y());
    const QStringList expected = {"[formpara]",
                                  "FormVersion=0",
                                  "Flags=0",
                                  "ShowCmd=1",
                                  "PixelsPerInch=96",
                                  "MinMaxPos(1280x1024)=" + minMax,
                                  "MinMaxPos=" + minMax,
                                  "NormPos(1280x1024)=" + Four(frame),
                                  "NormPos=" + Four(frame),
                                  "Visible=0",
                                  ""};
    QCOMPARE(QString::fromUtf8(ReadAll(ini_)).split('\n'), expected);
    QVERIFY(Four(frame).startsWith("150,160,"));
    QVERIFY(messages_.isEmpty());
}

void TestFormPlacement::movedWindowComesBack_data() {
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QPoint>("place");
    QTest::addColumn<int>("height");
    QTest::newRow("main-like") << Kind::Fixed << QPoint(210, 220) << 346;
    QTest::newRow("detail-like") << Kind::Sizeable << QPoint(60, 70) << 480;
    QTest::newRow("detail-like, far corner") << Kind::Sizeable << QPoint(700, 500) << 300;
}

void TestFormPlacement::movedWindowComesBack() {
    QFETCH(Kind, kind);
    QFETCH(QPoint, place);
    QFETCH(int, height);
    {
        auto first = Make(kind);
        QVERIFY(Show(*first));
        MoveOuter(*first, place);
        if (kind == Kind::Sizeable)
            first->resize(600, height); // the fixed width wins
        QTRY_COMPARE(Outer(*first).topLeft(), place);
        QTRY_COMPARE(first->size(), QSize(527, height));
        QVERIFY(first->close());
    }
    auto second = Make(kind);
    QVERIFY(Show(*second));
    QVERIFY(second->JvFormPlacement1->PlacementApplied());
    QTRY_COMPARE(Outer(*second).topLeft(), place);
    QTRY_COMPARE(second->size(), QSize(527, height));
}

void TestFormPlacement::anotherScreenSize() {
    {
        auto form = Make(Kind::Sizeable);
        QVERIFY(Show(*form));
        MoveOuter(*form, QPoint(100, 110));
        QTRY_COMPARE(Outer(*form).topLeft(), QPoint(100, 110));
        QVERIFY(form->close());
    }
    const QString first = Value(ini_, "formpara", "NormPos");
    facts_ = settings::ScreenFacts{1024, 768, 96, {{0, 0, 1024, 768}}};
    {
        auto form = Make(Kind::Sizeable);
        QVERIFY(Show(*form));
        QTRY_COMPARE(Outer(*form).topLeft(), QPoint(100, 110)); // from the plain key
        MoveOuter(*form, QPoint(200, 210));
        QTRY_COMPARE(Outer(*form).topLeft(), QPoint(200, 210));
        QVERIFY(form->close());
    }
    const QString second = Value(ini_, "formpara", "NormPos");
    QVERIFY(second.startsWith("200,210,"));
    QCOMPARE(Value(ini_, "formpara", "NormPos(1280x1024)"), first);
    QCOMPARE(Value(ini_, "formpara", "NormPos(1024x768)"), second);
    QVERIFY(Value(ini_, "formpara", "MinMaxPos(1024x768)") != "<none>");

    // Back on the first screen its own pair counts, not the plain keys.
    facts_ = settings::ScreenFacts{1280, 1024, 96, {{0, 0, 1280, 1024}}};
    auto form = Make(Kind::Sizeable);
    QVERIFY(Show(*form));
    QTRY_COMPARE(Outer(*form).topLeft(), QPoint(100, 110));
}

void TestFormPlacement::resolutionDiffers() {
    WriteAll(ini_, "[detform]\nPixelsPerInch=144\nShowCmd=3\nNormPos=300,300,835,700\n");
    auto form = Make(Kind::Sizeable, "detform");
    QVERIFY(Show(*form));
    QVERIFY(!form->JvFormPlacement1->PlacementApplied());
    QTRY_VERIFY(form->isMaximized());
    QVERIFY(form->normalGeometry().topLeft() !=
            QPoint(300, 300) + (form->geometry().topLeft() - Outer(*form).topLeft()));
}

void TestFormPlacement::formVersionMinusOne() {
    WriteAll(ini_, "[formpara]\nFormVersion=-1\nShowCmd=3\nNormPos=300,300,900,900\n");
    auto form = Make(Kind::Sizeable);
    QVERIFY(Show(*form));
    QVERIFY(form->JvFormPlacement1->Restored());
    QVERIFY(!form->JvFormPlacement1->PlacementApplied());
    QVERIFY(!form->isMaximized());
    QVERIFY(form->close());
    QCOMPARE(Value(ini_, "formpara", "FormVersion"), QString("0"));
}

void TestFormPlacement::rightNotGreaterThanLeft_data() {
    QTest::addColumn<Kind>("kind");
    QTest::newRow("main-like") << Kind::Fixed;
    QTest::newRow("detail-like") << Kind::Sizeable;
}

void TestFormPlacement::rightNotGreaterThanLeft() {
    QFETCH(Kind, kind);
    WriteAll(ini_, "[formpara]\nNormPos=100,100,50,400\n");
    auto form = Make(kind);
    QVERIFY(Show(*form));
    QVERIFY(!form->JvFormPlacement1->PlacementApplied());
    QVERIFY(Outer(*form).topLeft() != QPoint(100, 100));
}

void TestFormPlacement::unreadableWordsTakeCurrentPlace() {
    WriteAll(ini_, "[formpara]\nNormPos=100,abc\n");
    auto form = Make(Kind::Sizeable);
    const QPoint before = PlaceBeforeShow(*form, QPoint(40, 50));
    const int outerHeight = Outer(*form).height();
    QVERIFY(Show(*form));
    QVERIFY(form->JvFormPlacement1->PlacementApplied());
    QTRY_COMPARE(Outer(*form).topLeft(), QPoint(100, before.y()));
    QTRY_COMPARE(Outer(*form).height(), outerHeight); // bottom = top + current height
    QCOMPARE(form->width(), 527);
}

void TestFormPlacement::minMaxPosAloneCountsAsSavedData() {
    WriteAll(ini_, "[formpara]\nMinMaxPos=-1,-1,-4,-4\n");
    auto form = Make(Kind::Fixed);
    const QPoint before = PlaceBeforeShow(*form, QPoint(40, 50));
    QVERIFY(Show(*form));
    QVERIFY(form->JvFormPlacement1->PlacementApplied()); // so not centred
    QTRY_COMPARE(Outer(*form).topLeft(), before);
}

void TestFormPlacement::inactiveNeitherReadsNorWrites() {
    const QByteArray original = "[formpara]\r\nNormPos=300,300,900,900\r\n";
    WriteAll(ini_, original);
    {
        auto form = Make(Kind::Fixed);
        form->JvFormPlacement1->Active = false;
        QVERIFY(Show(*form));
        QVERIFY(!form->JvFormPlacement1->Restored());
        QVERIFY(!form->JvFormPlacement1->PlacementApplied());
        QVERIFY(Outer(*form).topLeft() != QPoint(300, 300));
        QVERIFY(form->close());
    }
    QCOMPARE(ReadAll(ini_), original);

    QVERIFY(QFile::remove(ini_));
    {
        auto form = Make(Kind::Fixed);
        form->JvFormPlacement1->Active = false;
        QVERIFY(Show(*form));
    } // destroyed while shown
    QVERIFY(!QFile::exists(ini_));
}

void TestFormPlacement::unwritableFileReportedOnce_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder is a file") << "plain/kalvor.ini"
                                      << "kein Ordner";
    QTest::newRow("file is a folder") << "folder"
                                      << "ist ein Ordner";
    QTest::newRow("no such folder") << "missing/kalvor.ini"
                                    << "nicht vorhanden";
}

// With the full path and the reason, at closing; the save tried again at
// destruction fails alike and says nothing new.
void TestFormPlacement::unwritableFileReportedOnce() {
    QFETCH(QString, name);
    QFETCH(QString, reason);
    WriteAll(dir_->filePath("plain"), "x");
    QVERIFY(QDir(dir_->path()).mkdir("folder"));
    ini_ = dir_->filePath(name);
    auto form = Make(Kind::Fixed);
    QVERIFY(Show(*form));
    QVERIFY(!form->close() || form->isHidden()); // closes anyway
    QVERIFY(form->isHidden());
    QVERIFY(!form->JvFormPlacement1->Saved());
    QCOMPARE(messages_.size(), 1);
    QCOMPARE(messages_[0].kind, tools::MessageKind::Error);
    QCOMPARE(messages_[0].caption, tools::ProgramTitle());
    QVERIFY(messages_[0].text.startsWith("In " + ini_ + " kann nicht geschrieben werden ("));
    QVERIFY(messages_[0].text.endsWith(reason + ")."));

    form.reset();
    QCOMPARE(messages_.size(), 1);
    QCOMPARE(ReadAll(dir_->filePath("plain")), QByteArray("x"));
}

void TestFormPlacement::otherFailureReportedWithItsOwnText() {
    settings::SetProfileWriter([](const std::string&, std::string_view) -> settings::FileResult {
        throw std::runtime_error("Datenträger wurde entfernt");
    });
    auto form = Make(Kind::Sizeable);
    QVERIFY(Show(*form));
    form->close();
    QVERIFY(form->isHidden()); // closed all the same
    QCOMPARE(messages_.size(), 1);
    QCOMPARE(messages_[0].kind, tools::MessageKind::Error);
    QCOMPARE(messages_[0].text, QStringLiteral("Datenträger wurde entfernt"));
    form.reset(); // tried once more at destruction: the same failure, not shown again
    QCOMPARE(messages_.size(), 1);
}

void TestFormPlacement::failedWriteKeepsOldFile() {
    const QByteArray original = "; mine\n[formpara]\nNormPos=1,2,3,4\n";
    WriteAll(ini_, original);
    int writes = 0;
    settings::SetProfileWriter([&](const std::string&, std::string_view) {
        ++writes;
        return settings::FileResult{false, "kein Platz mehr auf dem Datenträger"};
    });
    auto form = Make(Kind::Sizeable);
    QVERIFY(Show(*form));
    form->close();
    QCOMPARE(writes, 1);
    QCOMPARE(messages_.size(), 1);
    QCOMPARE(messages_[0].text,
             "In " + ini_ +
                 " kann nicht geschrieben werden (kein Platz mehr auf dem Datenträger).");
    QCOMPARE(ReadAll(ini_), original);
}

void TestFormPlacement::saveAtDestructionWritesVisible() {
    auto form = Make(Kind::Sizeable);
    TJvFormPlacement* placement = form->JvFormPlacement1.get();
    QList<bool> duringWrite;
    settings::SetProfileWriter([&](const std::string& path, std::string_view content) {
        duringWrite.append(placement->SavingAtDestroy());
        return settings::WriteFileAtomically(path, content);
    });
    QVERIFY(Show(*form));
    MoveOuter(*form, QPoint(90, 80));
    QTRY_COMPARE(Outer(*form).topLeft(), QPoint(90, 80));
    const QString expected = Four(Outer(*form));
    form.reset(); // program end with the window still open
    QCOMPARE(duringWrite, QList<bool>{true});
    QCOMPARE(Value(ini_, "formpara", "Visible"), QString("1"));
    QCOMPARE(Value(ini_, "formpara", "NormPos"), expected);

    // Saved at closing: nothing more at destruction.
    duringWrite.clear();
    form = Make(Kind::Sizeable);
    placement = form->JvFormPlacement1.get();
    QVERIFY(Show(*form));
    QVERIFY(form->close());
    QVERIFY(!placement->SavingAtDestroy());
    form.reset();
    QCOMPARE(duringWrite, QList<bool>{false});
    QCOMPARE(Value(ini_, "formpara", "Visible"), QString("0"));
}

void TestFormPlacement::neverShownWritesNothing() {
    {
        auto form = Make(Kind::Sizeable);
        QVERIFY(!form->JvFormPlacement1->Restored());
        QVERIFY(form->JvFormPlacement1->SaveFormPlacement());
    }
    QVERIFY(!QFile::exists(ini_));
    QVERIFY(messages_.isEmpty());
}

void TestFormPlacement::closeVetoedSavesNothing() {
    auto form = Make(Kind::Fixed);
    QVERIFY(Show(*form));
    form->vetoClose = true;
    QVERIFY(!form->close());
    QVERIFY(form->isVisible());
    QVERIFY(!QFile::exists(ini_));
    form->vetoClose = false;
    QVERIFY(form->close());
    QCOMPARE(Value(ini_, "formpara", "Visible"), QString("0"));
}

void TestFormPlacement::dialogClosedByAcceptOrExec() {
    PlacedDialog dialog(ini_);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    MoveOuter(dialog, QPoint(70, 90));
    QTRY_COMPARE(Outer(dialog).topLeft(), QPoint(70, 90));
    dialog.accept(); // its close event never reaches other filters
    QVERIFY(dialog.JvFormPlacement1->Saved());
    QVERIFY(Value(ini_, "detform", "NormPos").startsWith("70,90,"));

    // Modal, closed from inside its own event loop; it comes back where it was.
    QPoint seenAt;
    QTimer poll;
    int polls = 0;
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        ++polls;
        if (seenAt.isNull()) {
            if (Outer(dialog).topLeft() == QPoint(70, 90) || polls > 300) {
                seenAt = Outer(dialog).topLeft();
                MoveOuter(dialog, QPoint(110, 120));
            }
        } else if (Outer(dialog).topLeft() == QPoint(110, 120) || polls > 600) {
            dialog.reject(); // once the window system has moved it
        }
    });
    poll.start(10);
    dialog.exec();
    poll.stop();
    QCOMPARE(seenAt, QPoint(70, 90));
    QVERIFY(Value(ini_, "detform", "NormPos").startsWith("110,120,"));
}

void TestFormPlacement::stateSaved_data() {
    QTest::addColumn<Qt::WindowState>("state");
    QTest::addColumn<QString>("showCmd");
    QTest::newRow("maximized") << Qt::WindowMaximized << "3";
    QTest::newRow("minimized") << Qt::WindowMinimized << "2";
}

void TestFormPlacement::stateSaved() {
    QFETCH(Qt::WindowState, state);
    QFETCH(QString, showCmd);
    QString normal;
    {
        auto form = Make(Kind::Sizeable);
        QVERIFY(Show(*form));
        MoveOuter(*form, QPoint(120, 130));
        form->resize(527, 400);
        QTRY_COMPARE(Outer(*form).topLeft(), QPoint(120, 130));
        normal = Four(Outer(*form));
        form->setWindowState(state);
        QTRY_VERIFY(form->windowState() & state);
        QVERIFY(form->close());
    }
    QCOMPARE(Value(ini_, "formpara", "ShowCmd"), showCmd);
    QCOMPARE(Value(ini_, "formpara", "NormPos"), normal); // the normal place, not the state's

    // Two more runs that end in the same state: the normal place must not creep
    // (a window restored straight into a state has not shown its frame yet).
    for (int run = 0; run < 2; ++run) {
        auto form = Make(Kind::Sizeable);
        form->show(); // a minimized window is never exposed
        QVERIFY(form->windowState() & state);
        QTest::qWait(20);
        QVERIFY(form->close());
        QCOMPARE(Value(ini_, "formpara", "NormPos"), normal);
    }
    // Back to normal, it stands exactly at its normal place.
    auto form = Make(Kind::Sizeable);
    form->show();
    if (state == Qt::WindowMaximized)
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    form->setWindowState(Qt::WindowNoState);
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QTRY_COMPARE(Four(Outer(*form)), normal);
}

void TestFormPlacement::mainWindowStoredMinimizedMinimizesLater() {
    WriteAll(ini_, "[formpara]\nShowCmd=2\n");
    auto form = Make(Kind::Fixed);
    form->JvFormPlacement1->IsMainForm = true;
    bool minimizedAtShow = true;
    form->show();
    minimizedAtShow = form->isMinimized();
    QVERIFY(!minimizedAtShow); // comes up normal first
    QTRY_VERIFY(form->isMinimized());

    // Any other window takes the state at once.
    auto detail = Make(Kind::Sizeable);
    detail->show();
    QVERIFY(detail->isMinimized());
}

void TestFormPlacement::restoredAtEveryShowing() {
    auto form = Make(Kind::Sizeable, "detform");
    QVERIFY(Show(*form));
    QVERIFY(form->close());
    QVERIFY(form->JvFormPlacement1->Saved());
    ProfileFile file = LoadIni(ini_);
    QVERIFY(file.WriteString("detform", "NormPos(1280x1024)", "333,222,868,622"));
    WriteAll(ini_, QByteArray::fromStdString(file.Text()));
    QVERIFY(Show(*form));
    QVERIFY(!form->JvFormPlacement1->Saved());
    QTRY_COMPARE(Outer(*form).topLeft(), QPoint(333, 222));
    QTRY_COMPARE(Outer(*form).height(), 400);
}

void TestFormPlacement::lostWindowComesOnScreen() {
    WriteAll(ini_, "[formpara]\nNormPos=5000,5000,5535,5400\n");
    auto form = Make(Kind::Sizeable);
    QVERIFY(Show(*form));
    QVERIFY(form->JvFormPlacement1->PlacementApplied());
    QTRY_COMPARE(Outer(*form).height(), 400);
    const QRect frame = Outer(*form);
    QVERIFY2(QRect(0, 0, 1280, 1024).contains(frame),
             qPrintable(QStringLiteral("frame at %1").arg(Four(frame))));
}

// The restore checks the place once more when the window is on screen; a place
// the program gives the window meanwhile must not be undone by that.
void TestFormPlacement::programMoveAfterShowWins() {
    WriteAll(ini_, "[detform]\nNormPos=200,150,735,550\n");
    auto form = Make(Kind::Sizeable, "detform");
    form->show();
    // Before the window is on screen its frame may be unknown: what the
    // program sets for sure is the client's place.
    MoveOuter(*form, QPoint(300, 320));
    const QPoint client = form->geometry().topLeft();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QTest::qWait(100);
    QCOMPARE(form->geometry().topLeft(), client);
    QVERIFY(Outer(*form).topLeft() != QPoint(200, 150));
}

void TestFormPlacement::unknownContentKept() {
    const QByteArray head = "; written by hand\r\n[detform]\r\nNormPos = 1, 2, 3, 4\r\n\r\n";
    const QByteArray tail = "\r\n# trailing remark\r\n[zzz]\r\nKey=Value with blanks \r\n";
    WriteAll(ini_, head + "[formpara]\r\nShowCmd=1\r\nOwnKey=keep me\r\n" + tail);
    auto form = Make(Kind::Fixed);
    QVERIFY(Show(*form));
    QVERIFY(form->close());
    const QByteArray after = ReadAll(ini_);
    QVERIFY(
        after.startsWith(head + "[formpara]\r\nShowCmd=1\r\nOwnKey=keep me\r\nFormVersion=0\r\n"));
    QVERIFY(after.endsWith("Visible=0\r\n" + tail));
    QCOMPARE(after.count('\n'), after.count("\r\n"));
}

void TestFormPlacement::damagedFileUsesDefaults() {
    QByteArray damaged("\x00\x01\xFF\xFE garbage\n", 13);
    damaged += QByteArray(512 * 1024, '\0') + "\n";
    damaged += "[formpara]\nNormPos=zzz,\x01,\nFormVersion=99999999999999\nShowCmd=-7\n";
    WriteAll(ini_, damaged);
    auto form = Make(Kind::Sizeable);
    const QPoint before = PlaceBeforeShow(*form, QPoint(40, 50));
    const int outerHeight = Outer(*form).height();
    QVERIFY(Show(*form));
    QVERIFY(form->JvFormPlacement1->PlacementApplied()); // a value is there: saved data
    QTRY_COMPARE(Outer(*form).topLeft(), before);
    QTRY_COMPARE(Outer(*form).height(), outerHeight);
    QVERIFY(!form->isMinimized() && !form->isMaximized());
    QVERIFY(form->close());
    const QByteArray after = ReadAll(ini_);
    QVERIFY(after.startsWith(damaged.left(damaged.indexOf("[formpara]"))));
    QVERIFY(messages_.isEmpty());
}

// A settings file is a few hundred bytes; one of 2 MB is no settings file of
// ours: it is not read (the window comes up as laid out) and not replaced.
void TestFormPlacement::oversizedFileLeftAlone() {
    QByteArray big = "[formpara]\nNormPos=10,20,537,420\n";
    big += QByteArray(2 * 1024 * 1024, ';') + "\n";
    WriteAll(ini_, big);
    auto form = Make(Kind::Sizeable);
    QVERIFY(Show(*form));
    QVERIFY(!form->JvFormPlacement1->PlacementApplied()); // it centres itself
    QVERIFY(Outer(*form).topLeft() != QPoint(10, 20));
    QCOMPARE(form->height(), 640);
    QVERIFY(messages_.isEmpty());
    QVERIFY(form->close());
    QCOMPARE(messages_.size(), 1);
    QCOMPARE(messages_.first().text,
             "Die Einstellungsdatei " + ini_ +
                 " ist größer als 1 MB; sie bleibt unverändert, die Fensterposition wird nicht "
                 "gespeichert. Löschen oder kürzen Sie die Datei, dann wird sie wieder "
                 "gespeichert.");
    QCOMPARE(messages_.first().kind, tools::MessageKind::Error);
    QVERIFY(!form->JvFormPlacement1->Saved());
    form.reset(); // the save at destruction tries again and says nothing new
    QCOMPARE(messages_.size(), 1);
    QCOMPARE(ReadAll(ini_), big);
}

// Stored with one pixel (or a sliver too thin to grab) on screen, a window
// comes back whole; what is then saved is the place on screen.
void TestFormPlacement::onePixelOnScreenComesBack_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("normPos");
    QTest::newRow("main window, one pixel") << int(Kind::Fixed) << QByteArray("-526,-345,1,1");
    QTest::newRow("detail window, one pixel") << int(Kind::Sizeable) << QByteArray("-526,-639,1,1");
    QTest::newRow("title bar above the screen")
        << int(Kind::Fixed) << QByteArray("300,-10,827,336");
    QTest::newRow("40 pixels at the right edge")
        << int(Kind::Fixed) << QByteArray("1240,300,1767,646");
}

void TestFormPlacement::onePixelOnScreenComesBack() {
    QFETCH(int, kind);
    QFETCH(QByteArray, normPos);
    WriteAll(ini_, "[formpara]\nNormPos=" + normPos + "\n");
    auto form = Make(Kind(kind));
    QVERIFY(Show(*form));
    QVERIFY(form->JvFormPlacement1->PlacementApplied());
    const QRect screen(0, 0, 1280, 1024);
    QTRY_VERIFY2(screen.contains(Outer(*form)), qPrintable(Four(Outer(*form))));
    QVERIFY(form->close());
    const QStringList saved = Value(ini_, "formpara", "NormPos").split(u',');
    QCOMPARE(saved.size(), 4);
    QVERIFY2(screen.contains(QRect(QPoint(saved[0].toInt(), saved[1].toInt()),
                                   QPoint(saved[2].toInt() - 1, saved[3].toInt() - 1))),
             qPrintable(saved.join(u',')));
}

void TestFormPlacement::bareNameLivesInConfigFolder() {
    QStandardPaths::setTestModeEnabled(true);
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/fapkalk";
    const QString name = QStringLiteral("kalvor-test-%1.ini").arg(::getpid());
    const QString expected = folder + "/" + name;
    QCOMPARE(settings::ResolveIniFileName(name), expected);
    const QString oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_->path()));
    QCOMPARE(settings::ResolveIniFileName(name), expected);
    QVERIFY(QDir::setCurrent(oldCurrent));
    QCOMPARE(settings::ResolveIniFileName("/tmp/x/kalvor.ini"), QString("/tmp/x/kalvor.ini"));
    QCOMPARE(settings::ResolveIniFileName("sub/kalvor.ini"), QString("sub/kalvor.ini"));
    QCOMPARE(settings::ResolveIniFileName(""), QString());

    QFile::remove(expected);
    ini_ = name;
    {
        auto form = Make(Kind::Fixed);
        QVERIFY(Show(*form));
        QVERIFY(form->close());
    }
    const bool written = QFile::exists(expected);
    QFile::remove(expected);
    QDir().rmdir(folder); // only if empty: other files there are not ours
    QStandardPaths::setTestModeEnabled(false);
    QVERIFY(written);
    QVERIFY(!QFile::exists(dir_->filePath(name)));
}

// Without a usable HOME the settings go below the password database's home,
// never to "/.config"; without that either there is no settings file.
void TestFormPlacement::homeFolder() {
    const QByteArray temp = QFile::encodeName(dir_->path());
    for (const QByteArray& home : {QByteArray(), QByteArray("home"), QByteArray("/gibtsnicht")})
        QCOMPARE(settings::ConfigBaseFor({}, home, temp), dir_->path() + "/.config");
    QCOMPARE(settings::ConfigBaseFor({}, {}, "/gibtsnicht"), QString());

    const QByteArray savedHome = qgetenv("HOME");
    const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
    qunsetenv("HOME");
    qunsetenv("XDG_CONFIG_HOME");
    const QString resolved = settings::ResolveIniFileName("kalvor.ini");
    qputenv("HOME", savedHome);
    qputenv("XDG_CONFIG_HOME", savedXdg);
    QVERIFY2(!resolved.isEmpty() && !resolved.startsWith("/.config"), qPrintable(resolved));
}

void TestFormPlacement::opensCentredThenWhereHidden_data() {
    QTest::addColumn<std::optional<QPoint>>("stored");
    QTest::addColumn<std::optional<QPoint>>("userMove");

    QTest::newRow("centred, unmoved") << std::optional<QPoint>() << std::optional<QPoint>();
    QTest::newRow("centred, moved by the user")
        << std::optional<QPoint>() << std::optional<QPoint>(QPoint(40, 50));
    QTest::newRow("stored placement wins")
        << std::optional<QPoint>(QPoint(70, 80)) << std::optional<QPoint>();
    QTest::newRow("stored, then moved by the user")
        << std::optional<QPoint>(QPoint(70, 80)) << std::optional<QPoint>(QPoint(15, 25));
}

void TestFormPlacement::opensCentredThenWhereHidden() {
    QFETCH(std::optional<QPoint>, stored);
    QFETCH(std::optional<QPoint>, userMove);
    OpeningWindow window;
    window.stored = stored;
    QVERIFY(Show(window));
    if (stored) {
        QCOMPARE(window.pos(), *stored);
    } else {
        const QPoint off = window.frameGeometry().center() -
                           QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY2(off.manhattanLength() <= 2, "not centred at the first showing");
    }
    if (userMove)
        window.move(*userMove);
    const QPoint hiddenAt = window.pos();
    window.hide();
    // Another showing: neither centred again nor put back where it was stored.
    window.stored.reset();
    QVERIFY(Show(window));
    QCOMPARE(window.pos(), hiddenAt);
}

QTEST_MAIN(TestFormPlacement)
#include "test_form_placement.moc"
