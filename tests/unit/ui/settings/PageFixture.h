#pragma once
// The objects a settings page works on, built over fakes: settings in memory, a shortcut backend
// in memory, a scripted microphone and a history file in a temporary directory.
#include "FakeAudioInput.h"
#include "FakeGlobalShortcutBackend.h"
#include "MemoryKeyValueStore.h"
#include "audio/AudioRecorder.h"
#include "core/SettingsModel.h"
#include "history/HistoryStore.h"
#include "hotkey/HotkeyManager.h"
#include "ui/settings/SettingsPageServices.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace parlix::test {

class PageFixture : public ::testing::Test {
protected:
    PageFixture() { recorder.setTemporaryDirectory(dir.path()); }

    ui::SettingsPageServices services()
    {
        return {settings, hotkey, recorder, input, [this]() -> HistoryStore & { return history; }};
    }

    // A key as the window system delivers it to `target`, or to the open pop-up list.
    static void press(QWidget *target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString &text = {})
    {
        QWidget *receiver = QApplication::activePopupWidget() ? QApplication::activePopupWidget() : target;
        QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(receiver, &down);
        QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(receiver, &up);
    }

    QTemporaryDir dir;
    MemoryKeyValueStore store;
    SettingsModel settings{store};
    FakeGlobalShortcutBackend backend;
    HotkeyManager hotkey{settings, backend};
    FakeAudioInput input;
    AudioRecorder recorder{input, settings};
    HistoryStore history{settings, dir.filePath(QStringLiteral("history.json"))};
};

} // namespace parlix::test
