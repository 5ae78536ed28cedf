#include "core/SettingsModel.h"

#include "core/Categories.h"
#include "core/Constants.h"
#include "core/Log.h"
#include "models/ModelCatalog.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace parlix {

namespace {
const QString kToggle = QStringLiteral("toggle");
const QString kPushToTalk = QStringLiteral("push_to_talk");
const QString kPasteOnly = QStringLiteral("paste_only");
const QString kPasteAndCopy = QStringLiteral("paste_and_copy");
const QString kCopyOnly = QStringLiteral("copy_only");
const QString kHistoryOnly = QStringLiteral("history_only");

QString key(const char *k) { return QString::fromLatin1(k); }

// A boolean whose default is true: only a stored boolean overrides it.
bool boolDefaultingToTrue(const KeyValueStore &store, const char *k)
{
    const auto v = store.object(key(k));
    return v && v->typeId() == QMetaType::Bool ? v->toBool() : true;
}

QString lowerFileName(const QString &path)
{
    return QFileInfo(path).fileName().toLower();
}
} // namespace

QString rawValue(RecordingMode mode)
{
    return mode == RecordingMode::pushToTalk ? kPushToTalk : kToggle;
}

QString rawValue(OutputMode mode)
{
    switch (mode) {
    case OutputMode::pasteOnly: return kPasteOnly;
    case OutputMode::pasteAndCopy: return kPasteAndCopy;
    case OutputMode::copyOnly: return kCopyOnly;
    case OutputMode::historyOnly: return kHistoryOnly;
    }
    return kPasteOnly;
}

RecordingMode recordingModeFromRaw(const std::optional<QString> &raw)
{
    return raw == kPushToTalk ? RecordingMode::pushToTalk : RecordingMode::toggle;
}

OutputMode outputModeFromRaw(const std::optional<QString> &raw)
{
    for (auto mode : {OutputMode::pasteOnly, OutputMode::pasteAndCopy, OutputMode::copyOnly, OutputMode::historyOnly}) {
        if (raw == rawValue(mode))
            return mode;
    }
    return OutputMode::pasteOnly;
}

QString label(RecordingMode mode)
{
    return mode == RecordingMode::pushToTalk ? QCoreApplication::translate("parlix::SettingsModel", "Push to talk (hold to record)")
                                             : QCoreApplication::translate("parlix::SettingsModel", "Toggle (press to start/stop)");
}

QString label(OutputMode mode)
{
    switch (mode) {
    case OutputMode::pasteOnly: return QCoreApplication::translate("parlix::SettingsModel", "Paste into active input");
    case OutputMode::pasteAndCopy: return QCoreApplication::translate("parlix::SettingsModel", "Paste into active input + copy to clipboard");
    case OutputMode::copyOnly: return QCoreApplication::translate("parlix::SettingsModel", "Copy to clipboard");
    case OutputMode::historyOnly: return QCoreApplication::translate("parlix::SettingsModel", "History only (click to copy)");
    }
    return {};
}

