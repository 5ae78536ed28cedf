#include "WavReader.h"

#include <QDataStream>
#include <QFile>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace parlix::test {

std::optional<WavData> readWav(const QString &path, QString *error)
{
    auto fail = [error](const QString &why) -> std::optional<WavData> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    const QByteArray bytes = file.readAll();
    WavData wav;
    wav.fileSize = bytes.size();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return fail(QStringLiteral("not a RIFF/WAVE file"));
    wav.riffSize = qFromLittleEndian<quint32>(bytes.constData() + 4);
    qsizetype pos = 12;
    bool haveFormat = false;
    while (pos + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(pos, 4);
        const quint32 size = qFromLittleEndian<quint32>(bytes.constData() + pos + 4);
        const qsizetype body = pos + 8;
        if (id == "fmt ") {
            if (size < 16 || body + 16 > bytes.size())
                return fail(QStringLiteral("short fmt chunk"));
            wav.channels = qFromLittleEndian<quint16>(bytes.constData() + body + 2);
            wav.sampleRate = int(qFromLittleEndian<quint32>(bytes.constData() + body + 4));
            wav.bitsPerSample = qFromLittleEndian<quint16>(bytes.constData() + body + 14);
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return fail(QStringLiteral("data before fmt"));
            wav.dataSize = size;
            if (body + qsizetype(size) > bytes.size())
                return fail(QStringLiteral("data chunk runs past the end of the file"));
            if (wav.bitsPerSample == 16) {
                wav.samples.resize(size / 2);
                std::memcpy(wav.samples.data(), bytes.constData() + body, wav.samples.size() * 2);
            }
            return wav;
        }
        pos = body + qsizetype(size) + (size & 1);
    }
    return fail(QStringLiteral("no data chunk"));
}

double rms(const std::vector<int16_t> &samples)
{
    if (samples.empty())
        return 0;
    double sum = 0;
    for (int16_t s : samples)
        sum += double(s) * double(s);
    return std::sqrt(sum / double(samples.size()));
}

bool writeWav(const QString &path, const std::vector<int16_t> &samples)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QDataStream s(&file);
    s.setByteOrder(QDataStream::LittleEndian);
    const quint32 dataBytes = quint32(samples.size()) * 2;
    s.writeRawData("RIFF", 4);
    s << quint32(36 + dataBytes);
    s.writeRawData("WAVEfmt ", 8);
    s << quint32(16) << quint16(1) << quint16(1) << quint32(16000) << quint32(32000) << quint16(2) << quint16(16);
    s.writeRawData("data", 4);
    s << dataBytes;
    for (const int16_t sample : samples)
        s << qint16(sample);
    return s.status() == QDataStream::Ok && file.flush();
}

} // namespace parlix::test
