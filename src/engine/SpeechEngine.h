#pragma once
// What every way of turning speech into text offers: one audio file in, cleaned text out, and a
// way to end what runs. Implementations clean their text with TranscriptCleaner.
#include <QCoroTask>
#include <QString>

#include <optional>

namespace parlix {

class SpeechEngine {
public:
    virtual ~SpeechEngine() = default;
    // Cleaned, possibly empty text. Throws WhisperError; WhisperError::cancelled when cancel()
    // ended the call. Must be awaited from the main thread.
    virtual QCoro::Task<QString> transcribe(QString audioPath, std::optional<QString> prompt) = 0;
    // Ends every call running or waiting now (a child is killed); returns at once.
    virtual void cancel() = 0;
};

} // namespace parlix
