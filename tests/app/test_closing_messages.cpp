// At program end a settings file that cannot be written is reported twice:
// when the main window closes, and again when it is destroyed after the event
// loop has ended. Both are real message boxes, no recorder in between: each
// must stay on screen until the user answers it, not be swept away by the
// program's end.
#include "app/StartProgram.h"
#include "ui/main/FAP_Main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace fapkalk;

namespace {

// A message box as the user met it.
struct SeenBox {
    QString text;
    bool answeredByUser = false; // still open when the "user" clicked OK
};

// Watches for modal message boxes and answers each one after it has been on
// screen for a while, as a person reading it would.
class PatientUser : public QObject {
public:
    explicit PatientUser(int readingMs) : readingMs_(readingMs) {
        connect(&watch_, &QTimer::timeout, this, [this] { look(); });
        watch_.start(10);
    }

    QList<SeenBox> boxes;

private:
    void look() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr && box->isVisible() && box != current_) {
            current_ = box;
            shown_.start();
            boxes << SeenBox{box->text(), false};
            return;
        }
        if (current_ && current_->isVisible() && shown_.elapsed() >= readingMs_) {
            boxes.last().answeredByUser = true;
            QMessageBox* answering = current_;
            current_ = nullptr;
            answering->button(QMessageBox::Ok)->click();
        }
    }

    int readingMs_;
    QTimer watch_;
    QPointer<QMessageBox> current_;
    QElapsedTimer shown_;
};

} // namespace

class TestClosingMessages : public QObject {
    Q_OBJECT

private slots:
    void bothSaveFailuresStayUntilAnswered();
};

void TestClosingMessages::bothSaveFailuresStayUntilAnswered() {
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString ini = temp.filePath(QStringLiteral("gibtsnicht/kalvor.ini"));
    PatientUser user(300);
    {
        Program program({QStringLiteral("fapkalk"), QStringLiteral("/inidest:") + ini});
        program.SetMainWindow(CreateMainWindow(program.Arguments()));
        TForm1* form = program.MainWindow();
        QTimer::singleShot(200, form,
                           [form] { form->findChild<QPushButton*>("Button2")->click(); });
        QCOMPARE(program.Run(), 0);
        QCOMPARE(user.boxes.size(), 1); // the save at closing
    }                                   // the save at destruction
    const QString text =
        QStringLiteral("In ") + ini + QStringLiteral(" kann nicht geschrieben werden.");
    QCOMPARE(user.boxes.size(), 2);
    for (const SeenBox& box : user.boxes) {
        QCOMPARE(box.text, text);
        QVERIFY2(box.answeredByUser, "the box was closed before the user answered it");
    }
}

QTEST_MAIN(TestClosingMessages)
#include "test_closing_messages.moc"
