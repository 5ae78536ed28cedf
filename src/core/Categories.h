#pragma once
// One log category per service: "com.quorvane.parlix.<Service>".
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcApp) // launch, quit, signals, control requests from outside
Q_DECLARE_LOGGING_CATEGORY(lcController)
Q_DECLARE_LOGGING_CATEGORY(lcAppState)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcHistory)
Q_DECLARE_LOGGING_CATEGORY(lcHotkey)
Q_DECLARE_LOGGING_CATEGORY(lcLoginItem)
Q_DECLARE_LOGGING_CATEGORY(lcAudioRecorder)
Q_DECLARE_LOGGING_CATEGORY(lcLiveAudioRecorder)
Q_DECLARE_LOGGING_CATEGORY(lcWhisper)
Q_DECLARE_LOGGING_CATEGORY(lcTextReplacement)
Q_DECLARE_LOGGING_CATEGORY(lcPasteManager)
Q_DECLARE_LOGGING_CATEGORY(lcModelDownload)
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)
