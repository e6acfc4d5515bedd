#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace fapkalk {

bool LoadQtTranslation(QTranslator& translator, const QLocale& locale, const QString& directory) {
    return translator.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), directory);
}

bool InstallQtTranslation(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    if (!LoadQtTranslation(*translator, QLocale::system(),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace fapkalk
