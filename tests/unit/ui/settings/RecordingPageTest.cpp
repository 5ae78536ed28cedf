// The Recording tab over fakes: each control writes its setting and follows it, sections appear
// with the settings they depend on, the level meter's geometry and colours, the microphone list
// as devices come and go, and the hotkey recorder's handling of what is typed.
#include "PageFixture.h"
#include "Printers.h"
#include "ui/ExperimentalFeatureToggle.h"
#include "ui/settings/AudioLevelMeter.h"
#include "ui/settings/CompositorBinding.h"
#include "ui/settings/HotkeyRecorderButton.h"
#include "ui/settings/RecordingPage.h"
#include "ui/settings/Stepper.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>

#include <functional>

using namespace parlix;
using namespace parlix::test;
using namespace parlix::ui;

namespace {

class RecordingPageTest : public PageFixture {
protected:
    void SetUp() override
    {
        input.deviceList = {{"usb-mic", QStringLiteral("USB Microphone"), false},
                            {"builtin", QStringLiteral("Built-in Audio"), true}};
        settings.setSilenceDetectionEnabled(true);
        settings.setLiveDictationEnabled(true);
        page = std::make_unique<RecordingPage>(services());
        page->resize(520, 700);
        page->show();
    }

    std::unique_ptr<RecordingPage> page;
};

void choose(QComboBox *box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// Every setting the tab edits, as text.
QString stored(const SettingsModel &s)
{
    return QStringLiteral("%1 live=%2/%3 silence=%4/%5s/%6dB mic=%7")
        .arg(rawValue(s.recordingMode()))
        .arg(s.liveDictationEnabled())
        .arg(s.liveDictationMaxMinutes())
        .arg(s.silenceDetectionEnabled())
        .arg(s.silenceDurationSeconds())
        .arg(s.silenceThresholdDb())
        .arg(s.audioInputDevice().value_or(QStringLiteral("default")));
}

struct BindingCase {
    const char *name;
    std::function<void(SettingsModel &)> before;
    std::function<void(RecordingPage &)> act;
    const char *expected;
};

TEST_F(RecordingPageTest, EachControlStoresItsSetting)
{
    const auto none = [](SettingsModel &) {};
    const QList<BindingCase> cases{
        {"push to talk", none, [](RecordingPage &p) { p.pushToTalkButton()->click(); },
         "push_to_talk live=1/60 silence=1/2s/-40dB mic=default"},
        {"live off", none, [](RecordingPage &p) { p.liveDictationToggle()->toggle()->click(); },
         "toggle live=0/60 silence=1/2s/-40dB mic=default"},
        {"15 minutes", none, [](RecordingPage &p) { choose(p.maxDurationPicker(), 0); },
         "toggle live=1/15 silence=1/2s/-40dB mic=default"},
        {"silence off", none, [](RecordingPage &p) { p.silenceToggle()->click(); },
         "toggle live=1/60 silence=0/2s/-40dB mic=default"},
        {"duration slider", none, [](RecordingPage &p) { p.silenceDurationSlider()->setValue(7); },
         "toggle live=1/60 silence=1/3.5s/-40dB mic=default"},
        {"duration stays at most 30", [](SettingsModel &s) { s.setSilenceDurationSeconds(30); },
         [](RecordingPage &p) { p.silenceDurationStepper()->upButton()->click(); },
         "toggle live=1/60 silence=1/30s/-40dB mic=default"},
        {"sensitivity stays at least -60", [](SettingsModel &s) { s.setSilenceThresholdDb(-60); },
         [](RecordingPage &p) { p.sensitivityStepper()->downButton()->click(); },
         "toggle live=1/60 silence=1/2s/-60dB mic=default"},
        {"microphone", none, [](RecordingPage &p) { choose(p.microphonePicker(), 1); },
         "toggle live=1/60 silence=1/2s/-40dB mic=usb-mic"},
    };
    for (const BindingCase &c : cases) {
        SCOPED_TRACE(c.name);
        // Each case starts from the defaults set up above.
        settings.setRecordingMode(RecordingMode::toggle);
        settings.setLiveDictationEnabled(true);
        settings.setLiveDictationMaxMinutes(60);
        settings.setSilenceDetectionEnabled(true);
        settings.setSilenceDurationSeconds(2.0);
        settings.setSilenceThresholdDb(-40.0f);
        settings.setAudioInputDevice(std::nullopt);
        c.before(settings);
        c.act(*page);
        EXPECT_EQ(stored(settings), QString::fromLatin1(c.expected));
    }
}

TEST_F(RecordingPageTest, ControlsFollowChangesMadeElsewhere)
{
    settings.setRecordingMode(RecordingMode::pushToTalk);
    settings.setLiveDictationMaxMinutes(30);
    settings.setSilenceDurationSeconds(4.5);
    settings.setSilenceThresholdDb(-45.0f);
    settings.setAudioInputDevice(QStringLiteral("builtin"));

    EXPECT_TRUE(page->pushToTalkButton()->isChecked());
    EXPECT_EQ(page->maxDurationPicker()->currentText(), QStringLiteral("30 min"));
    EXPECT_EQ(page->silenceDurationSlider()->value(), 9);
    EXPECT_EQ(page->silenceDurationValue()->text(), QStringLiteral("4.5s"));
    EXPECT_EQ(page->sensitivitySlider()->value(), -9);
    EXPECT_EQ(page->sensitivityValue()->text(), QStringLiteral("-45 dB"));
    EXPECT_EQ(page->levelMeter()->threshold(), -45.0f);
    EXPECT_EQ(page->microphonePicker()->currentText(), QStringLiteral("Built-in Audio"));
}

struct VisibilityCase {
    const char *name;
    bool experimental;
    bool live;
    bool silence;
    bool liveSection;
    bool maxDuration;
    bool silenceControls;
};

TEST_F(RecordingPageTest, SectionsFollowTheSettingsTheyDependOn)
{
    const QList<VisibilityCase> cases{
        {"all on", true, true, true, true, true, true},
        {"experimental off hides live dictation even when it is stored on", false, true, true, false, false, true},
        {"live off hides its limit", true, false, true, true, false, true},
        {"silence off hides its controls", true, true, false, true, true, false},
    };
    for (const VisibilityCase &c : cases) {
        SCOPED_TRACE(c.name);
        settings.setExperimentalFeaturesEnabled(c.experimental);
        settings.setLiveDictationEnabled(c.live);
        settings.setSilenceDetectionEnabled(c.silence);
        EXPECT_EQ(page->liveDictationSection()->isVisible(), c.liveSection);
        EXPECT_EQ(page->maxDurationRow()->isVisible(), c.maxDuration);
        EXPECT_EQ(page->silenceControls()->isVisible(), c.silenceControls);
    }
}

TEST_F(RecordingPageTest, TheMicrophoneIsOpenForThePreviewOnlyWhileTheMeterIsShown)
{
    QCoreApplication::processEvents();
    EXPECT_TRUE(input.isRunning());
    settings.setSilenceDetectionEnabled(false);
    EXPECT_FALSE(input.isRunning());
    settings.setSilenceDetectionEnabled(true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(input.isRunning());
    page->hide();
    EXPECT_FALSE(input.isRunning());
}

TEST_F(RecordingPageTest, TheMicrophoneListFollowsDevicesComingAndGoing)
{
    settings.setAudioInputDevice(QStringLiteral("usb-mic"));
    input.deviceList.removeFirst();
    page->refreshMicrophones();
    QStringList shown;
    for (int i = 0; i < page->microphonePicker()->count(); ++i)
        shown << page->microphonePicker()->itemText(i);
    EXPECT_EQ(shown, (QStringList{"System default", "Built-in Audio", "USB Microphone (not connected)"}));
    EXPECT_EQ(page->microphonePicker()->currentIndex(), 2);
}

struct MeterCase {
    float level;
    float threshold;
    double levelPosition;
    QColor colour;
    const char *text;
};

TEST(AudioLevelMeterTest, BarPositionsColoursAndText)
{
    const QColor gray(142, 142, 147), green(52, 199, 89), yellow(255, 204, 0), red(255, 59, 48);
    const QList<MeterCase> cases{
        {-45, -40, 0.25, gray, "-45 dB"}, {-30, -40, 0.5, green, "-30 dB"}, {-15, -40, 0.75, yellow, "-15 dB"},
        {3, -40, 1.0, red, "3 dB"},       {-160, -40, 0.0, gray, "-160 dB"},
    };
    AudioLevelMeter meter;
    for (const MeterCase &c : cases) {
        SCOPED_TRACE(c.text);
        meter.setLevel(c.level);
        EXPECT_DOUBLE_EQ(AudioLevelMeter::position(c.level), c.levelPosition);
        EXPECT_EQ(AudioLevelMeter::fillColor(c.level, c.threshold), c.colour);
        EXPECT_EQ(meter.levelText(), QString::fromLatin1(c.text));
    }
    EXPECT_DOUBLE_EQ(AudioLevelMeter::position(-40), 1.0 / 3);
}

struct KeyPress {
    int key;
    Qt::KeyboardModifiers modifiers;
};

struct RecorderCase {
    const char *name;
    QList<KeyPress> keys;
    bool stillCapturing;
    const char *hotkey;
    const char *message;
};

TEST_F(RecordingPageTest, TheHotkeyRecorderTakesACombinationWithAModifier)
{
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const QList<RecorderCase> cases{
        {"a letter alone is swallowed and the capture goes on", {{Qt::Key_D, none}}, true, "Ctrl+Alt+Space",
         "Hold Ctrl, Alt, Shift or Super together with the key"},
        {"modifiers alone are no hotkey", {{Qt::Key_Control, Qt::ControlModifier}, {Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier}},
         true, "Ctrl+Alt+Space", "Ctrl+Shift alone is not a hotkey: press a key while holding it"},
        {"a key outside the table", {{Qt::Key_Left, Qt::ControlModifier}}, true, "Ctrl+Alt+Space",
         "This key cannot be part of a hotkey; use a letter, a digit, F1–F12, Space, Return, Tab, Backspace or Escape"},
        {"Escape cancels", {{Qt::Key_Escape, none}}, false, "Ctrl+Alt+Space", ""},
        {"the current combination itself", {{Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier}}, false, "Ctrl+Alt+Space", ""},
        {"Ctrl+Shift+D", {{Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier}}, false, "Ctrl+Shift+D", ""},
        {"Ctrl+Tab is captured, not a focus change", {{Qt::Key_Tab, Qt::ControlModifier}}, false, "Ctrl+Tab", ""},
        {"a combination another application holds keeps the previous one",
         {{Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier}}, false, "Ctrl+Alt+Space",
         "Ctrl+Shift+Z is already used by another application"},
    };
    backend.taken = GlobalShortcut{'z', ShortcutModifier::control | ShortcutModifier::shift};
    HotkeyRecorderButton *recorderButton = page->hotkeyRecorder();
    for (const RecorderCase &c : cases) {
        SCOPED_TRACE(c.name);
        settings.setHotkey(HotkeyConfig::defaultConfig());
        hotkey.registerHotkey();
        recorderButton->click();
        ASSERT_TRUE(recorderButton->isCapturing());
        for (const KeyPress &k : c.keys)
            press(page->microphonePicker(), k.key, k.modifiers);
        EXPECT_EQ(recorderButton->isCapturing(), c.stillCapturing);
        EXPECT_EQ(settings.hotkey().displayString(), QString::fromUtf8(c.hotkey));
        EXPECT_EQ(page->hotkeyMessage()->text(), QString::fromUtf8(c.message));
        // Let go while capturing, so its own keys reach the window; held again afterwards.
        EXPECT_EQ(hotkey.isRegistered(), !c.stillCapturing);
        if (!c.stillCapturing)
            EXPECT_EQ(recorderButton->text(), QString::fromUtf8(c.hotkey));
        recorderButton->setCapturing(false);
        EXPECT_TRUE(hotkey.isRegistered());
    }
}

TEST(CompositorBinding, TheLinesForEachCompositorAndMode)
{
    const HotkeyConfig superShiftD{2, HotkeyConfig::command | HotkeyConfig::shift};
    const QString ctl = QStringLiteral("/opt/parlix/bin/parlixctl");
    const struct {
        const char *desktop;
        RecordingMode mode;
        HotkeyConfig hotkey;
        const char *lines;
        bool note;
    } cases[] = {
        {"sway", RecordingMode::toggle, HotkeyConfig::defaultConfig(),
         "bindsym Ctrl+Mod1+space exec /opt/parlix/bin/parlixctl toggle", false},
        {"sway", RecordingMode::pushToTalk, superShiftD,
         "bindsym Mod4+Shift+d exec /opt/parlix/bin/parlixctl start\n"
         "bindsym --release Mod4+Shift+d exec /opt/parlix/bin/parlixctl stop",
         false},
        {"Hyprland", RecordingMode::pushToTalk, HotkeyConfig::defaultConfig(),
         "bind = CTRL ALT, space, exec, /opt/parlix/bin/parlixctl start\n"
         "bindr = CTRL ALT, space, exec, /opt/parlix/bin/parlixctl stop",
         false},
        {"KDE", RecordingMode::pushToTalk, HotkeyConfig::defaultConfig(), "/opt/parlix/bin/parlixctl toggle", true},
        {"river", RecordingMode::toggle, HotkeyConfig::defaultConfig(),
         "/opt/parlix/bin/parlixctl toggle\n/opt/parlix/bin/parlixctl start\n/opt/parlix/bin/parlixctl stop", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.desktop);
        const CompositorBinding binding = compositorBinding(compositorFrom(c.desktop), c.mode, c.hotkey, ctl);
        EXPECT_EQ(binding.lines, QString::fromLatin1(c.lines));
        EXPECT_EQ(binding.note.isEmpty(), !c.note);
        EXPECT_FALSE(binding.where.isEmpty());
    }
    EXPECT_EQ(compositorFrom("ubuntu:GNOME"), Compositor::gnome);
    const QString gnome = compositorBinding(Compositor::gnome, RecordingMode::toggle, superShiftD, ctl).lines;
    EXPECT_TRUE(gnome.contains("command '/opt/parlix/bin/parlixctl toggle'")) << gnome.toStdString();
    EXPECT_TRUE(gnome.contains("binding '<Super><Shift>d'")) << gnome.toStdString();
}

} // namespace
