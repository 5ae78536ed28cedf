#include "core/EngineMode.h"

#include <QCoreApplication>

namespace parlix {

QString rawValue(EngineMode mode)
{
    switch (mode) {
    case EngineMode::perClip: return QStringLiteral("per-clip");
    case EngineMode::keepLoaded: return QStringLiteral("server");
    case EngineMode::remote: return QStringLiteral("remote");
    }
    return {};
}

std::optional<EngineMode> engineModeFromRaw(const QString &raw)
{
    for (auto mode : {EngineMode::perClip, EngineMode::keepLoaded, EngineMode::remote}) {
        if (raw == rawValue(mode))
            return mode;
    }
    return std::nullopt;
}

QString label(EngineMode mode)
{
    switch (mode) {
    case EngineMode::perClip: return QCoreApplication::translate("EngineMode", "Per clip");
    case EngineMode::keepLoaded: return QCoreApplication::translate("EngineMode", "Keep the model loaded");
    case EngineMode::remote: return QCoreApplication::translate("EngineMode", "Remote server");
    }
    return {};
}

} // namespace parlix
