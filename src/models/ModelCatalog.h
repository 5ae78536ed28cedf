#pragma once
// The models the app offers for download, and how a model file is named in the UI. A plain table
// with no dependencies, so the settings (core) can name the selected model.
#include <QList>
#include <QString>

namespace parlix::Constants {

namespace Models {
struct ModelInfo {
    QString id;
    QString displayName;
    QString fileName;
    QString size;
    QString description;
    bool operator==(const ModelInfo &) const = default;
};
const QList<ModelInfo> &available();
} // namespace Models

// The model display-name rule: the catalogue name for a catalogue file name, else the file name
// with every ".bin" removed. Takes a path or a file name.
QString modelDisplayName(const QString &pathOrFileName);

} // namespace parlix::Constants
