// The conversion to 16 kHz: speech-band tones pass at their level, tones above 8 kHz are
// removed instead of folding back, and how a stream is cut into buffers changes nothing.
#include "audio/Resampler.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace parlix;

namespace {

std::vector<float> tone(double hz, double rate, size_t n)
{
    std::vector<float> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = float(0.5 * std::sin(2 * M_PI * hz * double(i) / rate));
    return v;
}

// Fed in 1024-frame buffers as a capture delivers them, then flushed.
std::vector<float> convert(const std::vector<float> &input, double rate, const std::vector<size_t> &bufferSizes = {1024})
{
    dsp::Resampler resampler(rate);
    std::vector<float> all, out;
    size_t at = 0;
    for (size_t i = 0; at < input.size(); ++i) {
        const size_t n = std::min(bufferSizes[i % bufferSizes.size()], input.size() - at);
        resampler.process(std::span<const float>(input).subspan(at, n), out);
        all.insert(all.end(), out.begin(), out.end());
        at += n;
    }
    resampler.flush(out);
    all.insert(all.end(), out.begin(), out.end());
    return all;
}

// Level of the steady middle half relative to the input's, in dB.
double gainDb(const std::vector<float> &out)
{
    double sum = 0;
    const size_t from = out.size() / 4, to = out.size() * 3 / 4;
    for (size_t i = from; i < to; ++i)
        sum += double(out[i]) * double(out[i]);
    const double rms = std::sqrt(sum / double(to - from));
    return 20 * std::log10(std::max(rms, 1e-12) / (0.5 / std::sqrt(2.0)));
}

} // namespace

TEST(Resampler, SpeechBandPassesAndEverythingAboveEightKilohertzIsRemoved)
{
    struct Case {
        double rate;
        double hz;
        double minDb, maxDb;
    };
    const Case cases[] = {
        {48000, 1000, -0.1, 0.1},
        {44100, 1000, -0.1, 0.1},
        {48000, 3400, -0.1, 0.1},
        // Linear interpolation kept 12 kHz at full level, folded to 4 kHz.
        {48000, 12000, -1000, -60},
        {44100, 12000, -1000, -60},
        {48000, 9000, -1000, -60},
        {16000, 1000, -0.01, 0.01},
    };
    for (const Case &c : cases) {
        const double db = gainDb(convert(tone(c.hz, c.rate, size_t(c.rate)), c.rate));
        EXPECT_GE(db, c.minDb) << c.hz << " Hz at " << c.rate;
        EXPECT_LE(db, c.maxDb) << c.hz << " Hz at " << c.rate;
    }
}

TEST(Resampler, BufferBoundariesLeaveNoTraceAndNothingIsLost)
{
    struct Case {
        double rate;
        std::vector<size_t> bufferSizes;
    };
    const Case cases[] = {
        {48000, {1024}},
        {44100, {441, 1000, 7, 1, 2000, 960}},
        {16000, {3, 100, 160}},
    };
    for (const Case &c : cases) {
        const std::vector<float> input = tone(440, c.rate, size_t(c.rate / 2));
        const std::vector<float> whole = convert(input, c.rate, {input.size()});
        const std::vector<float> pieces = convert(input, c.rate, c.bufferSizes);
        ASSERT_EQ(pieces.size(), whole.size()) << c.rate;
        for (size_t i = 0; i < whole.size(); ++i)
            ASSERT_NEAR(pieces[i], whole[i], 1e-6) << c.rate << " Hz, sample " << i;
        // With the filter flushed the length follows the rate exactly.
        EXPECT_NEAR(double(whole.size()), double(input.size()) * 16000.0 / c.rate, 1.0) << c.rate;
    }
}
