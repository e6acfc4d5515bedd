// Every control of the five windows has an accessible name: a screen reader
// can say what each button, field, label and table is.
#include "message_recorder.h"

#include "app/StartProgram.h"
#include "ui/main/FAP_Main.h"
#include "ui/mainwindowkit.h"
#include "ui/widgets/Accessibility.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QGroupBox>
#include <QImage>
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
    void clickableLabels_data();
    void clickableLabels();
    void fieldNamesFollowTheirLabel();
    void resultLabelsNameCaptionAndPrice_data();
    void resultLabelsNameCaptionAndPrice();
    void gridColumnsAreNamed();
    void switchStateIsCheckedInStepWithColour_data();
    void switchStateIsCheckedInStepWithColour();
    void disabledSwitchCaptionIsGreyed_data();
    void disabledSwitchCaptionIsGreyed();
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
                               << "AEP 0.00";
    QTest::newRow("AVP label") << "Form1"
                               << "lbAVP"
                               << "AVP 0.00";
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

void TestAccessibility::clickableLabels_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<bool>("pressable"); // by Tab and keys, and by assistive technology

    QTest::newRow("logo") << "Form1"
                          << "Image1" << QAccessible::Graphic << false;
    QTest::newRow("web link") << "dlgFAPIMPressum"
                              << "labWWW" << QAccessible::Link << true;
    QTest::newRow("e-mail link") << "dlgFAPIMPressum"
                                 << "labemail" << QAccessible::Link << true;
}

void TestAccessibility::clickableLabels() {
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QAccessible::Role, role);
    QFETCH(bool, pressable);
    QWidget* target = windowNamed(*program_, window);
    QVERIFY(target);
    auto* widget = target->findChild<QWidget*>(control);
    QVERIFY2(widget, qPrintable(control));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(iface);
    QCOMPARE(iface->role(), role);
    QCOMPARE(bool(widget->focusPolicy() & Qt::TabFocus), pressable);
    QAccessibleActionInterface* actions = iface->actionInterface();
    QCOMPARE(actions && actions->actionNames().contains(QAccessibleActionInterface::pressAction()),
             pressable);
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

void TestAccessibility::resultLabelsNameCaptionAndPrice_data() {
    QTest::addColumn<QString>("price");
    QTest::addColumn<bool>("aepInput");
    QTest::addColumn<QStringList>("names"); // FAP, AEP, KP, AVP
    QTest::newRow("FAP 12.5") << "12.5" << false
                              << QStringList{"FAP 12.50", "AEP 13.81", "KP 18.65", "AVP 26.05"};
    QTest::newRow("FAP 10") << "10" << false
                            << QStringList{"FAP 10.00", "AEP 11.25", "KP 15.20", "AVP 21.20"};
    // The FAP label shows 0.00 for a typed AEP, and says so.
    QTest::newRow("AEP 13.81") << "13.81" << true
                               << QStringList{"FAP 0.00", "AEP 13.81", "KP 18.65", "AVP 26.05"};
}

// Orca reads a label by its name: the name carries the price, and follows it.
void TestAccessibility::resultLabelsNameCaptionAndPrice() {
    QFETCH(QString, price);
    QFETCH(bool, aepInput);
    QFETCH(QStringList, names);
    MessageRecorder messages;
    TForm1& form = *program_->MainWindow();
    const MainControls ui(form);
    ui.eFAPBASIS->setText(price);
    if (aepInput)
        ui.spFAPAEP->click();
    ui.btBerechnen->click();
    QVERIFY(messages.messages.isEmpty());
    const QList<QLabel*> labels{ui.lbFAP, ui.lbAEP, ui.lbKP, ui.lbAVP};
    for (qsizetype i = 0; i < labels.size(); ++i) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(labels[i]);
        QCOMPARE(iface->text(QAccessible::Name), names[i]);
        QCOMPARE(iface->text(QAccessible::Value), names[i].section(u' ', 1));
    }
}

void TestAccessibility::gridColumnsAreNamed() {
    for (QWidget* window : {static_cast<QWidget*>(program_->MainWindow()),
                            windowNamed(*program_, QStringLiteral("DetMore"))}) {
        auto* grid = window->findChild<QAbstractItemView*>(QStringLiteral("StringGrid1"));
        QVERIFY(grid);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(grid);
        QVERIFY(iface && iface->tableInterface());
        QStringList headers;
        for (int column = 0; column < iface->tableInterface()->columnCount(); ++column)
            headers << iface->tableInterface()->columnDescription(column);
        QCOMPARE(headers, (QStringList{"FAP", "AEP", "KP", "AVP"}));
    }
}

