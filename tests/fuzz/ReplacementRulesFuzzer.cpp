// The stored replacement rules: what decodes encodes (unless a text cannot be written as UTF-8)
// to rules that decode equal, and every replacement's commands expand.
#include "core/TextReplacementRule.h"

#include "FuzzSupport.h"

using namespace parlix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto rules = TextReplacementRule::decode(bytes);
    if (!rules)
        return 0;
    for (const TextReplacementRule &rule : *rules)
        (void)rule.processedReplacement();
    const auto encoded = TextReplacementRule::encode(*rules);
    if (!encoded)
        return 0;
    const auto again = TextReplacementRule::decode(*encoded);
    fuzz::require(again.has_value(), "encoded rules decode");
    fuzz::require(*again == *rules, "encoded rules decode to the same rules");
    return 0;
}
