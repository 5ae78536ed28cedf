// With no audio server at all, both inputs list no device and say why they cannot start, and
// nothing crashes. Its own executable: Qt connects to the server once per
// process.
#include "platform/pulse/PulseAudioInput.h"
#include "platform/qtaudio/QtAudioInput.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace parlix;

namespace {

class NoAudioServer : public ::testing::TestWithParam<std::string> {};

std::unique_ptr<AudioInput> makeInput(const std::string &kind)
{
    if (kind == "pulse")
        return std::make_unique<PulseAudioInput>();
    return std::make_unique<QtAudioInput>();
}

} // namespace

// What a recorder makes of an empty device list is RecorderTest's; here the inputs themselves.
TEST_P(NoAudioServer, InputListsNothingAndItsStartReportsWhy)
{
    QTemporaryDir tmp;
    qputenv("PULSE_SERVER", ("unix:" + tmp.filePath(QStringLiteral("no-such-socket"))).toUtf8());
    const auto input = makeInput(GetParam());
    EXPECT_TRUE(input->devices().isEmpty());
    EXPECT_FALSE(input->deviceFormat({}).isValid());
    QFuture<QString> started = input->start({}, {});
    started.waitForFinished();
    EXPECT_FALSE(started.result().isEmpty());
    input->stop();
}

INSTANTIATE_TEST_SUITE_P(Inputs, NoAudioServer, ::testing::Values("qt", "pulse"),
                         [](const ::testing::TestParamInfo<std::string> &info) { return info.param; });