void TestAccessibility::switchStateIsCheckedInStepWithColour_data() {
    QTest::addColumn<QStringList>("clicks"); // objectNames, in order
    QTest::addColumn<QStringList>("on");     // the buttons that end on
    QTest::newRow("none") << QStringList{} << QStringList{};
    QTest::newRow("Suchtgift") << QStringList{"sbSG"} << QStringList{"sbSG"};
    QTest::newRow("Suchtgift twice") << QStringList{"sbSG", "sbSG"} << QStringList{};
    QTest::newRow("FAP/AEP") << QStringList{"spFAPAEP"} << QStringList{"spFAPAEP"};
    QTest::newRow("Veterinär, then (*)")
        << QStringList{"sbVet", "sbStern"} << QStringList{"sbStern"};
    QTest::newRow("all, then Homöop.")
        << QStringList{"sbSG", "sbStern", "spFAPAEP", "homeopathic"} << QStringList{"spFAPAEP"};
}

// What a screen reader says (checked or not) and what the eye sees (the
// caption's colour) come from the same state.
void TestAccessibility::switchStateIsCheckedInStepWithColour() {
    QFETCH(QStringList, clicks);
    QFETCH(QStringList, on);
    MessageRecorder messages;
    TForm1& form = *program_->MainWindow();
    const MainControls ui(form);
    ui.eFAPBASIS->setText(QStringLiteral("10"));
    for (const QString& name : clicks) {
        if (name == "homeopathic")
            ui.rgRechenModi->button(1)->click();
        else
            form.findChild<QPushButton*>(name)->click();
    }
    const QColor black(0, 0, 0);
    for (QPushButton* button : {ui.spFAPAEP, ui.sbSG, ui.sbVet, ui.sbStern}) {
        const bool wantOn = on.contains(button->objectName());
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button);
        QVERIFY2(iface->state().checkable, qPrintable(button->objectName()));
        QCOMPARE(iface->state().checked, wantOn);
        const QColor caption = button->palette().color(QPalette::Active, QPalette::ButtonText);
        QCOMPARE(caption != black, wantOn);
        QVERIFY(!button->isDown()); // never drawn pressed
    }
}

void TestAccessibility::disabledSwitchCaptionIsGreyed_data() {
    QTest::addColumn<bool>("switchedOn");
    QTest::newRow("off (black)") << false;
    QTest::newRow("on (red)") << true;
}

// Selecting "Homöop." disables (*): its caption must look disabled, whatever
// colour the switch gave it. Compared as drawn, not as set.
void TestAccessibility::disabledSwitchCaptionIsGreyed() {
    QFETCH(bool, switchedOn);
    MessageRecorder messages;
    TForm1& form = *program_->MainWindow();
    const MainControls ui(form);
    ui.eFAPBASIS->setText(QStringLiteral("10"));
    if (switchedOn)
        ui.sbStern->click();
    // The darkest and the reddest pixel of the caption's middle line.
    auto ink = [&] {
        const QImage image = ui.sbStern->grab().toImage();
        QColor darkest = Qt::white;
        int reddest = 0;
        const int y = image.height() / 2;
        for (int x = image.width() / 4; x < image.width() * 3 / 4; ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.lightness() < darkest.lightness())
                darkest = c;
            reddest = std::max(reddest, c.red() - std::max(c.green(), c.blue()));
        }
        return std::pair{darkest, reddest};
    };
    const auto [enabledDarkest, enabledRed] = ink();
    ui.rgRechenModi->button(1)->click();
    QVERIFY(!ui.sbStern->isEnabled());
    const auto [disabledDarkest, disabledRed] = ink();
    if (switchedOn)
        QVERIFY2(enabledRed > 150, qPrintable(QString::number(enabledRed)));
    QVERIFY2(disabledRed < 40, qPrintable(QString::number(disabledRed)));
    QVERIFY2(disabledDarkest.lightness() > enabledDarkest.lightness() + 40,
             qPrintable(QStringLiteral("%1 vs %2")
                            .arg(disabledDarkest.lightness())
                            .arg(enabledDarkest.lightness())));
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
