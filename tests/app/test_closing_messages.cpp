// At program end a settings file that cannot be written is reported once,
// when the main window closes, with its full path and the reason; the save
// tried again when it is destroyed after the event loop has ended does not
// repeat the message. A real message box, no recorder in between: it must
// stay on screen until the user answers it, and show a path holding markup
// as the plain text it is.
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
    Qt::TextFormat format;
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
            boxes << SeenBox{box->text(), box->textFormat(), false};
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
    void saveFailureShownOncePlainUntilAnswered();
};

void TestClosingMessages::saveFailureShownOncePlainUntilAnswered() {
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString ini =
        temp.filePath(QStringLiteral("<h1><font color=red>Virus gefunden!</font></h1>/kalvor.ini"));
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
    QTest::qWait(500);
    QCOMPARE(user.boxes.size(), 1);
    const SeenBox& box = user.boxes.constFirst();
    QCOMPARE(box.text, QStringLiteral("In ") + ini +
                           QStringLiteral(" kann nicht geschrieben werden (Anlegen der temporären "
                                          "Datei: Datei oder Ordner nicht vorhanden)."));
    QCOMPARE(box.format, Qt::PlainText);
    QVERIFY2(box.answeredByUser, "the box was closed before the user answered it");
}

QTEST_MAIN(TestClosingMessages)
#include "test_closing_messages.moc"
