// Which icon the tray shows for which flags and build, how far the arc has turned after a given
// time, and which icons follow the panel's colours. (What the drawings look like: the tray e2e
// test's screenshots.)
#include "ui/TrayIconArt.h"

#include <gtest/gtest.h>

using namespace parlix::ui;

namespace {

struct KindCase {
    const char *name;
    ActivityFlags flags;
    bool development;
    StatusIconKind expected;
};

TEST(StatusIconKindTest, FirstMatchingStateWins)
{
    const KindCase cases[] = {
        {"idle", {}, false, StatusIconKind::microphone},
        {"idleDevelopment", {}, true, StatusIconKind::developmentMicrophone},
        {"recording", {true, false, false}, false, StatusIconKind::recordingDot},
        {"transcribing", {false, true, false}, false, StatusIconKind::transcribingArc},
        {"live", {false, false, true}, false, StatusIconKind::liveDot},
        // Should two flags ever be on together, live beats recording beats transcribing.
        {"liveAndRecording", {true, false, true}, false, StatusIconKind::liveDot},
        {"recordingAndTranscribing", {true, true, false}, false, StatusIconKind::recordingDot},
    };
    for (const KindCase &param : cases) {
        SCOPED_TRACE(param.name);
        EXPECT_EQ(statusIconKind(param.flags, param.development), param.expected);
    }
}

TEST(StatusIconTest, ArcAngleTurnsHalfACirclePerSecond)
{
    const struct {
        qint64 elapsedMs;
        double angle;
    } cases[] = {
        {-40, 0.0}, {33, 5.94}, {1999, 359.82}, {2000, 0.0},
        // An hour and then some: whole turns drop out exactly.
        {3'600'000 + 250, 45.0},
    };
    for (const auto &c : cases) {
        const double angle = arcAngleAt(c.elapsedMs);
        EXPECT_NEAR(angle, c.angle, 1e-9) << c.elapsedMs << " ms";
        EXPECT_GE(angle, 0.0);
        EXPECT_LT(angle, 360.0);
    }
}

const QColor label(0x20, 0x40, 0x60);

// The plain microphone follows the panel's colours; coloured states keep theirs.
TEST(StatusIconTest, OnlyThePlainMicrophoneIsAMask)
{
    EXPECT_TRUE(statusIcon(StatusIconKind::microphone, 0, 1.0, label).isMask());
    EXPECT_FALSE(statusIcon(StatusIconKind::developmentMicrophone, 0, 1.0, label).isMask());
    EXPECT_FALSE(statusIcon(StatusIconKind::transcribingArc, 0, 1.0, label).isMask());
}

} // namespace
