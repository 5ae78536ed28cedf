#include "ControllerFakes.h"

#include <QFileInfo>
#include <gtest/gtest.h>

namespace parlix::test {

namespace {
QString name(const QString &path) { return QFileInfo(path).fileName(); }
} // namespace

void Hold::release()
{
    m_released = true;
    if (auto waiter = std::exchange(m_waiter, {}))
        waiter.resume();
}

Hold &HoldQueue::take()
{
    m_holds.push_back(std::make_unique<Hold>());
    return *m_holds.back();
}

qsizetype HoldQueue::waiting() const
{
    return std::count_if(m_holds.begin(), m_holds.end(), [](const auto &h) { return h->isWaiting(); });
}

bool HoldQueue::releaseNext()
{
    for (auto &hold : m_holds) {
        if (hold->isWaiting()) {
            hold->release();
            return true;
        }
    }
    return false;
}

// ---- clip recorder ----

QCoro::Task<QString> FakeClipRecorder::startRecording()
{
    ++startCalls;
    m_journal << QStringLiteral("clip.start");
    if (holdStart)
        co_await starts.take();
    if (startFailure)
        throw FakeFailure(startFailure->toStdString());
    recording = true;
    m_journal << QStringLiteral("clip.started");
    // A copy: QCoro moves from a non-const lvalue given to co_return.
    co_return QString(clipPath);
}

std::optional<QString> FakeClipRecorder::stopRecording()
{
    ++stopCalls;
    m_journal << QStringLiteral("clip.stop");
    const bool wasRecording = std::exchange(recording, false);
    if (!wasRecording || stopWithoutFile)
        return std::nullopt;
    return clipPath;
}

void FakeClipRecorder::deleteRecording(const QString &path)
{
    deleted << path;
    m_journal << QStringLiteral("clip.delete ") + name(path);
}

// ---- live capture ----

QCoro::Task<> FakeLiveCapture::startRecording()
{
    ++startCalls;
    m_journal << QStringLiteral("live.start");
    if (holdStart)
        co_await starts.take();
    if (startFailure)
        throw FakeFailure(startFailure->toStdString());
    m_journal << QStringLiteral("live.started");
}

std::optional<QString> FakeLiveCapture::extractChunk()
{
    ++extractCalls;
    if (chunks.empty())
        return std::nullopt;
    std::optional<QString> next = chunks.front();
    chunks.pop_front();
    if (next)
        m_journal << QStringLiteral("live.chunk ") + name(*next);
    return next;
}

std::optional<QString> FakeLiveCapture::extractFinalChunk()
{
    ++finalExtractCalls;
    m_journal << QStringLiteral("live.final");
    return std::exchange(finalChunk, std::nullopt);
}

void FakeLiveCapture::deleteChunk(const QString &path)
{
    deleted << path;
    m_journal << QStringLiteral("live.delete ") + name(path);
}

void FakeLiveCapture::stopRecording()
{
    ++stopCalls;
    m_journal << QStringLiteral("live.stop");
}

// ---- engine ----

QCoro::Task<QString> FakeTranscriber::transcribe(QString audioPath, std::optional<QString> prompt)
{
    calls.append({audioPath, prompt});
    m_journal << QStringLiteral("transcribe ") + name(audioPath);
    if (holdCalls)
        co_await pending.take();
    m_journal << QStringLiteral("transcribed ") + name(audioPath);
    const auto outcome = outcomes.constFind(audioPath);
    if (outcome == outcomes.constEnd()) {
        ADD_FAILURE() << "no outcome prepared for " << audioPath.toStdString();
        throw FakeFailure("unexpected audio file");
    }
    if (outcome->failure)
        throw FakeFailure(outcome->failure->toStdString());
    co_return QString(outcome->text);
}

void FakeTranscriber::cancel()
{
    ++cancelCalls;
    m_journal << QStringLiteral("engine.cancel");
}

// ---- unsent ----

QString FakeUnsentClips::keptPath(const QString &path)
{
    return QStringLiteral("/unsent/") + name(path);
}

std::optional<QString> FakeUnsentClips::keep(const QString &path)
{
    m_journal << QStringLiteral("unsent.keep ") + name(path);
    if (kept.contains(path))
        return path;
    kept << keptPath(path);
    return kept.last();
}

std::optional<QString> FakeUnsentClips::newest()
{
    if (kept.isEmpty())
        return std::nullopt;
    return kept.last();
}

void FakeUnsentClips::remove(const QString &path)
{
    m_journal << QStringLiteral("unsent.remove ") + name(path);
    kept.removeAll(path);
}

// ---- text ----

QString FakeTextRewriter::applyReplacements(const QString &text)
{
    m_journal << QStringLiteral("rewrite ") + text;
    return rewrites.value(text, text);
}

QCoro::Task<bool> FakeTextDelivery::pasteText(QString text)
{
    m_journal << QStringLiteral("paste ") + text;
    if (pasteFailure)
        throw FakeFailure(pasteFailure->toStdString());
    pasted << text;
    co_return true;
}

void FakeTextDelivery::copyToClipboard(const QString &text)
{
    m_journal << QStringLiteral("copy ") + text;
    copied << text;
}

QCoro::Task<bool> FakeTextDelivery::typeText(QString text)
{
    m_journal << QStringLiteral("type ") + text;
    if (holdTyping)
        co_await typing.take();
    if (typingRefused)
        co_return false;
    typed << text;
    co_return true;
}

// ---- history ----

void FakeHistory::add(const QString &text, const std::optional<QString> &originalText,
                      const std::optional<QString> &modelName)
{
    entries.append({text, originalText, modelName});
    m_journal << QStringLiteral("history.add ") + text;
}

// ---- timers ----

namespace {

class FakeTimer : public ControllerTimer {
public:
    explicit FakeTimer(std::shared_ptr<FakeTimerFactory::Record> record) : m_record(std::move(record)) {}
    ~FakeTimer() override { m_record->active = false; }

    void start(std::chrono::milliseconds interval, bool repeating, std::function<void()> onFire) override
    {
        m_record->active = true;
        m_record->interval = interval;
        m_record->repeating = repeating;
        m_record->onFire = std::move(onFire);
        ++m_record->starts;
    }
    void stop() override
    {
        m_record->active = false;
        ++m_record->stops;
    }

private:
    std::shared_ptr<FakeTimerFactory::Record> m_record;
};

} // namespace

std::unique_ptr<ControllerTimer> FakeTimerFactory::createTimer()
{
    m_records.push_back(std::make_shared<Record>());
    return std::make_unique<FakeTimer>(m_records.back());
}

bool FakeTimerFactory::fire(qsizetype index)
{
    const std::shared_ptr<Record> record = m_records.at(index);
    if (!record->active)
        return false;
    if (!record->repeating)
        record->active = false;
    const auto onFire = record->onFire; // the callback may restart the timer
    if (onFire)
        onFire();
    return true;
}

} // namespace parlix::test
