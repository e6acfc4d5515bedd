// Every control of the five windows has an accessible name: a screen reader
// can say what each button, field, label and table is.
#include "message_recorder.h"

#include "app/StartProgram.h"
#include "ui/main/Accessibility.h"
#include "ui/main/FAP_Main.h"
#include "ui/mainwindowkit.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace fapkalk;
using testkit::MainControls;

namespace {

const QStringList kProgramArguments{QStringLiteral("fapkalk"), QStringLiteral("/noini")};

// The name assistive technology reads, straight from Qt's accessibility layer.
QString nameOf(QWidget* widget) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name).trimmed() : QString();
}

// Containers without a meaning of their own, and the inner parts of a grid.
bool isContainerOrPart(const QWidget* widget, const QWidget* window) {
    const QByteArray className = widget->metaObject()->className();
    if (className == "QWidget" || className == "QFrame")
        return true;
    if (const auto* group = qobject_cast<const QGroupBox*>(widget);
        group && group->title().isEmpty())
        return true;
    for (const QWidget* up = widget->parentWidget(); up && up != window; up = up->parentWidget())
        if (qobject_cast<const QAbstractScrollArea*>(up))
            return true;
    return false;
}

// "Class objectName" of every control of the window that has no name.
QStringList unnamedControls(QWidget* window) {
    QStringList unnamed;
    int controls = 0;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->window() != window || isContainerOrPart(widget, window))
            continue;
        ++controls;
        if (nameOf(widget).isEmpty())
            unnamed << QString::fromLatin1(widget->metaObject()->className()) + u' ' +
                           widget->objectName();
    }
    if (controls == 0)
        unnamed << QStringLiteral("no controls found");
    return unnamed;
}

QWidget* windowNamed(Program& program, const QString& objectName) {
    if (program.MainWindow()->objectName() == objectName)
        return program.MainWindow();
    for (const auto& window : program.SecondaryWindows())
        if (window->objectName() == objectName)
            return window.get();
    return nullptr;
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyControlHasAName_data();
    void everyControlHasAName();
    void namesOfControlsWithoutCaption_data();
    void namesOfControlsWithoutCaption();
    void fieldNamesFollowTheirLabel();
    void resultLabelsKeepTheirNameAndShowThePrice();
    void hintBecomesTheName();

private:
    std::unique_ptr<Program> program_;
};

void TestAccessibility::init() {
    program_ = std::make_unique<Program>(kProgramArguments);
    for (const CreationStep& step : CreationSteps())
        step.create(*program_);
}

void TestAccessibility::cleanup() {
    program_.reset();
    tools::SetMessageHandler({});
}

void TestAccessibility::everyControlHasAName_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("extendedMode");
    QTest::newRow("main window, single mode") << "Form1" << false;
    QTest::newRow("main window, extended mode") << "Form1" << true;
    QTest::newRow("imprint dialog") << "dlgFAPIMPressum" << false;
    QTest::newRow("notes dialog") << "dlgFAP_Hilfe" << false;
    QTest::newRow("export dialog") << "dlgFAP_EXPORT" << false;
    QTest::newRow("detail window") << "DetMore" << false;
}

void TestAccessibility::everyControlHasAName() {
    QFETCH(QString, window);
    QFETCH(bool, extendedMode);
    QWidget* target = windowNamed(*program_, window);
    QVERIFY2(target, qPrintable(window));
    if (extendedMode)
        program_->MainWindow()->ToggleMode();
    // Hidden controls (other mode, progress box) are checked too: they all
    // appear at some time.
    const QStringList unnamed = unnamedControls(target);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
    // The program's own rule agrees with the walk.
    QCOMPARE(UnnamedControls(target).size(), 0);
}

