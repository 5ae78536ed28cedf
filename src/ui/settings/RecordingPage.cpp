#include "ui/settings/RecordingPage.h"

#include "audio/AudioRecorder.h"
#include "core/SettingsModel.h"
#include "ui/ExperimentalFeatureToggle.h"
#include "hotkey/HotkeyManager.h"
#include "ui/settings/AudioLevelMeter.h"
#include "ui/settings/CompositorBindingPanel.h"
#include "ui/settings/HotkeyRecorderButton.h"
#include "ui/settings/PageParts.h"
#include "ui/settings/Stepper.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace parlix::ui {

namespace {

// Silence duration: 0.5 to 30 s in steps of 0.5 (the slider counts half seconds).
constexpr double kDurationMin = 0.5;
constexpr double kDurationMax = 30.0;
constexpr double kDurationStep = 0.5;
// Sensitivity: -60 to -20 dB in steps of 5 (the slider counts steps of 5 dB).
constexpr double kThresholdMin = -60.0;
constexpr double kThresholdMax = -20.0;
constexpr double kThresholdStep = 5.0;

QLabel *valueLabel(int width, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    label->setForegroundRole(QPalette::PlaceholderText);
    label->setFixedWidth(width);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLabel *rowLabel(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

RecordingPage::RecordingPage(const SettingsPageServices &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
{
    QVBoxLayout *column = scrollingColumn(this);
    buildHotkeySection(addSection(column, tr("Hotkey")));

    QGroupBox *microphone = addSection(column, tr("Microphone"));
    m_microphone = new QComboBox(microphone);
    m_microphone->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_microphone->setMinimumContentsLength(20);
    auto *micRow = new QHBoxLayout;
    micRow->addWidget(rowLabel(tr("&Microphone:"), m_microphone, microphone));
    micRow->addWidget(m_microphone, 1);
    sectionColumn(microphone)->addLayout(micRow);
    connect(m_microphone, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < m_microphoneChoices.size())
            m_services.settings.setAudioInputDevice(m_microphoneChoices[index].deviceId);
    });
    m_devicePoll.setInterval(devicePollMs);
    connect(&m_devicePoll, &QTimer::timeout, this, &RecordingPage::refreshMicrophones);

    m_liveSection = addSection(column, tr("Live Dictation"));
    buildLiveSection(m_liveSection);
    buildSilenceSection(addSection(column, tr("Silence Detection")));
    column->addStretch();

    connect(&m_services.settings, &SettingsModel::changed, this, &RecordingPage::refresh);
    connect(&m_services.audioRecorder, &AudioRecorder::currentAudioLevelChanged, m_meter, &AudioLevelMeter::setLevel);
    m_meter->setLevel(m_services.audioRecorder.currentAudioLevel());
    refresh(QString());
}

RecordingPage::~RecordingPage()
{
    // The meter outlives this part of the page: QWidget's destructor hides it later, and its
    // signal must not reach a page that is already gone.
    disconnect(m_meter, nullptr, this, nullptr);
    if (m_previewing)
        m_services.audioRecorder.stopAudioPreview();
}

void RecordingPage::buildHotkeySection(QGroupBox *section)
{
    QVBoxLayout *layout = sectionColumn(section);
    m_recorderRow = new QWidget(section);
    m_hotkeyRecorder = new HotkeyRecorderButton(m_services.settings, m_services.hotkey, m_recorderRow);
    auto *row = new QHBoxLayout(m_recorderRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(rowLabel(tr("Global &Hotkey:"), m_hotkeyRecorder, m_recorderRow));
    row->addStretch();
    row->addWidget(m_hotkeyRecorder);
    layout->addWidget(m_recorderRow);

    m_desktopTriggerRow = new QWidget(section);
    auto *triggerColumn = new QVBoxLayout(m_desktopTriggerRow);
    triggerColumn->setContentsMargins(0, 0, 0, 0);
    auto *triggerRow = new QHBoxLayout;
    m_desktopTrigger = new QLabel(m_desktopTriggerRow);
    m_desktopTrigger->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_desktopTrigger->setAccessibleName(tr("Global hotkey set by the desktop"));
    triggerRow->addWidget(rowLabel(tr("Global hotkey:"), m_desktopTrigger, m_desktopTriggerRow));
    triggerRow->addStretch();
    triggerRow->addWidget(m_desktopTrigger);
    triggerColumn->addLayout(triggerRow);
    triggerColumn->addWidget(caption(tr("The desktop decides the key. Change it in the desktop's keyboard shortcut "
                                        "settings, where Parlix lists its dictation shortcut."),
                                     m_desktopTriggerRow));
    layout->addWidget(m_desktopTriggerRow);

    m_binding = new CompositorBindingPanel(m_services.copyToClipboard, section);
    layout->addWidget(m_binding);

    m_hotkeyMessage = caption(QString(), section);
    m_hotkeyMessage->setAccessibleName(tr("Hotkey status"));
    m_hotkeyMessage->hide();
    layout->addWidget(m_hotkeyMessage);
    connect(m_hotkeyRecorder, &HotkeyRecorderButton::message, this, [this](const QString &text, bool isError) {
        m_hotkeyMessage->setText(text);
        m_hotkeyMessage->setStyleSheet(isError ? QStringLiteral("QLabel { color: rgb(215, 0, 21); }") : QString());
        m_hotkeyMessage->setVisible(!text.isEmpty());
    });

    layout->addWidget(new QLabel(tr("Recording Mode:"), section));
    m_toggleMode = new QRadioButton(label(RecordingMode::toggle), section);
    m_pushToTalk = new QRadioButton(label(RecordingMode::pushToTalk), section);
    m_modes = new QButtonGroup(this);
    m_modes->addButton(m_toggleMode, int(RecordingMode::toggle));
    m_modes->addButton(m_pushToTalk, int(RecordingMode::pushToTalk));
    layout->addWidget(m_toggleMode);
    layout->addWidget(m_pushToTalk);
    connect(m_modes, &QButtonGroup::idClicked, this,
            [this](int id) { m_services.settings.setRecordingMode(RecordingMode(id)); });
    connect(&m_services.hotkey, &HotkeyManager::registrationChanged, this, &RecordingPage::refreshHotkey);
}

void RecordingPage::refreshHotkey()
{
    const HotkeyManager &hotkey = m_services.hotkey;
    const bool bindInCompositor = hotkey.isBoundByCompositor();
    const bool desktopDecides = !hotkey.canChooseKey() && !bindInCompositor;
    m_recorderRow->setVisible(!bindInCompositor && !desktopDecides);
    m_desktopTriggerRow->setVisible(desktopDecides);
    m_binding->setVisible(bindInCompositor);
    if (desktopDecides) {
        m_desktopTrigger->setText(hotkey.isRegistered() ? hotkey.trigger()
                                                        : hotkey.isPending() ? tr("Waiting for the desktop…")
                                                                             : tr("Not bound"));
        // The recorder's own messages do not apply; the desktop's refusal does.
        m_hotkeyMessage->setText(hotkey.failure());
        m_hotkeyMessage->setStyleSheet(QStringLiteral("QLabel { color: rgb(215, 0, 21); }"));
        m_hotkeyMessage->setVisible(!hotkey.failure().isEmpty());
    }
    if (bindInCompositor) {
        m_hotkeyMessage->hide();
        m_binding->setBinding(ui::compositorBinding(compositorFrom(qEnvironmentVariable("XDG_CURRENT_DESKTOP")),
                                                m_services.settings.recordingMode(), m_services.settings.hotkey(),
                                                parlixctlCommand()));
    }
}

void RecordingPage::buildLiveSection(QGroupBox *section)
{
    QVBoxLayout *layout = sectionColumn(section);
    SettingsModel &settings = m_services.settings;
    m_liveToggle = new ExperimentalFeatureToggle(
        settings, tr("Enable live dictation"), [&settings] { return settings.liveDictationEnabled(); },
        [&settings](bool on) { settings.setLiveDictationEnabled(on); }, section);
    layout->addWidget(m_liveToggle);

    m_liveDetails = new QWidget(section);
    auto *details = new QVBoxLayout(m_liveDetails);
    details->setContentsMargins(0, 0, 0, 0);
    m_maxDuration = new QComboBox(m_liveDetails);
    m_maxDuration->setFixedWidth(100);
    m_maxDuration->addItem(tr("15 min"), 15);
    m_maxDuration->addItem(tr("30 min"), 30);
    m_maxDuration->addItem(tr("1 hour"), 60);
    auto *row = new QHBoxLayout;
    row->addWidget(rowLabel(tr("Max &duration:"), m_maxDuration, m_liveDetails));
    row->addWidget(m_maxDuration);
    row->addStretch();
    details->addLayout(row);
    details->addWidget(caption(tr("Transcribes and types text in real-time as you speak. Auto-stops after "
                                              "the selected duration to prevent excessive resource usage."),
                               m_liveDetails));
    layout->addWidget(m_liveDetails);
    connect(m_maxDuration, &QComboBox::activated, this, [this](int index) {
        m_services.settings.setLiveDictationMaxMinutes(m_maxDuration->itemData(index).toInt());
    });
}

void RecordingPage::buildSilenceSection(QGroupBox *section)
{
    QVBoxLayout *layout = sectionColumn(section);
    m_silenceToggle = new QCheckBox(tr("Auto-stop on &silence"), section);
    layout->addWidget(m_silenceToggle);
    connect(m_silenceToggle, &QCheckBox::toggled, this,
            [this](bool on) { m_services.settings.setSilenceDetectionEnabled(on); });

    m_silenceDetails = new QWidget(section);
    auto *details = new QVBoxLayout(m_silenceDetails);
    details->setContentsMargins(0, 0, 0, 0);

    m_durationSlider = new QSlider(Qt::Horizontal, m_silenceDetails);
    m_durationSlider->setRange(int(kDurationMin / kDurationStep), int(kDurationMax / kDurationStep));
    m_durationValue = valueLabel(48, m_silenceDetails);
    m_durationStepper = new Stepper(tr("silence duration"), m_silenceDetails);
    auto *durationRow = new QHBoxLayout;
    durationRow->addWidget(rowLabel(tr("Silence d&uration:"), m_durationSlider, m_silenceDetails));
    durationRow->addWidget(m_durationSlider, 1);
    durationRow->addWidget(m_durationValue);
    durationRow->addWidget(m_durationStepper);
    details->addLayout(durationRow);
    connect(m_durationSlider, &QSlider::valueChanged, this, [this](int steps) { setSilenceDuration(steps * kDurationStep); });
    connect(m_durationStepper, &Stepper::incremented, this,
            [this] { setSilenceDuration(m_services.settings.silenceDurationSeconds() + kDurationStep); });
    connect(m_durationStepper, &Stepper::decremented, this,
            [this] { setSilenceDuration(m_services.settings.silenceDurationSeconds() - kDurationStep); });

    m_thresholdSlider = new QSlider(Qt::Horizontal, m_silenceDetails);
    m_thresholdSlider->setRange(int(kThresholdMin / kThresholdStep), int(kThresholdMax / kThresholdStep));
    m_thresholdValue = valueLabel(58, m_silenceDetails);
    m_thresholdStepper = new Stepper(tr("sensitivity"), m_silenceDetails);
    auto *thresholdRow = new QHBoxLayout;
    thresholdRow->addWidget(rowLabel(tr("Sensi&tivity:"), m_thresholdSlider, m_silenceDetails));
    thresholdRow->addWidget(m_thresholdSlider, 1);
    thresholdRow->addWidget(m_thresholdValue);
    thresholdRow->addWidget(m_thresholdStepper);
    details->addLayout(thresholdRow);
    connect(m_thresholdSlider, &QSlider::valueChanged, this, [this](int steps) { setThreshold(steps * kThresholdStep); });
    connect(m_thresholdStepper, &Stepper::incremented, this,
            [this] { setThreshold(double(m_services.settings.silenceThresholdDb()) + kThresholdStep); });
    connect(m_thresholdStepper, &Stepper::decremented, this,
            [this] { setThreshold(double(m_services.settings.silenceThresholdDb()) - kThresholdStep); });

    m_meter = new AudioLevelMeter(m_silenceDetails);
    details->addWidget(m_meter);
    details->addWidget(caption(tr("Lower dB = more sensitive (detects quieter sounds as speech)"), m_silenceDetails));
    layout->addWidget(m_silenceDetails);

    // The microphone is open for the preview exactly while the meter is on screen.
    connect(m_meter, &AudioLevelMeter::shown, this, [this] {
        m_previewing = true;
        m_services.audioRecorder.startAudioPreview();
    });
    connect(m_meter, &AudioLevelMeter::hidden, this, [this] {
        if (!m_previewing)
            return;
        m_previewing = false;
        m_services.audioRecorder.stopAudioPreview();
    });
}

void RecordingPage::setSilenceDuration(double seconds)
{
    m_services.settings.setSilenceDurationSeconds(std::clamp(seconds, kDurationMin, kDurationMax));
}

void RecordingPage::setThreshold(double db)
{
    m_services.settings.setSilenceThresholdDb(float(std::clamp(db, kThresholdMin, kThresholdMax)));
}

void RecordingPage::restartPreviewIfRunning()
{
    if (!m_previewing)
        return;
    m_services.audioRecorder.stopAudioPreview();
    m_services.audioRecorder.startAudioPreview();
}

void RecordingPage::refresh(const QString &key)
{
    const SettingsModel &s = m_services.settings;
    const bool all = key.isEmpty();
    const auto is = [&key, all](const char *name) { return all || key == QLatin1String(name); };

    if (is(SettingsKey::recordingMode)) {
        const QSignalBlocker quiet(m_modes);
        m_modes->button(int(s.recordingMode()))->setChecked(true);
    }
    // The compositor binding follows the hotkey and the mode.
    if (is(SettingsKey::recordingMode) || is(SettingsKey::hotkey))
        refreshHotkey();
    if (is(SettingsKey::audioInputDevice)) {
        refreshMicrophones();
        if (!all)
            restartPreviewIfRunning();
    }
    if (is(SettingsKey::experimentalFeaturesEnabled) || is(SettingsKey::liveDictationEnabled)
        || is(SettingsKey::liveDictationMaxMinutes)) {
        m_liveSection->setVisible(s.experimentalFeaturesEnabled());
        m_liveDetails->setVisible(s.liveDictationEnabled());
        const QSignalBlocker quiet(m_maxDuration);
        const int index = m_maxDuration->findData(int(s.liveDictationMaxMinutes()));
        m_maxDuration->setCurrentIndex(index);
    }
    if (is(SettingsKey::silenceDetectionEnabled)) {
        const QSignalBlocker quiet(m_silenceToggle);
        m_silenceToggle->setChecked(s.silenceDetectionEnabled());
        m_silenceDetails->setVisible(s.silenceDetectionEnabled());
    }
    if (is(SettingsKey::silenceDurationSeconds)) {
        const double seconds = s.silenceDurationSeconds();
        const QSignalBlocker quiet(m_durationSlider);
        m_durationSlider->setValue(int(std::lround(seconds / kDurationStep)));
        m_durationValue->setText(QString::asprintf("%.1fs", seconds));
        m_durationSlider->setAccessibleDescription(m_durationValue->text());
    }
    if (is(SettingsKey::silenceThresholdDb)) {
        const double db = s.silenceThresholdDb();
        const QSignalBlocker quiet(m_thresholdSlider);
        m_thresholdSlider->setValue(int(std::lround(db / kThresholdStep)));
        m_thresholdValue->setText(tr("%1 dB").arg(int(std::trunc(db))));
        m_thresholdSlider->setAccessibleDescription(m_thresholdValue->text());
        m_meter->setThreshold(float(db));
    }
}

void RecordingPage::refreshMicrophones()
{
    const QList<AudioDevice> devices = m_services.audioInput.devices();
    for (const AudioDevice &device : devices)
        m_knownMicrophones.insert(QString::fromUtf8(device.id), device.description);
    const std::optional<QString> stored = m_services.settings.audioInputDevice();
    const QList<MicrophoneChoice> choices = microphoneChoices(devices, stored, m_knownMicrophones);
    const QSignalBlocker quiet(m_microphone);
    if (choices != m_microphoneChoices) {
        m_microphoneChoices = choices;
        m_microphone->clear();
        for (const MicrophoneChoice &choice : choices)
            m_microphone->addItem(choice.label);
    }
    const auto current = std::find_if(choices.begin(), choices.end(), [&stored](const MicrophoneChoice &c) {
        return c.deviceId.value_or(QString()) == stored.value_or(QString());
    });
    m_microphone->setCurrentIndex(current == choices.end() ? 0 : int(current - choices.begin()));
}

void RecordingPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refreshMicrophones();
    m_devicePoll.start();
}

void RecordingPage::hideEvent(QHideEvent *event)
{
    m_devicePoll.stop();
    QWidget::hideEvent(event);
}

} // namespace parlix::ui
