#pragma once
// Test doubles for the dictation controller's services. Each records its calls in its own lists
// and, in order, in one shared journal, so tests can check both what was called and in what order.
// Any awaited operation can be held: the caller stays suspended until the test releases it.
#include "controller/DictationServices.h"

#include <QMap>
#include <QStringList>

#include <coroutine>
#include <deque>
#include <memory>
#include <stdexcept>

namespace parlix::test {

// The failure a fake throws; its what() is the description the controller logs.
struct FakeFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One suspended operation, resumed by release().
class Hold {
public:
    struct Awaiter {
        Hold *hold;
        bool await_ready() const noexcept { return hold->m_released; }
        void await_suspend(std::coroutine_handle<> waiter) noexcept { hold->m_waiter = waiter; }
        void await_resume() const noexcept {}
    };
    Awaiter operator co_await() { return {this}; }
    bool isWaiting() const { return bool(m_waiter); }
    void release();

private:
    bool m_released = false;
    std::coroutine_handle<> m_waiter;
};

// Holds created by a fake, released by the test in the order they were taken.
class HoldQueue {
public:
    Hold &take();
    qsizetype waiting() const;
    // Resumes the oldest waiting operation; false when none waits.
    bool releaseNext();

private:
    std::deque<std::unique_ptr<Hold>> m_holds;
};

class FakeClipRecorder : public ClipRecorder {
public:
    explicit FakeClipRecorder(QStringList &journal) : m_journal(journal) {}

    QCoro::Task<QString> startRecording() override;
    std::optional<QString> stopRecording() override;
    void deleteRecording(const QString &path) override;
    void setSilenceHandler(std::function<void()> handler) override { silenceHandler = std::move(handler); }
    void setInterruptionHandler(std::function<void(const QString &)> handler) override { interruptionHandler = std::move(handler); }

    // What the next start does.
    bool holdStart = false;
    std::optional<QString> startFailure;
    QString clipPath = QStringLiteral("/tmp/parlix_clip.wav");
    // stopRecording() hands back no file.
    bool stopWithoutFile = false;

    HoldQueue starts;
    int startCalls = 0;
    int stopCalls = 0;
    bool recording = false;
    QStringList deleted;
    std::function<void()> silenceHandler;
    std::function<void(const QString &)> interruptionHandler;

private:
    QStringList &m_journal;
};

class FakeLiveCapture : public LiveCapture {
public:
    explicit FakeLiveCapture(QStringList &journal) : m_journal(journal) {}

    QCoro::Task<> startRecording() override;
    std::optional<QString> extractChunk() override;
    std::optional<QString> extractFinalChunk() override;
    void deleteChunk(const QString &path) override;
    void stopRecording() override;
    void setSilenceHandler(std::function<void()> handler) override { silenceHandler = std::move(handler); }
    void setInterruptionHandler(std::function<void(const QString &)> handler) override { interruptionHandler = std::move(handler); }

    bool holdStart = false;
    std::optional<QString> startFailure;
    // Answers of successive extractChunk() calls; nothing once they run out.
    std::deque<std::optional<QString>> chunks;
    std::optional<QString> finalChunk;

    HoldQueue starts;
    int startCalls = 0;
    int stopCalls = 0;
    int extractCalls = 0;
    int finalExtractCalls = 0;
    QStringList deleted;
    std::function<void()> silenceHandler;
    std::function<void(const QString &)> interruptionHandler;

private:
    QStringList &m_journal;
};

class FakeTranscriber : public Transcriber {
public:
    explicit FakeTranscriber(QStringList &journal) : m_journal(journal) {}

    QCoro::Task<QString> transcribe(QString audioPath, std::optional<QString> prompt) override;
    // Journalled; like a hung engine, a held call goes on waiting.
    void cancel() override;

    struct Outcome {
        QString text;
        std::optional<QString> failure;
    };
    struct Call {
        QString audioPath;
        std::optional<QString> prompt;
    };
    // By audio path; a path without an outcome fails the test.
    QMap<QString, Outcome> outcomes;
    void succeed(const QString &path, const QString &text) { outcomes.insert(path, {text, std::nullopt}); }
    void fail(const QString &path, const QString &description) { outcomes.insert(path, {QString(), description}); }

    bool holdCalls = false;
    HoldQueue pending;
    QList<Call> calls;
    int cancelCalls = 0;

private:
    QStringList &m_journal;
};

// Kept recordings live under "/unsent/" (nothing touches the disk).
class FakeUnsentClips : public UnsentClips {
public:
    explicit FakeUnsentClips(QStringList &journal) : m_journal(journal) {}
    std::optional<QString> keep(const QString &path) override;
    std::optional<QString> newest() override;
    bool contains(const QString &path) override { return kept.contains(path); }
    void remove(const QString &path) override;

    static QString keptPath(const QString &path);
    // Oldest first.
    QStringList kept;

private:
    QStringList &m_journal;
};

class FakeTextRewriter : public TextRewriter {
public:
    explicit FakeTextRewriter(QStringList &journal) : m_journal(journal) {}
    QString applyReplacements(const QString &text) override;

    // Input → output; other input comes back unchanged.
    QMap<QString, QString> rewrites;

private:
    QStringList &m_journal;
};

class FakeTextDelivery : public TextDelivery {
public:
    explicit FakeTextDelivery(QStringList &journal) : m_journal(journal) {}

    QCoro::Task<bool> pasteText(QString text) override;
    void copyToClipboard(const QString &text) override;
    QCoro::Task<bool> typeText(QString text) override;

    std::optional<QString> pasteFailure;
    // typeText answers false: no key reaches other applications.
    bool typingRefused = false;
    bool holdTyping = false;
    HoldQueue typing;
    QStringList pasted;
    QStringList copied;
    QStringList typed;

private:
    QStringList &m_journal;
};

class FakeHistory : public TranscriptHistory {
public:
    explicit FakeHistory(QStringList &journal) : m_journal(journal) {}
    void add(const QString &text, const std::optional<QString> &originalText,
             const std::optional<QString> &modelName) override;

    struct Entry {
        QString text;
        std::optional<QString> originalText;
        std::optional<QString> modelName;
    };
    QList<Entry> entries;

private:
    QStringList &m_journal;
};

class FakeHotkey : public HotkeyRegistration {
public:
    void setHandlers(std::function<void()> onPressed, std::function<void()> onReleased) override
    {
        pressed = std::move(onPressed);
        released = std::move(onReleased);
    }
    void registerHotkey() override { ++registerCalls; }

    // What the platform does on a key event; false when no handler is installed.
    bool press() { return pressed && (pressed(), true); }
    bool release() { return released && (released(), true); }

    std::function<void()> pressed;
    std::function<void()> released;
    int registerCalls = 0;
};

// Timers fired by hand. Records outlive the timers so a test can look at a timer the code
// under test has already stopped.
class FakeTimerFactory : public TimerFactory {
public:
    struct Record {
        bool active = false;
        std::chrono::milliseconds interval{0};
        bool repeating = false;
        int starts = 0;
        int stops = 0;
        std::function<void()> onFire;
    };

    std::unique_ptr<ControllerTimer> createTimer() override;

    // Runs the timer's callback as its interval elapsing would; false when it is not running.
    bool fire(qsizetype index);
    const Record &record(qsizetype index) const { return *m_records.at(index); }

private:
    std::vector<std::shared_ptr<Record>> m_records;
};

} // namespace parlix::test
