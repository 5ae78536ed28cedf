// Which icon the tray shows for which flags and build, how far the arc has turned after a given
// time, and where the drawings put their colour.
#include "ui/TrayIconArt.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace parlix::ui;

namespace {

struct KindCase {
    const char *name;
    ActivityFlags flags;
    bool development;
    StatusIconKind expected;
};

class StatusIconKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(StatusIconKindTest, FirstMatchingStateWins)
{
    EXPECT_EQ(statusIconKind(GetParam().flags, GetParam().development), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, StatusIconKindTest,
    ::testing::Values(KindCase{"idle", {}, false, StatusIconKind::microphone},
                      KindCase{"idleDevelopment", {}, true, StatusIconKind::developmentMicrophone},
                      KindCase{"recording", {true, false, false}, false, StatusIconKind::recordingDot},
                      KindCase{"transcribing", {false, true, false}, false, StatusIconKind::transcribingArc},
                      KindCase{"live", {false, false, true}, false, StatusIconKind::liveDot},
                      // Should two flags ever be on together, live beats recording beats transcribing.
                      KindCase{"liveAndRecording", {true, false, true}, false, StatusIconKind::liveDot},
                      KindCase{"liveAndTranscribing", {false, true, true}, true, StatusIconKind::liveDot},
                      KindCase{"recordingAndTranscribing", {true, true, false}, false, StatusIconKind::recordingDot}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(StatusIconTest, ArcAngleTurnsHalfACirclePerSecond)
{
    const struct {
        qint64 elapsedMs;
        double angle;
    } cases[] = {
        {0, 0.0}, {-40, 0.0}, {33, 5.94}, {1500, 270.0}, {1999, 359.82}, {2000, 0.0}, {4250, 45.0},
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

// A point in the 22-unit grid, and what the drawing must have there.
enum class Expect { transparent, faint, strong };

struct Probe {
    double x;
    double y;
    Expect expect;
    QColor colour; // checked for strong probes when valid
};

struct RenderCase {
    const char *name;
    StatusIconKind kind;
    double angle;
    QList<Probe> probes;
};

const QColor label(0x20, 0x40, 0x60);
// On the arc's circle (radius 6.5 around the centre), 45 degrees off the axes.
constexpr double d = 6.5 * 0.70710678;
constexpr double c = 11.0;

class StatusIconRenderTest : public ::testing::TestWithParam<RenderCase> {};

TEST_P(StatusIconRenderTest, ColourWhereTheShapeIs)
{
    for (qreal dpr : {1.0, 2.0}) {
        const QImage image = renderStatusIcon(GetParam().kind, GetParam().angle, 22, dpr, label);
        ASSERT_EQ(image.width(), int(22 * dpr));
        ASSERT_EQ(image.devicePixelRatio(), dpr);
        for (const Probe &p : GetParam().probes) {
            const QColor pixel = image.pixelColor(int(p.x * dpr), int(p.y * dpr));
            const auto where = QStringLiteral("(%1, %2) at %3x").arg(p.x).arg(p.y).arg(dpr).toStdString();
            switch (p.expect) {
            case Expect::transparent:
                EXPECT_LT(pixel.alphaF(), 0.02) << where;
                break;
            case Expect::faint:
                EXPECT_GT(pixel.alphaF(), 0.05) << where;
                EXPECT_LT(pixel.alphaF(), 0.3) << where;
                break;
            case Expect::strong:
                EXPECT_GT(pixel.alphaF(), 0.8) << where;
                if (p.colour.isValid()) {
                    EXPECT_NEAR(pixel.red(), p.colour.red(), 3) << where;
                    EXPECT_NEAR(pixel.green(), p.colour.green(), 3) << where;
                    EXPECT_NEAR(pixel.blue(), p.colour.blue(), 3) << where;
                }
                break;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Drawings, StatusIconRenderTest,
    ::testing::Values(
        // Dots: 14 units across, centred; nothing outside.
        RenderCase{"recordingDot", StatusIconKind::recordingDot, 0,
                   {{c, c, Expect::strong, systemRed}, {c, c - 6, Expect::strong, systemRed},
                    {c, c - 8.5, Expect::transparent, {}}, {c + 8.5, c, Expect::transparent, {}}, {0.5, 0.5, Expect::transparent, {}}}},
        RenderCase{"liveDot", StatusIconKind::liveDot, 0,
                   {{c, c, Expect::strong, systemOrange}, {c - 6, c, Expect::strong, systemOrange},
                    {21, 21, Expect::transparent, {}}}},
        // The arc: a quarter from the top clockwise to the right at 0, turning clockwise; the
        // rest of the circle is the faint track; the centre stays empty.
        RenderCase{"arcAt0", StatusIconKind::transcribingArc, 0,
                   {{c + d, c - d, Expect::strong, label}, {c - d, c + d, Expect::faint, {}},
                    {c + d, c + d, Expect::faint, {}}, {c - d, c - d, Expect::faint, {}}, {c, c, Expect::transparent, {}}}},
        RenderCase{"arcAt90", StatusIconKind::transcribingArc, 90,
                   {{c + d, c + d, Expect::strong, label}, {c + d, c - d, Expect::faint, {}}, {c - d, c + d, Expect::faint, {}}}},
        // The microphone: capsule in the middle, stand below, empty sides.
        RenderCase{"microphone", StatusIconKind::microphone, 0,
                   {{c, 7, Expect::strong, label}, {c - 0.5, 17, Expect::strong, label}, {2, 7, Expect::transparent, {}}}},
        RenderCase{"developmentMicrophone", StatusIconKind::developmentMicrophone, 0,
                   {{c, 7, Expect::strong, systemOrange}, {c - 0.5, 17, Expect::strong, systemOrange}, {2, 7, Expect::transparent, {}}}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(StatusIconTest, IconHoldsEverySizeAndOnlyThePlainMicrophoneIsAMask)
{
    const struct {
        StatusIconKind kind;
        bool mask;
    } cases[] = {
        {StatusIconKind::microphone, true},       {StatusIconKind::developmentMicrophone, false},
        {StatusIconKind::recordingDot, false},    {StatusIconKind::liveDot, false},
        {StatusIconKind::transcribingArc, false},
    };
    for (const auto &c : cases) {
        const QIcon icon = statusIcon(c.kind, 0, 1.0, label);
        EXPECT_EQ(icon.isMask(), c.mask) << int(c.kind);
        QList<int> sizes;
        for (const QSize &s : icon.availableSizes())
            sizes << s.width();
        std::sort(sizes.begin(), sizes.end());
        EXPECT_EQ(sizes, statusIconSizes()) << int(c.kind);
    }
}

} // namespace