SettingsModel::SettingsModel(KeyValueStore &store, ModelLister downloadedModels, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_downloadedModels(std::move(downloadedModels))
{
    load();
    autoSelectModel();
    log::info(lcSettings, "Settings loaded: hotkey=%s, model=%s", m_hotkey.displayString(), modelDisplayName());
}

void SettingsModel::load()
{
    namespace K = SettingsKey;
    const KeyValueStore &s = m_store;

    if (const auto bytes = s.data(key(K::hotkey)))
        m_hotkey = HotkeyConfig::decode(*bytes).value_or(HotkeyConfig::defaultConfig());
    m_modelPath = s.string(key(K::modelPath));
    m_outputMode = outputModeFromRaw(s.string(key(K::outputMode)));
    m_language = s.string(key(K::language)).value_or(QStringLiteral("auto"));
    m_launchAtLogin = s.boolean(key(K::launchAtLogin));
    if (s.object(key(K::maxHistoryItems))) {
        const qint64 stored = s.integer(key(K::maxHistoryItems));
        m_maxHistoryItems = stored >= 0 ? stored : 50;
    }
    m_recordingMode = recordingModeFromRaw(s.string(key(K::recordingMode)));
    m_silenceDetectionEnabled = s.boolean(key(K::silenceDetectionEnabled));
    const float threshold = s.floatValue(key(K::silenceThresholdDb));
    m_silenceThresholdDb = threshold == 0.0f ? -40.0f : threshold;
    const double duration = s.doubleValue(key(K::silenceDurationSeconds));
    m_silenceDurationSeconds = duration > 0 ? duration : 2.0;
    m_liveDictationEnabled = s.boolean(key(K::liveDictationEnabled));
    const qint64 maxMinutes = s.integer(key(K::liveDictationMaxMinutes));
    m_liveDictationMaxMinutes = maxMinutes > 0 ? maxMinutes : 60;
    m_translateToEnglish = s.boolean(key(K::translateToEnglish));
    m_textReplacementEnabled = boolDefaultingToTrue(s, K::textReplacementEnabled);
    m_experimentalFeaturesEnabled = boolDefaultingToTrue(s, K::experimentalFeaturesEnabled);
    m_audioInputDevice = s.string(key(K::audioInputDevice));
    const double timeout = s.doubleValue(key(K::engineTimeoutSeconds));
    m_engineTimeoutSeconds = timeout >= 1 ? timeout : 30.0;
    const double perAudioSecond = s.doubleValue(key(K::engineTimeoutPerAudioSecond));
    m_engineTimeoutPerAudioSecond = perAudioSecond >= 1 ? perAudioSecond : 10.0;
    m_engineMode = engineModeFromRaw(s.string(key(K::engineMode)).value_or(QString())).value_or(EngineMode::perClip);
    const double idle = s.doubleValue(key(K::serverIdleMinutes));
    m_serverIdleMinutes = idle > 0 ? idle : 10.0;
    m_remoteServerUrl = s.string(key(K::remoteServerUrl)).value_or(QString());
    m_notificationsEnabled = boolDefaultingToTrue(s, K::notificationsEnabled);
    m_compositorBindingNoticeShown = s.boolean(key(K::compositorBindingNoticeShown));
    // Absent or undecodable: the examples, and the stored bytes stay untouched until the next save.
    if (const auto bytes = s.data(key(K::textReplacementRules)))
        m_textReplacementRules = TextReplacementRule::decode(*bytes).value_or(TextReplacementRule::examples());
}

void SettingsModel::autoSelectModel()
{
    if (modelFile() || !m_downloadedModels)
        return;
    const QStringList models = m_downloadedModels();
    if (models.isEmpty())
        return;
    setModelPath(models.first());
    log::info(lcSettings, "Auto-selected first available model: %s", QFileInfo(models.first()).fileName());
}

template <typename T, typename Persist>
void SettingsModel::assign(T &field, const T &value, const char *k, Persist persist)
{
    field = value;
    emit changed(key(k));
    persist(key(k));
}

void SettingsModel::setHotkey(const HotkeyConfig &value)
{
    assign(m_hotkey, value, SettingsKey::hotkey, [this](const QString &) { saveHotkey(); });
}

void SettingsModel::saveHotkey()
{
    m_store.setData(key(SettingsKey::hotkey), m_hotkey.encode());
    log::info(lcSettings, "Hotkey saved: %s", m_hotkey.displayString());
}

void SettingsModel::setModelPath(const std::optional<QString> &value)
{
    assign(m_modelPath, value, SettingsKey::modelPath, [this](const QString &k) {
        if (m_modelPath)
            m_store.setString(k, *m_modelPath);
        else
            m_store.remove(k);
    });
}

void SettingsModel::setOutputMode(OutputMode value)
{
    assign(m_outputMode, value, SettingsKey::outputMode, [this](const QString &k) { m_store.setString(k, rawValue(m_outputMode)); });
}

void SettingsModel::setLanguage(const QString &value)
{
    assign(m_language, value, SettingsKey::language, [this](const QString &k) { m_store.setString(k, m_language); });
}

void SettingsModel::setLaunchAtLogin(bool value)
{
    assign(m_launchAtLogin, value, SettingsKey::launchAtLogin, [this](const QString &k) { m_store.setBool(k, m_launchAtLogin); });
}

void SettingsModel::setNotificationsEnabled(bool value)
{
    assign(m_notificationsEnabled, value, SettingsKey::notificationsEnabled,
           [this](const QString &k) { m_store.setBool(k, m_notificationsEnabled); });
}

void SettingsModel::setCompositorBindingNoticeShown(bool value)
{
    assign(m_compositorBindingNoticeShown, value, SettingsKey::compositorBindingNoticeShown,
           [this](const QString &k) { m_store.setBool(k, m_compositorBindingNoticeShown); });
}

void SettingsModel::setMaxHistoryItems(qint64 value)
{
    assign(m_maxHistoryItems, value, SettingsKey::maxHistoryItems, [this](const QString &k) { m_store.setInteger(k, m_maxHistoryItems); });
}

void SettingsModel::setRecordingMode(RecordingMode value)
{
    assign(m_recordingMode, value, SettingsKey::recordingMode, [this](const QString &k) { m_store.setString(k, rawValue(m_recordingMode)); });
}

void SettingsModel::setSilenceDetectionEnabled(bool value)
{
    assign(m_silenceDetectionEnabled, value, SettingsKey::silenceDetectionEnabled,
           [this](const QString &k) { m_store.setBool(k, m_silenceDetectionEnabled); });
}

void SettingsModel::setSilenceThresholdDb(float value)
{
    assign(m_silenceThresholdDb, value, SettingsKey::silenceThresholdDb, [this](const QString &k) { m_store.setFloat(k, m_silenceThresholdDb); });
}

void SettingsModel::setSilenceDurationSeconds(double value)
{
    assign(m_silenceDurationSeconds, value, SettingsKey::silenceDurationSeconds,
           [this](const QString &k) { m_store.setDouble(k, m_silenceDurationSeconds); });
}

void SettingsModel::setLiveDictationEnabled(bool value)
{
    assign(m_liveDictationEnabled, value, SettingsKey::liveDictationEnabled, [this](const QString &k) { m_store.setBool(k, m_liveDictationEnabled); });
}

void SettingsModel::setLiveDictationMaxMinutes(qint64 value)
{
    assign(m_liveDictationMaxMinutes, value, SettingsKey::liveDictationMaxMinutes,
           [this](const QString &k) { m_store.setInteger(k, m_liveDictationMaxMinutes); });
}

void SettingsModel::setTranslateToEnglish(bool value)
{
    assign(m_translateToEnglish, value, SettingsKey::translateToEnglish, [this](const QString &k) { m_store.setBool(k, m_translateToEnglish); });
}

void SettingsModel::setTextReplacementRules(const QList<TextReplacementRule> &value)
{
    assign(m_textReplacementRules, value, SettingsKey::textReplacementRules, [this](const QString &) { saveTextReplacementRules(); });
}

void SettingsModel::saveTextReplacementRules()
{
    const auto bytes = TextReplacementRule::encode(m_textReplacementRules);
    if (!bytes)
        return;
    m_store.setData(key(SettingsKey::textReplacementRules), *bytes);
    log::debug(lcSettings, "Saved %ld text replacement rules", m_textReplacementRules.size());
}

void SettingsModel::setTextReplacementEnabled(bool value)
{
    assign(m_textReplacementEnabled, value, SettingsKey::textReplacementEnabled,
           [this](const QString &k) { m_store.setBool(k, m_textReplacementEnabled); });
}

void SettingsModel::setExperimentalFeaturesEnabled(bool value)
{
    assign(m_experimentalFeaturesEnabled, value, SettingsKey::experimentalFeaturesEnabled,
           [this](const QString &k) { m_store.setBool(k, m_experimentalFeaturesEnabled); });
}

void SettingsModel::setEngineTimeoutSeconds(double value)
{
    assign(m_engineTimeoutSeconds, value, SettingsKey::engineTimeoutSeconds,
           [this](const QString &k) { m_store.setDouble(k, m_engineTimeoutSeconds); });
}

void SettingsModel::setEngineTimeoutPerAudioSecond(double value)
{
    assign(m_engineTimeoutPerAudioSecond, value, SettingsKey::engineTimeoutPerAudioSecond,
           [this](const QString &k) { m_store.setDouble(k, m_engineTimeoutPerAudioSecond); });
}

void SettingsModel::setEngineMode(EngineMode value)
{
    assign(m_engineMode, value, SettingsKey::engineMode, [this](const QString &k) { m_store.setString(k, rawValue(m_engineMode)); });
}

void SettingsModel::setServerIdleMinutes(double value)
{
    assign(m_serverIdleMinutes, value, SettingsKey::serverIdleMinutes,
           [this](const QString &k) { m_store.setDouble(k, m_serverIdleMinutes); });
}

void SettingsModel::setRemoteServerUrl(const QString &value)
{
    assign(m_remoteServerUrl, value, SettingsKey::remoteServerUrl, [this](const QString &k) { m_store.setString(k, m_remoteServerUrl); });
}

void SettingsModel::setAudioInputDevice(const std::optional<QString> &value)
{
    assign(m_audioInputDevice, value, SettingsKey::audioInputDevice, [this](const QString &k) {
        if (m_audioInputDevice)
            m_store.setString(k, *m_audioInputDevice);
        else
            m_store.remove(k);
    });
}

void SettingsModel::selectModel(const QString &path)
{
    setModelPath(path);
    log::info(lcSettings, "Selected model: %s", QFileInfo(path).fileName());
}

std::optional<QString> SettingsModel::modelFile() const
{
    if (m_modelPath && QFileInfo::exists(*m_modelPath))
        return m_modelPath;
    return std::nullopt;
}

QString SettingsModel::modelDisplayName() const
{
    return m_modelPath ? Constants::modelDisplayName(*m_modelPath) : QStringLiteral("No model selected");
}

bool SettingsModel::isEnglishOnlyModel() const
{
    return m_modelPath && lowerFileName(*m_modelPath).contains(QStringLiteral(".en."));
}

bool SettingsModel::supportsTranslation() const
{
    return !m_modelPath || !lowerFileName(*m_modelPath).contains(QStringLiteral(".en."));
}

bool SettingsModel::shouldTranslate() const
{
    return m_experimentalFeaturesEnabled && m_translateToEnglish && supportsTranslation();
}

} // namespace parlix
