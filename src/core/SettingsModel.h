#pragma once
// Every user preference in one observable object, kept in the per-user key-value store.
// Each assignment notifies observers (changed) and then writes the value under its key at once.
#include "core/EngineMode.h"
#include "core/HotkeyConfig.h"
#include "core/KeyValueStore.h"
#include "core/TextReplacementRule.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

namespace parlix {

enum class RecordingMode { toggle, pushToTalk };
enum class OutputMode { pasteOnly, pasteAndCopy, copyOnly, historyOnly };

QString rawValue(RecordingMode mode);
QString rawValue(OutputMode mode);
// The case whose raw value equals `raw` exactly; the first case otherwise.
RecordingMode recordingModeFromRaw(const std::optional<QString> &raw);
OutputMode outputModeFromRaw(const std::optional<QString> &raw);
QString label(RecordingMode mode);
QString label(OutputMode mode);

// Store keys.
namespace SettingsKey {
inline constexpr auto hotkey = "hotkey";
inline constexpr auto modelPath = "modelPath";
inline constexpr auto outputMode = "outputMode";
inline constexpr auto language = "language";
inline constexpr auto launchAtLogin = "launchAtLogin";
inline constexpr auto maxHistoryItems = "maxHistoryItems";
inline constexpr auto recordingMode = "recordingMode";
inline constexpr auto silenceDetectionEnabled = "silenceDetectionEnabled";
inline constexpr auto silenceThresholdDb = "silenceThresholdDb";
inline constexpr auto silenceDurationSeconds = "silenceDurationSeconds";
inline constexpr auto liveDictationEnabled = "liveDictationEnabled";
inline constexpr auto liveDictationMaxMinutes = "liveDictationMaxMinutes";
inline constexpr auto translateToEnglish = "translateToEnglish";
inline constexpr auto textReplacementRules = "textReplacementRules";
inline constexpr auto textReplacementEnabled = "textReplacementEnabled";
inline constexpr auto experimentalFeaturesEnabled = "experimentalFeaturesEnabled";
inline constexpr auto audioInputDevice = "audioInputDevice";
inline constexpr auto engineTimeoutSeconds = "engineTimeoutSeconds";
inline constexpr auto engineTimeoutPerAudioSecond = "engineTimeoutPerAudioSecond";
inline constexpr auto engineMode = "engineMode";
inline constexpr auto serverIdleMinutes = "serverIdleMinutes";
inline constexpr auto remoteServerUrl = "remoteServerUrl";
inline constexpr auto notificationsEnabled = "notificationsEnabled";
inline constexpr auto compositorBindingNoticeShown = "compositorBindingNoticeShown";
} // namespace SettingsKey

class SettingsModel : public QObject {
    Q_OBJECT
public:
    // Lists the model files present, best first; used once at creation to pick a model when the
    // stored one is missing.
    using ModelLister = std::function<QStringList()>;

    explicit SettingsModel(KeyValueStore &store, ModelLister downloadedModels = {}, QObject *parent = nullptr);

    HotkeyConfig hotkey() const { return m_hotkey; }
    void setHotkey(const HotkeyConfig &value);
    void saveHotkey();

