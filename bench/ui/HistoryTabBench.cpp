// The History tab with 10 000 records: opening the settings window on it until its first paint,
// one keystroke of searching until the list has painted again (typing "quick" letter by letter
// and erasing it, so every step from all rows to few and back is measured), and "Clear All"
// from the confirmation's Delete until the store is empty and the file rewritten.
//
// Run offscreen (QT_QPA_PLATFORM=offscreen) or on an X server.
#include "FakeAudioInput.h"
#include "FakeGlobalShortcutBackend.h"
#include "MemoryKeyValueStore.h"
#include "audio/AudioRecorder.h"
#include "core/Files.h"
#include "core/SettingsModel.h"
#include "history/HistoryFile.h"
#include "history/HistoryStore.h"
#include "hotkey/HotkeyManager.h"
#include "ui/SettingsWindow.h"
#include "ui/settings/HistoryPage.h"
#include "ui/settings/SettingsPageServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace parlix;
using namespace parlix::test;

namespace {

constexpr int kRecords = 10000;

// Records of 3 to 60 words, a few models, one in ten with a different original text.
QByteArray historyFile()
{
    static const QStringList words = QStringLiteral("the quick brown fox jumps over a lazy dog while we talk about "
                                                    "meetings notes milk tomorrow project deadline review")
                                         .split(u' ');
    static const QStringList models{QStringLiteral("Base (English)"), QStringLiteral("Tiny"), QStringLiteral("Small")};
    QList<TranscriptItem> items;
    QDateTime when = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < kRecords; ++i) {
        QStringList text;
        for (int w = 0; w < 3 + (i * 7) % 58; ++w)
            text << words[(i + w * 3) % words.size()];
        const QString joined = text.join(u' ');
        items.append({QUuid::createUuid(), joined, i % 10 == 0 ? std::optional(joined + QStringLiteral(" period")) : std::nullopt,
                      when, models[i % 3]});
        when = when.addSecs(-97);
    }
    return historyfile::encode(items);
}

struct Services {
    Services()
    {
        recorder.setTemporaryDirectory(dir.path());
        files::writeAtomically(path(), historyFile());
        history = std::make_unique<HistoryStore>(settings, path());
    }
    QString path() const { return dir.filePath(QStringLiteral("history.json")); }
    ui::SettingsPageServices pages()
    {
        return {settings, hotkey, recorder, input, [this]() -> HistoryStore & { return *history; }};
    }

    QTemporaryDir dir;
    MemoryKeyValueStore store;
    SettingsModel settings{store};
    FakeGlobalShortcutBackend backend;
    HotkeyManager hotkey{settings, backend};
    FakeAudioInput input;
    AudioRecorder recorder{input, settings};
    std::unique_ptr<HistoryStore> history;
};

class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget *watched) : m_watched(watched) { qApp->installEventFilter(this); }
    ~PaintWatch() override { qApp->removeEventFilter(this); }
    void wait()
    {
        while (!m_painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        m_painted = false;
    }

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && o->isWidgetType()
            && (o == m_watched || m_watched->isAncestorOf(static_cast<QWidget *>(o))))
            m_painted = true;
        return false;
    }

private:
    QWidget *m_watched;
    bool m_painted = false;
};

ui::HistoryPage *openHistory(ui::SettingsWindowHost &host)
{
    host.openSettingsToTab(SettingsTab::history);
    return qobject_cast<ui::HistoryPage *>(host.settingsWindow()->tabView()->currentWidget());
}

void BM_OpenHistoryTab(benchmark::State &state)
{
    Services s;
    const ui::SettingsPageServices pages = s.pages();
    double complete = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        ui::SettingsWindowHost host([pages](SettingsTab t) { return ui::buildSettingsPage(t, pages); });
        ui::HistoryPage *page = openHistory(host);
        PaintWatch(page->list()->viewport()).wait();
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        // Until every row is measured and the scroll range is complete.
        while (page->list()->verticalScrollBar()->maximum() < kRecords * 20)
            QCoreApplication::processEvents();
        complete = std::max(complete, timer.nsecsElapsed() / 1e6);
        host.settingsWindow()->hide();
    }
    state.counters["records"] = kRecords;
    state.counters["all_rows_max_ms"] = complete;
}
BENCHMARK(BM_OpenHistoryTab)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_SearchKeystroke(benchmark::State &state)
{
    Services s;
    const ui::SettingsPageServices pages = s.pages();
    ui::SettingsWindowHost host([pages](SettingsTab t) { return ui::buildSettingsPage(t, pages); });
    ui::HistoryPage *page = openHistory(host);
    // The user starts typing half a second after the tab opened.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        QCoreApplication::processEvents();
    const QString word = QStringLiteral("quick");
    QStringList steps;
    for (qsizetype n = 1; n <= word.size(); ++n)
        steps << word.left(n);
    for (qsizetype n = word.size() - 1; n >= 0; --n)
        steps << word.left(n);
    qsizetype step = 0;
    PaintWatch watch(page);
    double first = 0, slowest = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        page->searchField()->setText(steps[step++ % steps.size()]);
        watch.wait();
        const double seconds = timer.nsecsElapsed() / 1e9;
        state.SetIterationTime(seconds);
        first = first > 0 ? first : seconds;
        slowest = std::max(slowest, seconds);
    }
    state.counters["first_ms"] = first * 1e3;
    state.counters["max_ms"] = slowest * 1e3;
}
BENCHMARK(BM_SearchKeystroke)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

void BM_ClearAll(benchmark::State &state)
{
    std::unique_ptr<ui::SettingsWindowHost> host;
    std::unique_ptr<Services> s;
    for (auto _ : state) {
        state.PauseTiming();
        host.reset();
        s = std::make_unique<Services>();
        host = std::make_unique<ui::SettingsWindowHost>([pages = s->pages()](SettingsTab t) { return ui::buildSettingsPage(t, pages); });
        ui::HistoryPage *page = openHistory(*host);
        QCoreApplication::processEvents();
        QMessageBox *confirm = page->confirmClearAll();
        QAbstractButton *remove = nullptr;
        for (QAbstractButton *b : confirm->buttons())
            if (confirm->buttonRole(b) == QMessageBox::DestructiveRole)
                remove = b;
        state.ResumeTiming();
        remove->click();
        if (!s->history->items().isEmpty())
            state.SkipWithError("records left");
    }
    host.reset();
}
BENCHMARK(BM_ClearAll)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
