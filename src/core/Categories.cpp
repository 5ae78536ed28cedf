#include "core/Categories.h"

// QtDebugMsg: every level is on by default; QT_LOGGING_RULES narrows it.
// The dictation controller keeps the category name its log lines have always had.
Q_LOGGING_CATEGORY(lcController, "com.quorvane.parlix.MenuBar", QtDebugMsg)
Q_LOGGING_CATEGORY(lcAppState, "com.quorvane.parlix.AppState", QtDebugMsg)
Q_LOGGING_CATEGORY(lcSettings, "com.quorvane.parlix.Settings", QtDebugMsg)
Q_LOGGING_CATEGORY(lcHistory, "com.quorvane.parlix.History", QtDebugMsg)
Q_LOGGING_CATEGORY(lcHotkey, "com.quorvane.parlix.Hotkey", QtDebugMsg)
Q_LOGGING_CATEGORY(lcLoginItem, "com.quorvane.parlix.LoginItem", QtDebugMsg)
Q_LOGGING_CATEGORY(lcAudioRecorder, "com.quorvane.parlix.AudioRecorder", QtDebugMsg)
Q_LOGGING_CATEGORY(lcLiveAudioRecorder, "com.quorvane.parlix.LiveAudioRecorder", QtDebugMsg)
Q_LOGGING_CATEGORY(lcWhisper, "com.quorvane.parlix.Whisper", QtDebugMsg)
Q_LOGGING_CATEGORY(lcTextReplacement, "com.quorvane.parlix.TextReplacement", QtDebugMsg)
Q_LOGGING_CATEGORY(lcPasteManager, "com.quorvane.parlix.PasteManager", QtDebugMsg)
Q_LOGGING_CATEGORY(lcModelDownload, "com.quorvane.parlix.ModelDownload", QtDebugMsg)
Q_LOGGING_CATEGORY(lcUpdate, "com.quorvane.parlix.Update", QtDebugMsg)
Q_LOGGING_CATEGORY(lcApp, "com.quorvane.parlix.App", QtDebugMsg)
