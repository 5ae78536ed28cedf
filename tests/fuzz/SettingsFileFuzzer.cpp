// The settings file: any bytes in place of settings.json load (what cannot be read is moved
// aside) and the store then writes a file that a fresh store reads back to the same values.
#include "core/JsonFileKeyValueStore.h"

#include "FuzzSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace parlix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir directory;
    QDir dir(directory.path());
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden))
        dir.remove(name);
    const QString path = dir.filePath(QStringLiteral("settings.json"));
    {
        QFile file(path);
        fuzz::require(file.open(QIODevice::WriteOnly) && file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size),
                      "the input is written");
    }
    JsonFileKeyValueStore store(path);
    store.setBool(QStringLiteral("fuzz.marker"), true); // rewrites the file from what was read
    QFile saved(path);
    fuzz::require(saved.open(QIODevice::ReadOnly), "the store wrote its file");
    const QStringList keys = QJsonDocument::fromJson(saved.readAll()).object().keys();
    fuzz::require(keys.contains(QStringLiteral("fuzz.marker")), "the saved file holds the new setting");
    const JsonFileKeyValueStore reread(path);
    for (const QString &key : keys)
        fuzz::require(reread.object(key).has_value() && reread.object(key) == store.object(key), "a saved setting reads back unchanged");
    return 0;
}
