#pragma once
// What the application is doing right now: recording a clip, transcribing it, dictating live,
// whether the engine is missing, and the most recent transcript. Not persisted; starts idle.
// The dictation controller is its only writer, through the setters.
#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace parlix {

class SettingsModel;

class AppState : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    explicit AppState(SettingsModel &settings, Clock clock = {}, QObject *parent = nullptr);

    bool isRecording() const { return m_isRecording; }
    bool isTranscribing() const { return m_isTranscribing; }
    bool isLiveTranscribing() const { return m_isLiveTranscribing; }
    bool engineMissing() const { return m_engineMissing; }
    std::optional<QString> lastTranscript() const { return m_lastTranscript; }
    std::optional<QDateTime> lastTranscriptTimestamp() const { return m_lastTranscriptTimestamp; }

    // No model path, or no file at it (checked now, at every read).
    bool modelMissing() const;
    // Engine present, model present, and no recording, transcription or live dictation running.
    bool canRecord() const;

    // Each setter stores and announces the value, also when it is unchanged. At most one of the
    // three activities runs at a time: turning one on while another is on is refused (logged,
    // nothing stored or announced) and the setter returns false.
    bool setRecording(bool value);
    bool setTranscribing(bool value);
    bool setLiveTranscribing(bool value);
    void setEngineMissing(bool value);
    // Stores the text, then the current time.
    void recordTranscription(const QString &text);

signals:
    void isRecordingChanged(bool value);
    void isTranscribingChanged(bool value);
    void isLiveTranscribingChanged(bool value);
    void engineMissingChanged(bool value);
    void lastTranscriptChanged(const QString &text);
    void lastTranscriptTimestampChanged(const QDateTime &timestamp);

private:
    // The activity that is on, other than `except`; nullptr when none.
    const char *otherActivity(const bool *except) const;
    bool setActivity(bool &field, bool value, const char *name);

    SettingsModel &m_settings;
    Clock m_clock;
    bool m_isRecording = false;
    bool m_isTranscribing = false;
    bool m_isLiveTranscribing = false;
    bool m_engineMissing = false;
    std::optional<QString> m_lastTranscript;
    std::optional<QDateTime> m_lastTranscriptTimestamp;
};

} // namespace parlix
