// Qt's own texts in the user's language: the catalogue chosen by the locale,
// and what a user then sees in a price field's context menu.
#include "app/Translations.h"

#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QTranslator>
#include <QtTest>
#include <memory>

using namespace fapkalk;

namespace {

QString TranslationsPath() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool HaveGermanCatalogue() {
    return QFile::exists(TranslationsPath() + QStringLiteral("/qtbase_de.qm"));
}

} // namespace

class TestTranslations : public QObject {
    Q_OBJECT

private slots:
    void catalogueFollowsTheLocale_data();
    void catalogueFollowsTheLocale();
    void noCatalogueWithoutTheFolder();
    void contextMenuSpeaksGerman();
};

void TestTranslations::catalogueFollowsTheLocale_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QString>("undo");
    QTest::newRow("de_AT: the German catalogue")
        << QLocale(QLocale::German, QLocale::Austria) << true << QString::fromUtf8("&Rückgängig");
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << true
                           << QString::fromUtf8("&Rückgängig");
    QTest::newRow("fr_FR: French, as the user reads")
        << QLocale(QLocale::French, QLocale::France) << true << QStringLiteral("&Annuler");
    QTest::newRow("C: Qt's English stays") << QLocale::c() << false << QStringLiteral("&Undo");
}

void TestTranslations::catalogueFollowsTheLocale() {
    QFETCH(QLocale, locale);
    QFETCH(bool, loaded);
    QFETCH(QString, undo);
    if (!HaveGermanCatalogue())
        QSKIP("Qt's catalogues are not installed (Debian package qt6-translations-l10n)");
    QTranslator translator;
    QCOMPARE(LoadQtTranslation(translator, locale, TranslationsPath()), loaded);
    const QString text = translator.translate("QLineEdit", "&Undo");
    QCOMPARE(text.isEmpty() ? QStringLiteral("&Undo") : text, undo);
}

void TestTranslations::noCatalogueWithoutTheFolder() {
    QTranslator translator;
    QVERIFY(!LoadQtTranslation(translator, QLocale(QLocale::German, QLocale::Austria),
                               QStringLiteral("/nonexistent/translations")));
    QVERIFY(translator.isEmpty());
}

void TestTranslations::contextMenuSpeaksGerman() {
    if (!HaveGermanCatalogue())
        QSKIP("Qt's catalogues are not installed (Debian package qt6-translations-l10n)");
    // The user's locale as the program reads it at start; this test runs under C.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Austria));
    auto* translator = new QTranslator(qApp);
    QVERIFY(LoadQtTranslation(*translator, QLocale(), TranslationsPath()));
    QVERIFY(QCoreApplication::installTranslator(translator));

    QLineEdit field(QStringLiteral("12.50"));
    const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QStringList texts;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            texts << action->text().section(u'\t', 0, 0);

    QCoreApplication::removeTranslator(translator);
    delete translator;
    QLocale::setDefault(QLocale::c());

    for (const char* german : {"&Rückgängig", "Wieder&herstellen", "&Ausschneiden", "&Kopieren",
                               "Einf&ügen", "Löschen", "Alles auswählen"})
        QVERIFY2(texts.contains(QString::fromUtf8(german)), qPrintable(texts.join(u'|')));
}

QTEST_MAIN(TestTranslations)
#include "test_translations.moc"
