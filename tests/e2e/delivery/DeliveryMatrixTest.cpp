// The applications people dictate into, as installed, on a private X server with a window
// manager: a sentence with ASCII, Latin accents, an em dash, CJK and a symbol is pasted and typed
// into each and read back the application's own way (a terminal's `cat` writing a file, a
// dialog's standard output after Return, a browser's title mirroring its textarea). The clipboard
// holds what it held before afterwards.
#include "DeliveryTarget.h"
#include "WindowTitle.h"
#include "XSession.h"
#include "core/Coro.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11KeyInjector.h"
#include "platform/x11/X11WindowSystem.h"
#include "text/PasteManager.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::test;

namespace {

XSession *g_session = nullptr;

const QString sentence = QStringLiteral("Grüße aus Köln, naïve café — 東京 ✓ ok!");

enum class ReadBack { terminalFile, standardOutput, windowTitle, qtTarget };

struct App {
    const char *name;
    QString program;
    QStringList arguments; // {file} and {dir} are replaced
    QString identifier;    // WM_CLASS class of its window
    ReadBack readBack;
};

// CTest lists each case with its parameter: the application's name, not its bytes.
void PrintTo(const App &app, std::ostream *os) { *os << app.name; }

// A browser shows its window and title before its page takes keys: the title turns from "ready"
// to "armed" at the first Shift the page receives, and only then does the test deliver.
const char page[] = R"(<!doctype html><meta charset="utf-8"><title>ready</title>
<body><textarea autofocus oninput="document.title = this.value"
 onkeydown="if (event.key === 'Shift' && document.title === 'ready') document.title = 'armed'"></textarea>
<script>document.querySelector('textarea').focus()</script>)";

const App apps[] = {
    {"xterm", "xterm", {"-e", "sh", "-c", "stty -echo; cat > '{file}'"}, "XTerm", ReadBack::terminalFile},
    {"urxvt", "urxvt", {"-e", "sh", "-c", "stty -echo; cat > '{file}'"}, "URxvt", ReadBack::terminalFile},
    {"xfce4_terminal", "xfce4-terminal", {"--disable-server", "-x", "sh", "-c", "stty -echo; cat > '{file}'"}, "Xfce4-terminal",
     ReadBack::terminalFile},
    {"zenity", "zenity", {"--entry", "--text", "Say"}, "Zenity", ReadBack::standardOutput},
    {"kdialog", "kdialog", {"--inputbox", "Say"}, "kdialog", ReadBack::standardOutput},
    {"chromium", "chromium", {"--no-sandbox", "--no-first-run", "--disable-gpu", "--password-store=basic", "--user-data-dir={dir}",
                              "--app=file://{dir}/page.html"}, "Chromium", ReadBack::windowTitle},
    {"firefox", "firefox-esr", {"--no-remote", "--new-instance", "--profile", "{dir}", "file://{dir}/page.html"}, "firefox-esr",
     ReadBack::windowTitle},
    {"qt6_target", "", {}, "DeliveryTarget", ReadBack::qtTarget},
};

