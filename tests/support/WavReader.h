#pragma once
// PCM WAV files in tests: reading walks the RIFF chunks instead of trusting a fixed header
// layout; writing makes the 16 kHz mono 16-bit files the engine takes.
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
// Writes `samples` as a 16 kHz mono 16-bit file with the canonical 44-byte header.
bool writeWav(const QString &path, const std::vector<int16_t> &samples);

} // namespace parlix::test
