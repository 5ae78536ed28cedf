#include "audio/WavFile.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace parlix::wav {

namespace {

void put32(char *p, uint32_t v) { qToLittleEndian<quint32>(v, p); }
void put16(char *p, uint16_t v) { qToLittleEndian<quint16>(v, p); }

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

bool writeAll(int fd, const char *data, size_t size, off_t offset)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= size_t(n);
        offset += n;
    }
    return true;
}

} // namespace

QByteArray header(uint32_t dataBytes)
{
    QByteArray h(kHeaderSize, '\0');
    char *p = h.data();
    std::memcpy(p, "RIFF", 4);
    put32(p + 4, 36 + dataBytes);
    std::memcpy(p + 8, "WAVE", 4);
    std::memcpy(p + 12, "fmt ", 4);
    put32(p + 16, 16);
    put16(p + 20, 1);     // PCM
    put16(p + 22, 1);     // channels
    put32(p + 24, 16000); // samples per second
    put32(p + 28, 32000); // bytes per second
    put16(p + 32, 2);     // bytes per frame
    put16(p + 34, 16);    // bits per sample
    std::memcpy(p + 36, "data", 4);
    put32(p + 40, dataBytes);
    return h;
}

std::optional<QByteArray> chunkBytes(std::span<const float> samples)
{
    const uint64_t dataBytes = uint64_t(samples.size()) * 2;
    if (dataBytes > kMaxDataBytes)
        return std::nullopt;
    QByteArray bytes = header(uint32_t(dataBytes));
    bytes.resize(kHeaderSize + qsizetype(dataBytes));
    char *p = bytes.data() + kHeaderSize;
    for (float s : samples) {
        const float clamped = std::clamp(s, -1.0f, 1.0f);
        put16(p, uint16_t(int16_t(clamped * 32767.0f)));
        p += 2;
    }
    return bytes;
}

FileWriter::~FileWriter()
{
    close();
}

bool FileWriter::open(const QString &path)
{
    close();
    m_dataBytes = 0;
    m_failed = false;
    m_error.clear();
    const QByteArray native = QFile::encodeName(path);
    m_fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        m_error = systemError(errno);
        return false;
    }
    // An existing file keeps its mode through O_TRUNC; audio is private.
    ::fchmod(m_fd, 0600);
    const QByteArray h = header(0);
    if (!writeAll(m_fd, h.constData(), size_t(h.size()), 0)) {
        m_error = systemError(errno);
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    return true;
}

bool FileWriter::append(std::span<const int16_t> samples)
{
    if (m_fd < 0 || m_failed)
        return false;
    if (samples.empty())
        return true;
    const uint64_t room = kMaxDataBytes - m_dataBytes;
    const size_t count = size_t(std::min<uint64_t>(room / 2, samples.size()));
    if (count == 0)
        return true; // full: the file stays valid, the rest is not kept
    const size_t bytes = count * 2;
    char stackBuffer[8192];
    std::unique_ptr<char[]> heapBuffer;
    char *out = stackBuffer;
    if (bytes > sizeof stackBuffer) {
        heapBuffer.reset(new char[bytes]);
        out = heapBuffer.get();
    }
    for (size_t i = 0; i < count; ++i)
        put16(out + 2 * i, uint16_t(samples[i]));
    char sizes[4];
    const uint64_t newSize = m_dataBytes + bytes;
    bool ok = writeAll(m_fd, out, bytes, off_t(kHeaderSize + m_dataBytes));
    if (ok) {
        put32(sizes, uint32_t(36 + newSize));
        ok = writeAll(m_fd, sizes, 4, 4);
    }
    if (ok) {
        put32(sizes, uint32_t(newSize));
        ok = writeAll(m_fd, sizes, 4, 40);
    }
    if (!ok) {
        const int writeError = errno;
        // Back to the file as it was before this append: a part of the samples may have reached
        // the disk behind the data the header counts.
        (void)!::ftruncate(m_fd, off_t(kHeaderSize + m_dataBytes));
        put32(sizes, uint32_t(36 + m_dataBytes));
        writeAll(m_fd, sizes, 4, 4);
        put32(sizes, uint32_t(m_dataBytes));
        writeAll(m_fd, sizes, 4, 40);
        m_failed = true;
        m_error = systemError(writeError);
        return false;
    }
    m_dataBytes = newSize;
    return true;
}

void FileWriter::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace parlix::wav