// One run of an application: started, in front with the focus, then read back.
class AppRun {
public:
    AppRun(const App &app, X11WindowSystem &windows)
        : m_app(app)
    {
        m_file = m_dir.filePath(QStringLiteral("received.txt"));
        if (app.readBack == ReadBack::qtTarget) {
            m_target = std::make_unique<DeliveryTarget>();
            m_ready = m_target->isRunning();
            return;
        }
        QFile html(m_dir.filePath(QStringLiteral("page.html")));
        if (!html.open(QIODevice::WriteOnly) || html.write(page) < 0)
            return;
        html.close();
        QFile prefs(m_dir.filePath(QStringLiteral("user.js")));
        if (prefs.open(QIODevice::WriteOnly))
            prefs.write("user_pref(\"browser.aboutwelcome.enabled\", false);\n"
                        "user_pref(\"datareporting.policy.dataSubmissionEnabled\", false);\n"
                        "user_pref(\"browser.startup.homepage_override.mstone\", \"ignore\");\n");
        QStringList arguments;
        for (QString argument : app.arguments)
            arguments << argument.replace(QStringLiteral("{file}"), m_file).replace(QStringLiteral("{dir}"), m_dir.path());
        QProcessEnvironment environment = g_session->environment();
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        environment.insert(QStringLiteral("HOME"), m_dir.path());
        m_process.setProcessEnvironment(environment);
        m_process.start(app.program, arguments);
        QElapsedTimer sinceProbe;
        m_ready = waitUntil([&] {
            const std::optional<RunningApplication> front = windows.frontmostApplication();
            if (!front || front->identifier != app.identifier || !windows.hasInputFocus(*front))
                return false;
            m_window = front->window;
            if (app.readBack != ReadBack::windowTitle || windowTitle(m_window).startsWith(QStringLiteral("armed")))
                return true;
            if (!sinceProbe.isValid() || sinceProbe.elapsed() > 200) {
                g_session->run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("shift")});
                sinceProbe.start();
            }
            return false;
        }, 60000);
    }
    ~AppRun()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    bool isReady() const { return m_ready; }

    // What the application received, once it holds `expected` or the wait ran out.
    QString readBack(const QString &expected)
    {
        if (m_app.readBack == ReadBack::terminalFile || m_app.readBack == ReadBack::standardOutput)
            g_session->run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
        QString got;
        const auto read = [&] {
            switch (m_app.readBack) {
            case ReadBack::terminalFile: {
                QFile in(m_file);
                got = in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.readAll()) : QString();
                got.chop(got.endsWith('\n') ? 1 : 0); // the Return that ended the line
                break;
            }
            case ReadBack::standardOutput:
                m_output += m_process.readAllStandardOutput();
                got = QString::fromUtf8(m_output);
                got.chop(got.endsWith('\n') ? 1 : 0);
                break;
            case ReadBack::windowTitle:
                // Firefox adds its own name after the page's title.
                got = windowTitle(m_window).remove(QStringLiteral(" — Mozilla Firefox"));
                break;
            case ReadBack::qtTarget:
                got = QString::fromUtf8(m_target->received());
                break;
            }
            return got == expected;
        };
        waitUntil(read, 10000);
        return got;
    }

private:
    const App &m_app;
    QTemporaryDir m_dir;
    QString m_file;
    QProcess m_process;
    QByteArray m_output;
    std::unique_ptr<DeliveryTarget> m_target;
    quint64 m_window = 0;
    bool m_ready = false;
};

class DeliveryMatrix : public ::testing::TestWithParam<App> {};

} // namespace

TEST_P(DeliveryMatrix, PastedAndTypedTextArrivesExactlyAndTheClipboardComesBack)
{
    X11Clipboard clipboard;
    X11KeyInjector keys;
    X11WindowSystem windows;
    PasteManager paste{clipboard, keys, windows};
    for (const bool typed : {false, true}) {
        SCOPED_TRACE(typed ? "typed" : "pasted");
        AppRun run(GetParam(), windows);
        ASSERT_TRUE(run.isReady()) << GetParam().name << " did not come up with the focus";
        ASSERT_TRUE(coro::waitFor(clipboard.putText(QStringLiteral("what the user copied"), Clipboard::Selection::clipboard)));

        EXPECT_TRUE(coro::waitFor(typed ? paste.typeText(sentence) : paste.pasteText(sentence)));
        EXPECT_EQ(run.readBack(sentence).toStdString(), sentence.toStdString());
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("what the user copied"));
    }
}

INSTANTIATE_TEST_SUITE_P(Applications, DeliveryMatrix, ::testing::ValuesIn(apps),
                         [](const ::testing::TestParamInfo<App> &info) { return std::string(info.param.name); });

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    XSession session(XSession::Options{.windowManager = true});
    if (!session.isRunning()) {
        std::fprintf(stderr, "no X session: %s\n", qPrintable(session.error()));
        return 1;
    }
    session.exportDisplay();
    g_session = &session;
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
