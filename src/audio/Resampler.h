#pragma once
// Converts one continuous mono stream to 16 kHz with a band-limiting filter (libsoxr, high
// quality): everything above 8 kHz is removed before the rate drops instead of folding back into
// the speech band. The filter's state carries from one buffer to the next, so buffer boundaries
// leave no trace; what it still holds (about 12 ms) comes out with flush() at the end of a stream.
// At 16 kHz input the samples pass unchanged. One thread at a time.
#include <span>
#include <vector>

struct soxr;

namespace parlix::dsp {

class Resampler {
public:
    // A rate of zero or less yields no output.
    explicit Resampler(double inputRate);
    ~Resampler();
    Resampler(const Resampler &) = delete;
    Resampler &operator=(const Resampler &) = delete;

    double inputRate() const { return m_inputRate; }
    // Replaces `out` with the output the filter has ready after `input`.
    void process(std::span<const float> input, std::vector<float> &out);
    // Replaces `out` with what the filter still holds; the stream is then over.
    void flush(std::vector<float> &out);

private:
    void run(const float *input, size_t length, std::vector<float> &out);

    double m_inputRate;
    soxr *m_soxr = nullptr;
    bool m_passThrough = false;
};

} // namespace parlix::dsp
