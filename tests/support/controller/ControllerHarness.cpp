#include "ControllerHarness.h"

#include "Files.h"

namespace parlix::test {

ControllerHarness::ControllerHarness()
{
    modelPath = directory.filePath(QStringLiteral("ggml-base.en.bin"));
    writeFile(modelPath, "model");
    settings.setModelPath(modelPath);
    settings.setExperimentalFeaturesEnabled(false);
    settings.setLiveDictationEnabled(false);

    const auto journalFlag = [this](const char *name, void (AppState::*changed)(bool)) {
        QObject::connect(&state, changed, [this, name](bool v) { journal << QStringLiteral("state.%1 %2").arg(name, v ? "true" : "false"); });
    };
    journalFlag("recording", &AppState::isRecordingChanged);
    journalFlag("transcribing", &AppState::isTranscribingChanged);
    journalFlag("live", &AppState::isLiveTranscribingChanged);
    QObject::connect(&state, &AppState::lastTranscriptChanged,
                     [this](const QString &text) { journal << QStringLiteral("state.record ") + text; });

    controller = std::make_unique<DictationController>(
        DictationServices{settings, state, clip, live, engine, unsent, rewriter, delivery, history, hotkey, timers});
    QObject::connect(controller.get(), &DictationController::transcriptionFailed,
                     [this](const QString &message) { failureNotices << message; });
    QObject::connect(controller.get(), &DictationController::settingsWindowRequested,
                     [this](SettingsTab tab) { settingsRequests << tab; });
    controller->setupHotkey();
    controller->setupStateObservers();
    controller->setupSilenceDetection();
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