    std::optional<QString> modelPath() const { return m_modelPath; }
    void setModelPath(const std::optional<QString> &value);
    OutputMode outputMode() const { return m_outputMode; }
    void setOutputMode(OutputMode value);
    QString language() const { return m_language; }
    void setLanguage(const QString &value);
    bool launchAtLogin() const { return m_launchAtLogin; }
    void setLaunchAtLogin(bool value);
    qint64 maxHistoryItems() const { return m_maxHistoryItems; }
    void setMaxHistoryItems(qint64 value);
    RecordingMode recordingMode() const { return m_recordingMode; }
    void setRecordingMode(RecordingMode value);
    bool silenceDetectionEnabled() const { return m_silenceDetectionEnabled; }
    void setSilenceDetectionEnabled(bool value);
    float silenceThresholdDb() const { return m_silenceThresholdDb; }
    void setSilenceThresholdDb(float value);
    double silenceDurationSeconds() const { return m_silenceDurationSeconds; }
    void setSilenceDurationSeconds(double value);
    bool liveDictationEnabled() const { return m_liveDictationEnabled; }
    void setLiveDictationEnabled(bool value);
    qint64 liveDictationMaxMinutes() const { return m_liveDictationMaxMinutes; }
    void setLiveDictationMaxMinutes(qint64 value);
    bool translateToEnglish() const { return m_translateToEnglish; }
    void setTranslateToEnglish(bool value);
    QList<TextReplacementRule> textReplacementRules() const { return m_textReplacementRules; }
    void setTextReplacementRules(const QList<TextReplacementRule> &value);
    void saveTextReplacementRules();
    bool textReplacementEnabled() const { return m_textReplacementEnabled; }
    void setTextReplacementEnabled(bool value);
    bool experimentalFeaturesEnabled() const { return m_experimentalFeaturesEnabled; }
    void setExperimentalFeaturesEnabled(bool value);
    // The microphone's device id; none means the system default.
    std::optional<QString> audioInputDevice() const { return m_audioInputDevice; }
    void setAudioInputDevice(const std::optional<QString> &value);
    // The engine watchdog's bound for a clip: engineTimeoutSeconds + engineTimeoutPerAudioSecond
    // × the clip's duration (defaults 30 and 10; a stored value below 1 means the default).
    double engineTimeoutSeconds() const { return m_engineTimeoutSeconds; }
    void setEngineTimeoutSeconds(double value);
    double engineTimeoutPerAudioSecond() const { return m_engineTimeoutPerAudioSecond; }
    void setEngineTimeoutPerAudioSecond(double value);
    EngineMode engineMode() const { return m_engineMode; }
    void setEngineMode(EngineMode value);
    // How long the kept-loaded model stays without a clip before its server is stopped.
    double serverIdleMinutes() const { return m_serverIdleMinutes; }
    void setServerIdleMinutes(double value);
    // The remote whisper-server's address (http or https); its token is kept apart, see
    // RemoteServerToken.
    QString remoteServerUrl() const { return m_remoteServerUrl; }
    void setRemoteServerUrl(const QString &value);
    // Desktop notifications (hotkey unavailable, download finished or failed); on by default.
    bool notificationsEnabled() const { return m_notificationsEnabled; }
    void setNotificationsEnabled(bool value);
    // The user was told, once, that a key is bound in the compositor on this desktop and how.
    bool compositorBindingNoticeShown() const { return m_compositorBindingNoticeShown; }
    void setCompositorBindingNoticeShown(bool value);

    void selectModel(const QString &path);

    // Derived values, computed on every read.
    std::optional<QString> modelFile() const;
    QString modelDisplayName() const;
    bool isEnglishOnlyModel() const;
    bool supportsTranslation() const;
    bool shouldTranslate() const;

signals:
    // A setting changed; emitted after the new value is readable and before it is stored.
    void changed(const QString &key);

private:
    void load();
    void autoSelectModel();
    template <typename T, typename Persist>
    void assign(T &field, const T &value, const char *key, Persist persist);

    KeyValueStore &m_store;
    ModelLister m_downloadedModels;

    HotkeyConfig m_hotkey;
    std::optional<QString> m_modelPath;
    OutputMode m_outputMode = OutputMode::pasteOnly;
    QString m_language = QStringLiteral("auto");
    bool m_launchAtLogin = false;
    qint64 m_maxHistoryItems = 50;
    RecordingMode m_recordingMode = RecordingMode::toggle;
    bool m_silenceDetectionEnabled = false;
    float m_silenceThresholdDb = -40.0f;
    double m_silenceDurationSeconds = 2.0;
    bool m_liveDictationEnabled = false;
    qint64 m_liveDictationMaxMinutes = 60;
    bool m_translateToEnglish = false;
    QList<TextReplacementRule> m_textReplacementRules = TextReplacementRule::examples();
    bool m_textReplacementEnabled = true;
    bool m_experimentalFeaturesEnabled = true;
    std::optional<QString> m_audioInputDevice;
    double m_engineTimeoutSeconds = 30.0;
    double m_engineTimeoutPerAudioSecond = 10.0;
    EngineMode m_engineMode = EngineMode::perClip;
    double m_serverIdleMinutes = 10.0;
    QString m_remoteServerUrl;
    bool m_notificationsEnabled = true;
    bool m_compositorBindingNoticeShown = false;
};

} // namespace parlix
