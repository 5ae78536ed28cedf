#pragma once
// Real speech for the virtual microphone: espeak-ng's voice, converted by sox.
#include <QString>

#include <cstdint>
#include <vector>

namespace parlix::test {

// `text` spoken by espeak-ng, as 16 kHz mono 16-bit samples; empty when either tool fails.
std::vector<int16_t> spokenSamples(const QString &text);

} // namespace parlix::test
