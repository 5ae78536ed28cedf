#include "core/WavDuration.h"

#include <QFile>
#include <QtEndian>

namespace parlix {

namespace {
// Far more than the fmt and data chunk headers of any file a recorder here writes.
constexpr qint64 kHeaderScan = 4096;
} // namespace

std::optional<double> wavDurationSeconds(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.read(kHeaderScan);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return std::nullopt;
    quint32 byteRate = 0;
    qint64 offset = 12;
    while (offset + 8 <= head.size()) {
        const QByteArray id = head.mid(offset, 4);
        const quint32 size = qFromLittleEndian<quint32>(head.constData() + offset + 4);
        const qint64 body = offset + 8;
        if (id == "fmt " && body + 12 <= head.size())
            byteRate = qFromLittleEndian<quint32>(head.constData() + body + 8);
        if (id == "data") {
            if (byteRate == 0)
                return std::nullopt;
            return double(std::max<qint64>(0, file.size() - body)) / byteRate;
        }
        offset = body + size + (size & 1);
    }
    return std::nullopt;
}

} // namespace parlix
