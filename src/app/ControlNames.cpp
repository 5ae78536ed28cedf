#include "ControlNames.h"

#include <array>
#include <utility>

namespace parlix::control {

namespace {
constexpr std::array<std::pair<SettingsTab, const char *>, 6> kTabs{{
    {SettingsTab::recording, "recording"},
    {SettingsTab::model, "model"},
    {SettingsTab::output, "output"},
    {SettingsTab::history, "history"},
    {SettingsTab::general, "general"},
    {SettingsTab::about, "about"},
}};
} // namespace

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
    for (const auto &[value, name] : kTabs) {
        if (value == tab)
            return QString::fromLatin1(name);
    }
    return {};
}

std::optional<SettingsTab> tabFromName(const QString &name)
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return defaultTab;
    for (const auto &[value, text] : kTabs) {
        if (wanted.compare(QLatin1String(text), Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

QStringList tabNames()
{
    QStringList names;
    for (const auto &entry : kTabs)
        names << QString::fromLatin1(entry.second);
    return names;
}

} // namespace parlix::control
