#pragma once
// The user's language: Parlix's own catalogue (parlix_<lang>.qm) and Qt's (qtbase_<lang>.qm, for
// the standard dialogs and buttons), picked from the locale's UI languages. English is the source
// language and needs no catalogue.
#include <QLocale>
#include <QStringList>

class QCoreApplication;

namespace parlix::ui {

// <directory of the executable>/../share/parlix/translations: the same in the build tree and in
// an installation.
QString translationsDirectory();

// Installs the catalogues found for `locale` on `app` (which owns them); returns the files loaded.
QStringList installTranslations(QCoreApplication &app, const QLocale &locale, const QString &directory);

} // namespace parlix::ui
