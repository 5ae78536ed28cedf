#include "audio/AudioDsp.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace parlix::dsp {

namespace {

template <typename T>
T load(const char *p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

float sampleAt(const char *p, AudioFormat::SampleType type)
{
    switch (type) {
    case AudioFormat::SampleType::uint8: return (float(uint8_t(*p)) - 128.0f) / 128.0f;
    case AudioFormat::SampleType::int16: return float(load<int16_t>(p)) / 32768.0f;
    case AudioFormat::SampleType::int32: return float(double(load<int32_t>(p)) / 2147483648.0);
    case AudioFormat::SampleType::float32: return load<float>(p);
    case AudioFormat::SampleType::unknown: break;
    }
    return 0.0f;
}

} // namespace

void firstChannel(const AudioBufferView &buffer, std::vector<float> &out)
{
    const AudioFormat &f = buffer.format;
    if (!f.isValid() || !buffer.data || buffer.frameCount <= 0) {
        out.clear();
        return;
    }
    out.resize(size_t(buffer.frameCount));
    const int stride = f.bytesPerFrame();
    const char *p = buffer.data;
    if (f.sampleType == AudioFormat::SampleType::float32 && f.channelCount == 1) {
        std::memcpy(out.data(), p, out.size() * sizeof(float));
        return;
    }
    if (f.sampleType == AudioFormat::SampleType::int16) {
        for (size_t i = 0; i < out.size(); ++i, p += stride)
            out[i] = float(load<int16_t>(p)) * (1.0f / 32768.0f);
        return;
    }
    for (size_t i = 0; i < out.size(); ++i, p += stride)
        out[i] = sampleAt(p, f.sampleType);
}

void mixToMono(const AudioBufferView &buffer, std::vector<float> &out)
{
    const AudioFormat &f = buffer.format;
    if (f.channelCount == 1) {
        firstChannel(buffer, out);
        return;
    }
    if (!f.isValid() || !buffer.data || buffer.frameCount <= 0) {
        out.clear();
        return;
    }
    out.resize(size_t(buffer.frameCount));
    const int bytes = f.bytesPerSample();
    const float scale = 1.0f / float(f.channelCount);
    const char *p = buffer.data;
    for (size_t i = 0; i < out.size(); ++i) {
        float sum = 0;
        for (int c = 0; c < f.channelCount; ++c, p += bytes)
            sum += sampleAt(p, f.sampleType);
        out[i] = sum * scale;
    }
}

float rmsLevelDb(std::span<const float> samples)
{
    if (samples.empty())
        return -80.0f;
    double sum = 0;
    for (float s : samples)
        sum += double(s) * double(s);
    const double rms = std::sqrt(sum / double(samples.size()));
    return float(20.0 * std::log10(std::max(rms, 0.0001)));
}

void PowerMeter::add(std::span<const float> samples)
{
    if (samples.empty())
        return;
    float sum = 0;
    for (float s : samples)
        sum += s * s;
    uint64_t current = m_pending.load(std::memory_order_relaxed);
    uint64_t next;
    do {
        const float pendingSum = std::bit_cast<float>(uint32_t(current >> 32));
        const uint32_t pendingCount = uint32_t(current);
        next = (uint64_t(std::bit_cast<uint32_t>(pendingSum + sum)) << 32) | uint32_t(pendingCount + samples.size());
    } while (!m_pending.compare_exchange_weak(current, next, std::memory_order_release, std::memory_order_relaxed));
}

float PowerMeter::read()
{
    const uint64_t taken = m_pending.exchange(0, std::memory_order_acquire);
    const uint32_t count = uint32_t(taken);
    if (count == 0)
        return m_last;
    const double meanSquare = double(std::bit_cast<float>(uint32_t(taken >> 32))) / double(count);
    m_last = meanSquare > 0 ? std::max(kMeterFloorDb, float(10.0 * std::log10(meanSquare))) : kMeterFloorDb;
    return m_last;
}

void PowerMeter::reset()
{
    m_pending.store(0, std::memory_order_relaxed);
    m_last = kMeterFloorDb;
}

} // namespace parlix::dsp
