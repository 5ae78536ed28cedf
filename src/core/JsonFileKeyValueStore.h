#pragma once
#include "core/KeyValueStore.h"

#include <QMap>

namespace parlix {

// The production store: one JSON file, each value kept with its type:
//   { "maxHistoryItems": { "int": 50 }, "modelPath": { "string": "/…" }, "hotkey": { "data": "<base64>" } }
// Every change rewrites the file atomically (mode 0600). A file that cannot be read or parsed is
// moved aside as "<name>.unreadable-<timestamp>" so the next write cannot destroy it, and the
// store starts empty.
class JsonFileKeyValueStore final : public KeyValueStore {
public:
    explicit JsonFileKeyValueStore(QString path);

    std::optional<QVariant> object(const QString &key) const override;
    void setValue(const QString &key, const QVariant &value) override;
    void remove(const QString &key) override;

    QString path() const { return m_path; }

    // $XDG_CONFIG_HOME/Parlix/settings.json
    static QString defaultPath();

private:
    void load();
    void save() const;

    QString m_path;
    QMap<QString, QVariant> m_values;
};

} // namespace parlix
