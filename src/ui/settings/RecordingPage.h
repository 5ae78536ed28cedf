#pragma once
// The Recording tab: the hotkey and recording mode, the microphone, live dictation (experimental)
// and its limit, and stopping on silence with the live level meter. Every control writes its
// setting at once and follows it when it changes elsewhere.
#include "ui/settings/MicrophoneChoices.h"
#include "ui/settings/SettingsPageServices.h"

#include <QHash>
#include <QTimer>
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QSlider;

namespace parlix::ui {

class AudioLevelMeter;
class CompositorBindingPanel;
class ExperimentalFeatureToggle;
class HotkeyRecorderButton;
class Stepper;

class RecordingPage : public QWidget {
    Q_OBJECT
public:
    explicit RecordingPage(const SettingsPageServices &services, QWidget *parent = nullptr);
    ~RecordingPage() override;

    // How often the microphone list is read again while the page is shown.
    static constexpr int devicePollMs = 1500;
    // The choices of the live dictation limit, in minutes.
    static constexpr int maxMinutesChoices[] = {15, 30, 60};

    HotkeyRecorderButton *hotkeyRecorder() const { return m_hotkeyRecorder; }
    QLabel *hotkeyMessage() const { return m_hotkeyMessage; }
    // Where the desktop decides the trigger: the trigger it bound, and how to change it.
    QWidget *desktopTriggerRow() const { return m_desktopTriggerRow; }
    QLabel *desktopTrigger() const { return m_desktopTrigger; }
    // Where nothing lets us register a shortcut: the compositor configuration to add.
    CompositorBindingPanel *compositorBinding() const { return m_binding; }
    QRadioButton *toggleModeButton() const { return m_toggleMode; }
    QRadioButton *pushToTalkButton() const { return m_pushToTalk; }
    QComboBox *microphonePicker() const { return m_microphone; }
    QGroupBox *liveDictationSection() const { return m_liveSection; }
    ExperimentalFeatureToggle *liveDictationToggle() const { return m_liveToggle; }
    QComboBox *maxDurationPicker() const { return m_maxDuration; }
    QWidget *maxDurationRow() const { return m_liveDetails; }
    QCheckBox *silenceToggle() const { return m_silenceToggle; }
    QWidget *silenceControls() const { return m_silenceDetails; }
    QSlider *silenceDurationSlider() const { return m_durationSlider; }
    QLabel *silenceDurationValue() const { return m_durationValue; }
    Stepper *silenceDurationStepper() const { return m_durationStepper; }
    QSlider *sensitivitySlider() const { return m_thresholdSlider; }
    QLabel *sensitivityValue() const { return m_thresholdValue; }
    Stepper *sensitivityStepper() const { return m_thresholdStepper; }
    AudioLevelMeter *levelMeter() const { return m_meter; }

    // Reads the microphone list again (also done on a timer while the page is shown).
    void refreshMicrophones();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void buildHotkeySection(QGroupBox *section);
    // Shows the recorder, the desktop's trigger or the compositor binding, as the hotkey
    // backend allows.
    void refreshHotkey();
    void buildLiveSection(QGroupBox *section);
    void buildSilenceSection(QGroupBox *section);
    void refresh(const QString &key);
    void setSilenceDuration(double seconds);
    void setThreshold(double db);
    void restartPreviewIfRunning();

    SettingsPageServices m_services;
    HotkeyRecorderButton *m_hotkeyRecorder = nullptr;
    QLabel *m_hotkeyMessage = nullptr;
    QWidget *m_recorderRow = nullptr;
    QWidget *m_desktopTriggerRow = nullptr;
    QLabel *m_desktopTrigger = nullptr;
    CompositorBindingPanel *m_binding = nullptr;
    QButtonGroup *m_modes = nullptr;
    QRadioButton *m_toggleMode = nullptr;
    QRadioButton *m_pushToTalk = nullptr;
    QComboBox *m_microphone = nullptr;
    QList<MicrophoneChoice> m_microphoneChoices;
    QHash<QString, QString> m_knownMicrophones;
    QTimer m_devicePoll;
    QGroupBox *m_liveSection = nullptr;
    ExperimentalFeatureToggle *m_liveToggle = nullptr;
    QWidget *m_liveDetails = nullptr;
    QComboBox *m_maxDuration = nullptr;
    QCheckBox *m_silenceToggle = nullptr;
    QWidget *m_silenceDetails = nullptr;
    QSlider *m_durationSlider = nullptr;
    QLabel *m_durationValue = nullptr;
    Stepper *m_durationStepper = nullptr;
    QSlider *m_thresholdSlider = nullptr;
    QLabel *m_thresholdValue = nullptr;
    Stepper *m_thresholdStepper = nullptr;
    AudioLevelMeter *m_meter = nullptr;
    bool m_previewing = false;
};

} // namespace parlix::ui