void TestAccessibility::namesOfControlsWithoutCaption_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::newRow("price field") << "Form1"
                                 << "eFAPBASIS"
                                 << "Fabriksabgabepreis:";
    QTest::newRow("VAT field") << "Form1"
                               << "edUST"
                               << "USt %:";
    QTest::newRow("logo") << "Form1"
                          << "Image1"
                          << "Impresum";
    QTest::newRow("main grid") << "Form1"
                               << "StringGrid1"
                               << "Ergebnistabelle";
    QTest::newRow("AEP label") << "Form1"
                               << "lbAEP"
                               << "AEP";
    QTest::newRow("AVP label") << "Form1"
                               << "lbAVP"
                               << "AVP";
    QTest::newRow("progress gauge") << "Form1"
                                    << "Gauge1"
                                    << "Fortschritt";
    QTest::newRow("title-bar button") << "Form1"
                                      << "JvCaptionButton1"
                                      << "Impressum";
    QTest::newRow("mode button, no ampersand") << "Form1"
                                               << "btErweitert"
                                               << "Erweitert";
    QTest::newRow("file name") << "dlgFAP_EXPORT"
                               << "Edit1"
                               << "Dateiname:";
    QTest::newRow("detail grid") << "DetMore"
                                 << "StringGrid1"
                                 << "Ergebnistabelle";
    QTest::newRow("imprint logo") << "dlgFAPIMPressum"
                                  << "Image1"
                                  << "Logo";
}

void TestAccessibility::namesOfControlsWithoutCaption() {
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QString, name);
    QWidget* target = windowNamed(*program_, window);
    QVERIFY(target);
    auto* widget = target->findChild<QWidget*>(control);
    QVERIFY2(widget, qPrintable(control));
    QCOMPARE(nameOf(widget), name);
    QCOMPARE(AccessibleNameOf(widget), name);
}

void TestAccessibility::fieldNamesFollowTheirLabel() {
    TForm1& form = *program_->MainWindow();
    const MainControls ui(form);
    QCOMPARE(nameOf(ui.eFAPBASIS), QStringLiteral("Fabriksabgabepreis:"));
    form.ToggleMode();
    QCOMPARE(nameOf(ui.eFAPBASIS), QStringLiteral("Von"));
    QCOMPARE(nameOf(ui.eBis), QStringLiteral("Bis:"));
    QCOMPARE(nameOf(ui.Edit1), QStringLiteral("Staffel:"));
    QCOMPARE(nameOf(ui.btErweitert), QStringLiteral("Normal"));
    // The hint stays available as the description.
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(ui.eBis);
    QCOMPARE(iface->text(QAccessible::Description), ui.eBis->toolTip());
}

void TestAccessibility::resultLabelsKeepTheirNameAndShowThePrice() {
    MessageRecorder messages;
    TForm1& form = *program_->MainWindow();
    const MainControls ui(form);
    ui.eFAPBASIS->setText(QStringLiteral("10"));
    ui.btBerechnen->click();
    QVERIFY(messages.messages.isEmpty());
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(ui.lbKP);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("KP"));
    QCOMPARE(iface->text(QAccessible::Value).trimmed(), QStringLiteral("15.20"));
}

void TestAccessibility::hintBecomesTheName() {
    QWidget window;
    auto* withHint = new QLineEdit(&window);
    withHint->setToolTip(QStringLiteral("Preis eingeben\nzweite Zeile"));
    auto* captioned = new QPushButton(QStringLiteral("&Berechnen"), &window);
    captioned->setToolTip(QStringLiteral("nicht der Name"));
    auto* bare = new QLineEdit(&window);
    new QFrame(&window); // a plain panel needs no name
    QCOMPARE(UnnamedControls(&window), (QList<QWidget*>{withHint, bare}));
    NameControlsFromHints(&window);
    QCOMPARE(nameOf(withHint), QStringLiteral("Preis eingeben"));
    QCOMPARE(nameOf(captioned), QStringLiteral("Berechnen"));
    QCOMPARE(UnnamedControls(&window), QList<QWidget*>{bare});
}

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
