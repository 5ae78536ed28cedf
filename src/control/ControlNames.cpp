#include "control/ControlNames.h"

namespace parlix::control {

State stateFrom(bool isRecording, bool isTranscribing, bool isLiveTranscribing)
{
    if (isLiveTranscribing)
        return State::live;
    if (isRecording)
        return State::recording;
    if (isTranscribing)
        return State::transcribing;
    return State::idle;
}

QString stateName(State state)
{
    switch (state) {
    case State::idle: return QStringLiteral("idle");
    case State::recording: return QStringLiteral("recording");
    case State::transcribing: return QStringLiteral("transcribing");
    case State::live: return QStringLiteral("live");
    }
    return QStringLiteral("idle");
}

QString tabName(SettingsTab tab)
{
    return QString::fromLatin1(settingsTabInfo(tab).name);
}

std::optional<SettingsTab> tabFromName(const QString &name)
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return defaultTab;
    for (const SettingsTabInfo &info : settingsTabs()) {
        if (wanted.compare(QLatin1String(info.name), Qt::CaseInsensitive) == 0)
            return info.tab;
    }
    return std::nullopt;
}

QStringList tabNames()
{
    QStringList names;
    for (const SettingsTabInfo &info : settingsTabs())
        names << QString::fromLatin1(info.name);
    return names;
}

} // namespace parlix::control
