#include "controller/adapters/SpeechEngineAdapter.h"

#include "engine/SpeechEngine.h"

namespace parlix {

QCoro::Task<QString> SpeechEngineAdapter::transcribe(QString audioPath, std::optional<QString> prompt)
{
    co_return co_await m_engine.transcribe(std::move(audioPath), std::move(prompt));
}

void SpeechEngineAdapter::cancel()
{
    m_engine.cancel();
}

} // namespace parlix
