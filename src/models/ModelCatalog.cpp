#include "models/ModelCatalog.h"

#include <QFileInfo>

namespace parlix::Constants {

const QList<Models::ModelInfo> &Models::available()
{
    static const QList<ModelInfo> models = {
        {"tiny.en", "Tiny (English)", "ggml-tiny.en.bin", "75 MB", "Fastest, basic accuracy"},
        {"base.en", "Base (English)", "ggml-base.en.bin", "142 MB", "Fast, good balance"},
        {"small.en", "Small (English)", "ggml-small.en.bin", "466 MB", "Medium speed, better accuracy"},
        {"medium.en", "Medium (English)", "ggml-medium.en.bin", "1.5 GB", "Slower, high accuracy"},
        {"large-v3-turbo", "Large v3 Turbo", "ggml-large-v3-turbo.bin", "1.6 GB", "Best speed/accuracy ratio"},
        {"large-v3", "Large v3", "ggml-large-v3.bin", "3 GB", "Maximum accuracy"},
    };
    return models;
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
