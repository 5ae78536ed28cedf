#pragma once
// Reads PCM WAV files in tests: walks the RIFF chunks instead of trusting a fixed header layout.
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace parlix::test {

struct WavData {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    uint32_t riffSize = 0;     // as stored at bytes 4..7
    uint32_t dataSize = 0;     // as stored in the data chunk header
    qint64 fileSize = 0;
    std::vector<int16_t> samples; // 16-bit files only
};

std::optional<WavData> readWav(const QString &path, QString *error = nullptr);
double rms(const std::vector<int16_t> &samples);

} // namespace parlix::test
