#include "models/ModelCatalog.h"

#include <QFileInfo>

namespace parlix::Constants {

const QList<Models::ModelInfo> &Models::available()
{
    static const QList<ModelInfo> models = {
        {"tiny.en", "Tiny (English)", "ggml-tiny.en.bin", "75 MB", QT_TRANSLATE_NOOP("parlix::Constants::Models", "Fastest, basic accuracy"),
         "c78c86eb1a8faa21b369bcd33207cc90d64ae9df"},
        {"base.en", "Base (English)", "ggml-base.en.bin", "142 MB", QT_TRANSLATE_NOOP("parlix::Constants::Models", "Fast, good balance"),
         "137c40403d78fd54d454da0f9bd998f78703390c"},
        {"small.en", "Small (English)", "ggml-small.en.bin", "466 MB", QT_TRANSLATE_NOOP("parlix::Constants::Models", "Medium speed, better accuracy"),
         "db8a495a91d927739e50b3fc1cc4c6b8f6c2d022"},
        {"medium.en", "Medium (English)", "ggml-medium.en.bin", "1.5 GB", QT_TRANSLATE_NOOP("parlix::Constants::Models", "Slower, high accuracy"),
         "8c30f0e44ce9560643ebd10bbe50cd20eafd3723"},
        {"large-v3-turbo", "Large v3 Turbo", "ggml-large-v3-turbo.bin", "1.6 GB", QT_TRANSLATE_NOOP("parlix::Constants::Models", "Best speed/accuracy ratio"),
         "4af2b29d7ec73d781377bfd1758ca957a807e941"},
        {"large-v3", "Large v3", "ggml-large-v3.bin", "3 GB", QT_TRANSLATE_NOOP("parlix::Constants::Models", "Maximum accuracy"),
         "ad82bf6a9043ceed055076d0fd39f5f186ff8062"},
    };
    return models;
}

const Models::ModelInfo *Models::find(const QString &id)
{
    for (const auto &model : available()) {
        if (model.id == id)
            return &model;
    }
    return nullptr;
}

qint64 Models::approximateBytes(const ModelInfo &model)
{
    const QStringList parts = model.size.split(u' ');
    bool ok = false;
    const double number = parts.value(0).toDouble(&ok);
    if (!ok || parts.size() != 2)
        return 0;
    const QString &unit = parts[1];
    const double scale = unit == u"GB" ? 1024.0 * 1024 * 1024 : unit == u"MB" ? 1024.0 * 1024 : 0;
    return qint64(number * scale);
}

QString modelDisplayName(const QString &pathOrFileName)
{
    const QString fileName = QFileInfo(pathOrFileName).fileName();
    for (const auto &model : Models::available()) {
        if (model.fileName == fileName)
            return model.displayName;
    }
    return QString(fileName).remove(QStringLiteral(".bin"));
}

} // namespace parlix::Constants
