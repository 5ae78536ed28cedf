// AppState: the start guard (canRecord, modelMissing), one activity at a time, and the last
// transcript.
#include "Files.h"
#include "MemoryKeyValueStore.h"
#include "core/AppState.h"
#include "core/SettingsModel.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace parlix;

namespace {

class AppStateTest : public ::testing::Test {
protected:
    void SetUp() override { test::writeFile(m_dir.filePath(QStringLiteral("ggml-base.bin")), {}); }

    QTemporaryDir m_dir;
    test::MemoryKeyValueStore m_store;
    SettingsModel m_settings{m_store};
    QDateTime m_now = QDateTime::fromString(QStringLiteral("2025-03-05T18:00:00Z"), Qt::ISODate);
    AppState m_state{m_settings, [this] { return m_now; }};
};

using Setter = bool (AppState::*)(bool);

TEST_F(AppStateTest, CanRecordOnlyWithEngineModelAndNothingRunning)
{
    const struct {
        const char *model; // a file name in the directory; none: no model selected
        bool engineMissing;
        Setter running;    // an activity under way
        bool modelMissing;
        bool canRecord;
        EngineMode engine = EngineMode::perClip;
    } cases[] = {
        {"ggml-base.bin", false, nullptr, false, true},
        {"ggml-base.bin", true, nullptr, false, false},
        {"ggml-base.bin", false, &AppState::setRecording, false, false},
        {"ggml-base.bin", false, &AppState::setLiveTranscribing, false, false},
        {nullptr, false, nullptr, true, false},
        {"gone.bin", false, nullptr, true, false},
        // A remote server brings its own model.
        {nullptr, false, nullptr, false, true, EngineMode::remote},
        {nullptr, false, nullptr, true, false, EngineMode::keepLoaded},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto &c = cases[i];
        AppState state(m_settings);
        m_settings.setModelPath(c.model ? std::optional(m_dir.filePath(QString::fromLatin1(c.model))) : std::nullopt);
        m_settings.setEngineMode(c.engine);
        state.setEngineMissing(c.engineMissing);
        if (c.running)
            (state.*c.running)(true);
        EXPECT_EQ(state.modelMissing(), c.modelMissing) << "case " << i;
        EXPECT_EQ(state.canRecord(), c.canRecord) << "case " << i;
    }
}

using Getter = bool (AppState::*)() const;
struct Activity {
    const char *name;
    Setter set;
    Getter get;
};
const Activity activities[] = {
    {"recording", &AppState::setRecording, &AppState::isRecording},
    {"transcribing", &AppState::setTranscribing, &AppState::isTranscribing},
    {"live transcribing", &AppState::setLiveTranscribing, &AppState::isLiveTranscribing},
};

TEST_F(AppStateTest, AtMostOneActivityAtATimeAndARefusalIsNotAnnounced)
{
    for (const Activity &running : activities) {
        for (const Activity &other : activities) {
            AppState state(m_settings);
            ASSERT_TRUE((state.*running.set)(true));
            const bool same = &running == &other;
            // Another activity is refused; the running one may be set again; turning off always works.
            EXPECT_EQ((state.*other.set)(true), same) << running.name << " then " << other.name;
            EXPECT_EQ((state.*other.get)(), same) << running.name << " then " << other.name;
            EXPECT_TRUE((state.*running.get)()) << running.name << " then " << other.name;
            EXPECT_TRUE((state.*other.set)(false));
            EXPECT_FALSE((state.*other.get)());
        }
    }
    // A refusal is not announced.
    ASSERT_TRUE(m_state.setRecording(true));
    QSignalSpy live(&m_state, &AppState::isLiveTranscribingChanged);
    EXPECT_FALSE(m_state.setLiveTranscribing(true));
    EXPECT_EQ(live.count(), 0);
}

TEST_F(AppStateTest, RecordTranscriptionStoresTextThenTime)
{
    QStringList order;
    QObject::connect(&m_state, &AppState::lastTranscriptChanged, [&](const QString &text) {
        order << QStringLiteral("text ") + text;
        EXPECT_FALSE(m_state.lastTranscriptTimestamp().has_value());
    });
    QObject::connect(&m_state, &AppState::lastTranscriptTimestampChanged,
                     [&](const QDateTime &time) { order << QStringLiteral("time ") + time.toString(Qt::ISODate); });
    EXPECT_EQ(m_state.lastTranscript(), std::nullopt);
    const QString sixty = QString(50, u'x') + QString(10, u'y');
    m_state.recordTranscription(sixty);
    EXPECT_EQ(order, (QStringList{QStringLiteral("text ") + sixty, QStringLiteral("time 2025-03-05T18:00:00Z")}));
    EXPECT_EQ(m_state.lastTranscript(), std::optional<QString>(sixty));
    EXPECT_EQ(m_state.lastTranscriptTimestamp(), std::optional<QDateTime>(m_now));
}

} // namespace
