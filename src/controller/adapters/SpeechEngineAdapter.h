#pragma once
// The chosen speech engine as the controller's Transcriber.
#include "controller/DictationServices.h"

namespace parlix {

class SpeechEngine;

class SpeechEngineAdapter : public Transcriber {
public:
    explicit SpeechEngineAdapter(SpeechEngine &engine) : m_engine(engine) {}
    // Throws WhisperError.
    QCoro::Task<QString> transcribe(QString audioPath, std::optional<QString> prompt) override;
    void cancel() override;

private:
    SpeechEngine &m_engine;
};

} // namespace parlix
