// Qt's own texts (the fields' context menu, standard buttons, file dialogs) in
// the user's language: the program's texts are German already, Qt's are not.
#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;
class QTranslator;

namespace fapkalk {

// Loads Qt's catalogue "qtbase" for the locale's user-interface languages
// (de_AT tries qtbase_de_AT.qm, then qtbase_de.qm) from directory. False when
// there is none, as for the C locale or without the package
// qt6-translations-l10n: Qt's English texts stay then.
bool LoadQtTranslation(QTranslator& translator, const QLocale& locale, const QString& directory);

// LoadQtTranslation for the user's locale from Qt's translations folder, and
// the catalogue installed into app (which owns it) when one was found.
bool InstallQtTranslation(QCoreApplication& app);

} // namespace fapkalk
