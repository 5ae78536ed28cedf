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
    // SHA-1 of the file as whisper.cpp publishes it (models/README.md of the pinned release), in
    // lower-case hex; a download is only kept when it matches.
    QString sha1;
    bool operator==(const ModelInfo &) const = default;
};
const QList<ModelInfo> &available();
// The catalogue entry with this id, or nothing.
const ModelInfo *find(const QString &id);
// The `size` text as a number of bytes ("142 MB" → 142 MiB, "1.5 GB" → 1.5 GiB: the sizes are
// rounded binary units); 0 when the text is not a number and a unit.
qint64 approximateBytes(const ModelInfo &model);
} // namespace Models

// The model display-name rule: the catalogue name for a catalogue file name, else the file name
// with every ".bin" removed. Takes a path or a file name.
QString modelDisplayName(const QString &pathOrFileName);

} // namespace parlix::Constants
