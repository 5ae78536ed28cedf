#include "ui/Translations.h"

#include "core/Categories.h"
#include "core/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace parlix::ui {

QString translationsDirectory()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/parlix/translations"));
}

QStringList installTranslations(QCoreApplication &app, const QLocale &locale, const QString &directory)
{
    QStringList loaded;
    const auto install = [&](const QString &name, const QString &from) {
        auto *translator = new QTranslator(&app);
        if (translator->load(locale, name, QStringLiteral("_"), from) && QCoreApplication::installTranslator(translator)) {
            loaded << translator->filePath();
            return true;
        }
        delete translator;
        return false;
    };
    // Qt's own first: ours, installed last, is asked first.
    install(QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (!install(QStringLiteral("parlix"), directory) && locale.language() != QLocale::English && locale.language() != QLocale::C)
        log::info(lcApp, "No translation for %s in %s; the interface stays in English", locale.name(), directory);
    return loaded;
}

} // namespace parlix::ui
