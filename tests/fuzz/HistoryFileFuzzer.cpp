// The history file decoder: any bytes either decode or are refused with a reason; what decodes
// encodes to a file that decodes to the same records, and encoding that again gives the same bytes.
#include "history/HistoryFile.h"

#include "FuzzSupport.h"

using namespace parlix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QList<TranscriptItem> items;
    QString error;
    if (!historyfile::decode(bytes, items, error)) {
        fuzz::require(!error.isEmpty(), "a refused history file has a reason");
        return 0;
    }
    const QByteArray encoded = historyfile::encode(items);
    QList<TranscriptItem> again;
    fuzz::require(historyfile::decode(encoded, again, error), "an encoded history decodes");
    fuzz::require(again == items, "an encoded history decodes to the same records");
    fuzz::require(historyfile::encode(again) == encoded, "encoding is stable");
    return 0;
}
