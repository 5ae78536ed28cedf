#include "ui/settings/MicrophoneChoices.h"

#include <QCoreApplication>

namespace parlix::ui {

QList<MicrophoneChoice> microphoneChoices(const QList<AudioDevice> &devices, const std::optional<QString> &stored,
                                          const QHash<QString, QString> &knownNames)
{
    QList<MicrophoneChoice> choices{{std::nullopt, QCoreApplication::translate("parlix::ui::MicrophoneChoices", "System default")}};
    bool storedPresent = !stored || stored->isEmpty();
    for (const AudioDevice &device : devices) {
        const QString id = QString::fromUtf8(device.id);
        choices.append({id, device.description.isEmpty() ? id : device.description});
        storedPresent = storedPresent || id == *stored;
    }
    if (!storedPresent)
        choices.append({*stored, QCoreApplication::translate("parlix::ui::MicrophoneChoices", "%1 (not connected)").arg(knownNames.value(*stored, *stored))});
    return choices;
}

} // namespace parlix::ui
