#pragma once
// What the dictation controller needs from the services it drives, each cut down to the calls it
// makes. The production services are wired in through thin adapters (adapters/); tests pass fakes.
//
// Failures: an operation that can fail throws an exception derived from std::exception whose
// what() is the user-facing description in UTF-8 (the convention WhisperError follows). The
// controller logs that description and carries on; it never lets an exception escape.
//
// Files are passed as local paths.
#include <QCoroTask>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace parlix {

class SettingsModel;
class AppState;

// Records one clip to a WAV file.
class ClipRecorder {
public:
    virtual ~ClipRecorder() = default;
    // Starts recording; returns the path of the clip being written. A throw means nothing records.
    virtual QCoro::Task<QString> startRecording() = 0;
    // Stops; the finished clip's path, or nothing when there is nothing to transcribe.
    virtual std::optional<QString> stopRecording() = 0;
    // Removes a clip file. Never throws.
    virtual void deleteRecording(const QString &path) = 0;
    // Called on the main thread, at most once per recording, when the speaker fell silent.
    virtual void setSilenceHandler(std::function<void()> handler) = 0;
    // Called on the main thread, at most once per recording, when capture ended on its own (the
    // device or the audio server went away); the clip so far stays valid for stopRecording().
    virtual void setInterruptionHandler(std::function<void(const QString &description)> handler) = 0;
};

// Continuous capture cut into chunk files.
class LiveCapture {
public:
    virtual ~LiveCapture() = default;
    // Starts capturing. A throw means nothing runs.
    virtual QCoro::Task<> startRecording() = 0;
    // The audio gathered since the previous cut as a new file, or nothing when too little has
    // gathered (that audio stays for the next cut).
    virtual std::optional<QString> extractChunk() = 0;
    // Everything still buffered, or nothing when the buffer is empty.
    virtual std::optional<QString> extractFinalChunk() = 0;
    // Removes a chunk file. Never throws.
    virtual void deleteChunk(const QString &path) = 0;
    virtual void stopRecording() = 0;
    virtual void setSilenceHandler(std::function<void()> handler) = 0;
    // As for clips; the audio gathered so far stays for the next cut.
    virtual void setInterruptionHandler(std::function<void(const QString &description)> handler) = 0;
};

// Speech to cleaned text.
class Transcriber {
public:
    virtual ~Transcriber() = default;
    // Possibly empty text. Throws on failure, also when cancel() ended the call.
    virtual QCoro::Task<QString> transcribe(QString audioPath, std::optional<QString> prompt) = 0;
    // Ends every call under way (an engine child is killed); returns at once. Never throws.
    virtual void cancel() = 0;
};

// Recordings whose transcription did not deliver anything (failed, cancelled, timed out, heard
// nothing), kept until a retry succeeds; the oldest go once there are too many.
class UnsentClips {
public:
    virtual ~UnsentClips() = default;
    // Moves `path` in and returns where it is now (the same path when it is already kept);
    // nothing when it could not be moved, and then it stays where it was. Never throws.
    virtual std::optional<QString> keep(const QString &path) = 0;
    // The most recently kept recording.
    virtual std::optional<QString> newest() = 0;
    virtual bool contains(const QString &path) = 0;
    virtual void remove(const QString &path) = 0;
};

// The user's replacement rules.
class TextRewriter {
public:
    virtual ~TextRewriter() = default;
    // The input unchanged when replacement is switched off. Never throws.
    virtual QString applyReplacements(const QString &text) = 0;
};

// Getting text into other applications.
class TextDelivery {
public:
    virtual ~TextDelivery() = default;
    // Pastes into the application the user was working in; false when not permitted.
    virtual QCoro::Task<bool> pasteText(QString text) = 0;
    virtual void copyToClipboard(const QString &text) = 0;
    // Types at the cursor without touching the clipboard; false when not permitted.
    virtual QCoro::Task<bool> typeText(QString text) = 0;
};

// The persisted transcript history.
class TranscriptHistory {
public:
    virtual ~TranscriptHistory() = default;
    virtual void add(const QString &text, const std::optional<QString> &originalText,
                     const std::optional<QString> &modelName) = 0;
};

// The global hotkey.
class HotkeyRegistration {
public:
    virtual ~HotkeyRegistration() = default;
    // Both handlers are called on the main thread.
    virtual void setHandlers(std::function<void()> pressed, std::function<void()> released) = 0;
    // (Re)registers the stored hotkey.
    virtual void registerHotkey() = 0;
};

// A main-thread timer; tests drive it by hand.
class ControllerTimer {
public:
    virtual ~ControllerTimer() = default;
    // Restarts the timer. `onFire` runs on the main thread after each interval (once when not
    // repeating).
    virtual void start(std::chrono::milliseconds interval, bool repeating, std::function<void()> onFire) = 0;
    virtual void stop() = 0;
};

class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<ControllerTimer> createTimer() = 0;
};

// Everything the controller is built from. The referenced objects must outlive it.
struct DictationServices {
    SettingsModel &settings;
    AppState &state;
    ClipRecorder &clipRecorder;
    LiveCapture &liveCapture;
    Transcriber &transcriber;
    UnsentClips &unsent;
    TextRewriter &rewriter;
    TextDelivery &delivery;
    TranscriptHistory &history;
    HotkeyRegistration &hotkey;
    TimerFactory &timers;
};

} // namespace parlix
