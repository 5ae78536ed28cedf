#pragma once
// 16 kHz mono 16-bit PCM WAV files: the clip written while recording, and live chunks built in
// memory. All integers little-endian, 44-byte canonical header.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>

namespace parlix::wav {

inline constexpr int kHeaderSize = 44;
// Largest data size whose RIFF size (36 + data) still fits in 32 bits.
inline constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;

QByteArray header(uint32_t dataBytes);

// A chunk file: each sample clamped to -1..1, times 32767, truncated toward zero. Empty when the
// data would not fit a WAV file.
std::optional<QByteArray> chunkBytes(std::span<const float> samples);

// Writes a clip as it is captured. The header is rewritten after every append, so the file on
// disk is a complete, valid WAV file at every moment, even if the process dies mid-recording.
class FileWriter {
public:
    FileWriter() = default;
    FileWriter(const FileWriter &) = delete;
    FileWriter &operator=(const FileWriter &) = delete;
    ~FileWriter();

    // Creates (or truncates) `path` with mode 0600 and writes an empty header.
    bool open(const QString &path);
    // False once a write failed (disk full, file gone); later appends are dropped.
    bool append(std::span<const int16_t> samples);
    void close();

    bool isOpen() const { return m_fd >= 0; }
    uint64_t dataBytes() const { return m_dataBytes; }
    QString errorString() const { return m_error; }

private:
    int m_fd = -1;
    uint64_t m_dataBytes = 0;
    bool m_failed = false;
    QString m_error;
};

} // namespace parlix::wav
