#pragma once
// The engine runner as the controller's Transcriber.
#include "controller/DictationServices.h"

namespace parlix {

class WhisperTranscriber;

class WhisperTranscriberAdapter : public Transcriber {
public:
    explicit WhisperTranscriberAdapter(WhisperTranscriber &engine) : m_engine(engine) {}
    // Throws WhisperError.
    QCoro::Task<QString> transcribe(QString audioPath, std::optional<QString> prompt) override;

private:
    WhisperTranscriber &m_engine;
};

} // namespace parlix
