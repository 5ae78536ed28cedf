#include "controller/adapters/WhisperTranscriberAdapter.h"

#include "engine/WhisperTranscriber.h"

namespace parlix {

QCoro::Task<QString> WhisperTranscriberAdapter::transcribe(QString audioPath, std::optional<QString> prompt)
{
    co_return co_await m_engine.transcribe(std::move(audioPath), std::move(prompt));
}

} // namespace parlix
