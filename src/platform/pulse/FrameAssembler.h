#pragma once
// Turns the byte runs a stream hands out into runs of whole frames. A run that ends inside a frame
// keeps those bytes until the rest of the frame arrives, so a consumer never sees half a frame and
// no sample is dropped or shifted.
#include <cstddef>
#include <cstring>
#include <vector>

namespace parlix::pulse {

class FrameAssembler {
public:
    // Sizes the carry-over store here, so push() never allocates.
    void reset(size_t frameBytes)
    {
        m_frameBytes = frameBytes;
        m_partial.assign(frameBytes, 0);
        m_partialBytes = 0;
    }

    size_t pendingBytes() const { return m_partialBytes; }

    // Calls `deliver(const char *data, long long frames)` for each run of whole frames in order.
    template <typename Deliver>
    void push(const char *data, size_t length, Deliver &&deliver)
    {
        if (m_frameBytes == 0)
            return;
        if (m_partialBytes > 0) {
            const size_t take = std::min(m_frameBytes - m_partialBytes, length);
            std::memcpy(m_partial.data() + m_partialBytes, data, take);
            m_partialBytes += take;
            data += take;
            length -= take;
            if (m_partialBytes < m_frameBytes)
                return;
            deliver(static_cast<const char *>(m_partial.data()), 1LL);
            m_partialBytes = 0;
        }
        const size_t frames = length / m_frameBytes;
        if (frames > 0)
            deliver(data, static_cast<long long>(frames));
        const size_t rest = length - frames * m_frameBytes;
        if (rest > 0) {
            std::memcpy(m_partial.data(), data + frames * m_frameBytes, rest);
            m_partialBytes = rest;
        }
    }

private:
    size_t m_frameBytes = 0;
    std::vector<char> m_partial;
    size_t m_partialBytes = 0;
};

} // namespace parlix::pulse
