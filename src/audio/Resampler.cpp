#include "audio/Resampler.h"

#include "audio/AudioDsp.h"

#include <soxr.h>

namespace parlix::dsp {

Resampler::Resampler(double inputRate)
    : m_inputRate(inputRate)
    , m_passThrough(inputRate == kTargetRate)
{
    if (inputRate <= 0 || m_passThrough)
        return;
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    // Minimum phase: the same magnitude response with the least delay, and output that follows
    // every buffer (a linear-phase filter here gives ~490 samples every third 10 ms buffer and
    // holds back twice as much). Speech recognition does not hear the phase.
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, SOXR_MINIMUM_PHASE);
    m_soxr = soxr_create(inputRate, kTargetRate, 1, &error, &io, &quality, nullptr);
    if (error)
        m_soxr = nullptr;
}

Resampler::~Resampler()
{
    if (m_soxr)
        soxr_delete(m_soxr);
}

void Resampler::process(std::span<const float> input, std::vector<float> &out)
{
    if (m_passThrough) {
        out.assign(input.begin(), input.end());
        return;
    }
    out.clear();
    if (!input.empty())
        run(input.data(), input.size(), out);
}

void Resampler::flush(std::vector<float> &out)
{
    out.clear();
    if (!m_passThrough)
        run(nullptr, 0, out);
}

void Resampler::run(const float *input, size_t length, std::vector<float> &out)
{
    if (!m_soxr)
        return;
    // Room for this input's share plus the filter's backlog; a flush may take several rounds.
    const size_t room = size_t(double(length) * kTargetRate / m_inputRate) + 64;
    size_t used = 0;
    size_t written = 0;
    do {
        out.resize(written + room);
        size_t taken = 0;
        size_t produced = 0;
        if (soxr_process(m_soxr, input ? input + used : nullptr, input ? length - used : 0, &taken, out.data() + written, room,
                         &produced))
            break;
        used += taken;
        written += produced;
        if (produced < room && (input == nullptr || used == length))
            break;
    } while (true);
    out.resize(written);
}

} // namespace parlix::dsp
