#pragma once
// The cleaning every engine's text goes through before anyone sees it: white space trimmed and
// collapsed, the engine's non-speech markers removed, the phrases it invents on silence dropped,
// the first letter capitalised and the sentence closed.
#include <QString>

namespace parlix {

class TranscriptCleaner {
public:
    // `output` as the engine printed it; the result may be empty.
    static QString clean(const QString &output);
};

} // namespace parlix
