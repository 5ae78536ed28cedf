#include "models/ModelFiles.h"

#include <QCoreApplication>

#include "core/Categories.h"
#include "core/Constants.h"
#include "core/Log.h"
#include "core/Paths.h"
#include "models/ModelCatalog.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace parlix::ModelFiles {

QString modelsDirectory()
{
    return Paths::modelsDirectory();
}

void ensureModelsDirectoryExists(const QString &directory)
{
    if (QFileInfo::exists(directory))
        return;
    if (QDir().mkpath(directory))
        log::info(lcModelDownload, "Created models directory at %s", directory);
    else
        log::error(lcModelDownload, "Failed to create models directory: %s",
                   QStringLiteral("cannot create %1").arg(directory));
}

QStringList downloadedModels(const QString &directory)
{
    const QDir dir(directory);
    if (!dir.exists() || !QFileInfo(directory).isReadable()) {
        log::error(lcModelDownload, "Failed to list models: %s",
                   QCoreApplication::translate("parlix::ModelFiles", "The folder “%1” doesn’t exist or can’t be read.").arg(dir.dirName()));
        return {};
    }
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
    const auto &catalogue = Constants::Models::available();
    auto rank = [&catalogue](const QFileInfo &f) {
        for (qsizetype i = 0; i < catalogue.size(); ++i) {
            if (catalogue[i].fileName == f.fileName())
                return i;
        }
        return catalogue.size();
    };
    QFileInfoList models;
    for (const QFileInfo &f : entries) {
        if (f.suffix() == u"bin" && !f.fileName().startsWith(u'.'))
            models.append(f);
    }
    std::stable_sort(models.begin(), models.end(), [&](const QFileInfo &a, const QFileInfo &b) { return rank(a) < rank(b); });
    QStringList paths;
    for (const QFileInfo &f : models)
        paths.append(f.absoluteFilePath());
    return paths;
}

} // namespace parlix::ModelFiles
