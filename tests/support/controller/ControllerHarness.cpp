#include "ControllerHarness.h"

#include <QFile>

namespace parlix::test {

ControllerHarness::ControllerHarness()
{
    modelPath = directory.filePath(QStringLiteral("ggml-base.en.bin"));
    QFile model(modelPath);
    model.open(QIODevice::WriteOnly);
    model.write("model");
    model.close();
    settings.setModelPath(modelPath);
    settings.setExperimentalFeaturesEnabled(false);
    settings.setLiveDictationEnabled(false);

    QObject::connect(&state, &AppState::isRecordingChanged, [this](bool v) {
        journal << QStringLiteral("state.recording ") + QLatin1String(v ? "true" : "false");
    });
    QObject::connect(&state, &AppState::isTranscribingChanged, [this](bool v) {
        journal << QStringLiteral("state.transcribing ") + QLatin1String(v ? "true" : "false");
    });
    QObject::connect(&state, &AppState::isLiveTranscribingChanged, [this](bool v) {
        journal << QStringLiteral("state.live ") + QLatin1String(v ? "true" : "false");
    });
    QObject::connect(&state, &AppState::lastTranscriptChanged,
                     [this](const QString &text) { journal << QStringLiteral("state.record ") + text; });

    controller = std::make_unique<DictationController>(
        DictationServices{settings, state, clip, live, engine, unsent, rewriter, delivery, history, hotkey, timers});
    QObject::connect(controller.get(), &DictationController::transcriptionFailed,
                     [this](const QString &message) { failureNotices << message; });
    QObject::connect(controller.get(), &DictationController::settingsWindowRequested,
                     [this](SettingsTab tab) { settingsRequests << tab; });
    QObject::connect(controller.get(), &DictationController::statusIconUpdateRequested, [this] { ++iconUpdates; });
    controller->setupHotkey();
    controller->setupStateObservers();
    controller->setupSilenceDetection();
}

void ControllerHarness::removeModel()
{
    QFile::remove(modelPath);
}

void ControllerHarness::releaseAll()
{
    while (clip.starts.releaseNext() || live.starts.releaseNext() || engine.pending.releaseNext()
           || delivery.typing.releaseNext()) {
    }
}

QString ControllerHarness::activity() const
{
    QString flags;
    if (state.isRecording())
        flags += u'R';
    if (state.isTranscribing())
        flags += u'T';
    if (state.isLiveTranscribing())
        flags += u'L';
    return flags.isEmpty() ? QStringLiteral("-") : flags;
}

} // namespace parlix::test
