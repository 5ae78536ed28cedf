#pragma once
// Sample arithmetic shared by the recorders: format conversion and levels (Resampler brings the
// rate to 16 kHz).
// Everything here runs on the capture thread and allocates only when a buffer grows.
#include "platform/AudioInput.h"

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

namespace parlix::dsp {

inline constexpr int kTargetRate = 16000;
// Floor of the clip meter, and the resting value of both recorders' level.
inline constexpr float kMeterFloorDb = -160.0f;

// The first channel of `buffer` as floats in -1..1 (integers are divided by their full scale).
// `out` is resized to the frame count; an unknown sample type leaves it empty.
void firstChannel(const AudioBufferView &buffer, std::vector<float> &out);
// The average of all channels of `buffer`, as floats in -1..1.
void mixToMono(const AudioBufferView &buffer, std::vector<float> &out);

// Level of a buffer in dBFS: 20 * log10(max(rms, 0.0001)), so never below -80.
float rmsLevelDb(std::span<const float> samples);

// A float sample as a 16-bit integer, rounded to nearest (so 16-bit input survives the trip
// through float unchanged), clamped to the integer range.
inline int16_t toInt16Rounded(float sample)
{
    const float scaled = sample * 32768.0f;
    if (scaled >= 32767.0f)
        return 32767;
    if (scaled <= -32768.0f)
        return -32768;
    return static_cast<int16_t>(scaled >= 0 ? scaled + 0.5f : scaled - 0.5f);
}

// Average power of everything added since the last read, in dBFS (10 * log10 of the mean square),
// floored at -160. Written by the capture thread, read by the main thread, without a lock.
class PowerMeter {
public:
    void add(std::span<const float> samples);
    // The power of the audio added since the previous read; when none arrived, the previous
    // reading again.
    float read();
    void reset();

private:
    // Sum of squares (float bits, high half) and sample count (low half) of unread audio.
    std::atomic<uint64_t> m_pending{0};
    float m_last = kMeterFloorDb;
};

} // namespace parlix::dsp
