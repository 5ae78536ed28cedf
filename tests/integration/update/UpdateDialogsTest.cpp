// The interactive check on screen (offscreen platform): which dialog each outcome opens, one at a
// time; Cancel aborts the request; Download and the notes' links open only web URLs; the release
// notes fetch nothing.
#include "ui/UpdateUi.h"
#include "update/UpdateController.h"

#include "LoopbackHttpServer.h"

#include <QApplication>
#include <QDesktopServices>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::update;
using parlix::ui::UpdateDialogs;
using parlix::ui::UpdateOffer;
using parlix::test::LoopbackHttpServer;
using Response = LoopbackHttpServer::Response;
using Kind = UpdateDialogs::Kind;

// Receives what QDesktopServices would hand to the browser.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

namespace {

QByteArray appcast(const QByteArray &version, const QByteArray &itemExtra = {})
{
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
           "<channel><item><sparkle:version>" + version + "</sparkle:version>" + itemExtra + "</item></channel></rss>";
}

QStringList labelTexts(const QWidget *dialog)
{
    QStringList texts;
    for (const QLabel *label : dialog->findChildren<QLabel *>())
        texts << label->text();
    return texts;
}

QPushButton *button(const QWidget *dialog, const QString &text)
{
    for (QPushButton *b : dialog->findChildren<QPushButton *>())
        if (b->text().remove(QLatin1Char('&')) == text)
            return b;
    return nullptr;
}

int visibleDialogs()
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += qobject_cast<QDialog *>(w) && w->isVisible();
    return n;
}

class UpdateDialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.isListening());
        ASSERT_TRUE(m_dir.isValid());
        for (const char *scheme : {"http", "https", "file", "ftp"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &m_browser, "open");
    }
    void TearDown() override
    {
        for (const char *scheme : {"http", "https", "file", "ftp"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }

    std::unique_ptr<UpdateController> makeUpdater()
    {
        UpdaterConfig c;
        c.feedUrl = m_server.url(QStringLiteral("/appcast.xml")).toString();
        c.runningVersion = QStringLiteral("1.0");
        c.lastCheckFile = m_dir.filePath(QStringLiteral("last-update-check"));
        c.firstCheckDelay = 48h;
        auto updater = std::make_unique<UpdateController>(c);
        connectUpdateDialogs(*updater, m_dialogs);
        return updater;
    }

    static bool runCheck(UpdateController &updater)
    {
        QSignalSpy finished(&updater, &UpdateController::checkFinished);
        updater.checkForUpdates();
        return finished.wait(20000);
    }

    LoopbackHttpServer m_server;
    QTemporaryDir m_dir;
    UpdateDialogs m_dialogs;
    UrlRecorder m_browser;
};

TEST_F(UpdateDialogsTest, EachOutcomeOpensItsDialogOneAtATime)
{
    const UpdateOffer offer{QStringLiteral("1.2 Final"), QStringLiteral("1.0"), QStringLiteral("<p>Faster start</p>"), {},
                            QUrl("https://example.org/parlix-1.2.tar.gz")};
    const struct {
        const char *name;
        std::function<void()> show;
        Kind kind;
        QStringList labels;
        QStringList buttons;
    } steps[] = {
        {"checking", [&] { m_dialogs.showChecking(); }, Kind::checking, {"Checking for updates…"}, {"Cancel"}},
        {"newer", [&] { m_dialogs.showUpdateAvailable(offer); }, Kind::updateAvailable,
         {"A new version of Parlix is available!",
          "Parlix 1.2 Final is now available—you have 1.0. Would you like to download it now?", "Release Notes:"},
         {"Remind Me Later", "Download"}},
        {"same", [&] { m_dialogs.showUpToDate(QStringLiteral("1.0")); }, Kind::upToDate,
         {"You're up to date!", "Parlix 1.0 is currently the newest version available."}, {"OK"}},
        {"error", [&] { m_dialogs.showError(QStringLiteral("The update feed is not valid XML")); }, Kind::error,
         {"Update Error!", "The update feed is not valid XML"}, {"OK"}},
    };
    for (const auto &step : steps) {
        step.show();
        ASSERT_EQ(m_dialogs.currentKind(), step.kind) << step.name;
        QDialog *dialog = m_dialogs.currentDialog();
        EXPECT_FALSE(dialog->isModal()) << step.name;
        EXPECT_EQ(visibleDialogs(), 1) << step.name;
        for (const QString &label : step.labels)
            EXPECT_TRUE(labelTexts(dialog).contains(label)) << step.name << ": " << labelTexts(dialog).join('|').toStdString();
        for (const QString &b : step.buttons)
            EXPECT_NE(button(dialog, b), nullptr) << step.name << " " << b.toStdString();
    }
    // Closing the last dialog leaves none.
    m_dialogs.currentDialog()->close();
    EXPECT_EQ(m_dialogs.currentKind(), Kind::none);
    EXPECT_EQ(visibleDialogs(), 0);
}

// What the updater does on a cancel is UpdateControllerTest's; here the dialog's Cancel and close
// button reach it, and the outcomes of a real check open their dialogs.
TEST_F(UpdateDialogsTest, TheCheckingDialogFollowsTheUpdater)
{
    auto updater = makeUpdater();
    Response hang;
    hang.action = Response::Action::hang;
    m_server.setResponse("/appcast.xml", hang);
    QSignalSpy arrived(&m_server, &LoopbackHttpServer::requestReceived);
    QSignalSpy finished(updater.get(), &UpdateController::checkFinished);
    for (const bool viaButton : {true, false}) {
        updater->checkForUpdates();
        ASSERT_TRUE(arrived.wait(20000));
        ASSERT_EQ(m_dialogs.currentKind(), Kind::checking);
        if (viaButton)
            button(m_dialogs.currentDialog(), QStringLiteral("Cancel"))->click();
        else
            m_dialogs.currentDialog()->close();
        EXPECT_EQ(finished.size(), viaButton ? 1 : 2);
        EXPECT_TRUE(updater->canCheckForUpdates());
        EXPECT_EQ(visibleDialogs(), 0);
    }
    const struct {
        Response response;
        Kind kind;
    } outcomes[] = {
        {Response::ok(appcast("1.2", "<sparkle:shortVersionString>1.2 Final</sparkle:shortVersionString>")), Kind::updateAvailable},
        {Response::ok(appcast("1.0")), Kind::upToDate},
        {Response::withStatus(404), Kind::error},
    };
    for (const auto &o : outcomes) {
        m_server.setResponse("/appcast.xml", o.response);
        ASSERT_TRUE(runCheck(*updater));
        EXPECT_EQ(m_dialogs.currentKind(), o.kind);
        EXPECT_EQ(visibleDialogs(), 1);
        if (o.kind == Kind::updateAvailable) // the version people know, not the build number
            EXPECT_TRUE(labelTexts(m_dialogs.currentDialog()).join(u'|').contains(QStringLiteral("Parlix 1.2 Final is now available")));
    }
}

TEST_F(UpdateDialogsTest, DownloadOpensOnlyWebUrls)
{
    const struct {
        const char *name;
        QUrl url;
        bool enabled;
    } cases[] = {
        {"https", QUrl("https://example.org/parlix-2.0.tar.gz"), true},
        {"http", QUrl("http://example.org/parlix-2.0.tar.gz"), true},
        {"file", QUrl("file:///usr/bin/parlix"), false},
        {"none", QUrl(), false},
    };
    for (const auto &c : cases) {
        m_browser.opened.clear();
        m_dialogs.showUpdateAvailable({QStringLiteral("2.0"), QStringLiteral("1.0"), QStringLiteral("notes"), {}, c.url});
        QPushButton *download = button(m_dialogs.currentDialog(), QStringLiteral("Download"));
        ASSERT_NE(download, nullptr) << c.name;
        EXPECT_EQ(download->isEnabled(), c.enabled) << c.name;
        download->click();
        EXPECT_EQ(m_browser.opened, c.enabled ? QList<QUrl>{c.url} : QList<QUrl>{}) << c.name;
        EXPECT_EQ(m_dialogs.currentKind(), c.enabled ? Kind::none : Kind::updateAvailable) << c.name;

        // Remind Me Later only closes.
        m_dialogs.showUpdateAvailable({QStringLiteral("2.0"), QStringLiteral("1.0"), QString(), {}, c.url});
        m_browser.opened.clear();
        button(m_dialogs.currentDialog(), QStringLiteral("Remind Me Later"))->click();
        EXPECT_TRUE(m_browser.opened.isEmpty()) << c.name;
        EXPECT_EQ(m_dialogs.currentKind(), Kind::none) << c.name;
    }
}

TEST_F(UpdateDialogsTest, ReleaseNotesFetchNothingAndOpenOnlyWebLinks)
{
    // A real image on disk and one on the loopback server: the notes show neither.
    const QString imagePath = m_dir.filePath(QStringLiteral("dot.png"));
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(imagePath));
    m_server.setResponse("/dot.png", Response::ok(QByteArray("png"), "image/png"));
    const QUrl local = QUrl::fromLocalFile(imagePath);
    const QUrl remote = m_server.url(QStringLiteral("/dot.png"));
    const QString html = QStringLiteral("<p>New</p><img src=\"%1\"><img src=\"%2\"><link rel=\"stylesheet\" href=\"%2\">"
                                        "<a href=\"https://example.org/changes\">changes</a>")
                             .arg(local.toString(), remote.toString());
    m_dialogs.showUpdateAvailable({QStringLiteral("2.0"), QStringLiteral("1.0"), html, {}, {}});
    auto *notes = m_dialogs.currentDialog()->findChild<QTextBrowser *>(QStringLiteral("releaseNotes"));
    ASSERT_NE(notes, nullptr);
    m_dialogs.currentDialog()->grab(); // lays the notes out, which is when images are asked for
    for (const QUrl &url : {local, remote}) {
        const QVariant loaded = notes->document()->resource(QTextDocument::ImageResource, url);
        EXPECT_TRUE(loaded.toByteArray().isEmpty()) << url.toString().toStdString();
        EXPECT_TRUE(loaded.value<QImage>().isNull()) << url.toString().toStdString();
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_server.requests().isEmpty());

    const struct {
        QUrl link;
        bool opened;
    } links[] = {
        {QUrl("https://example.org/changes"), true},
        {local, false},
        {QUrl("javascript:alert(1)"), false},
    };
    for (const auto &l : links) {
        m_browser.opened.clear();
        emit notes->anchorClicked(l.link);
        EXPECT_EQ(m_browser.opened, l.opened ? QList<QUrl>{l.link} : QList<QUrl>{}) << l.link.toString().toStdString();
        // Clicking a link never replaces the notes.
        EXPECT_TRUE(notes->toPlainText().startsWith(QStringLiteral("New"))) << l.link.toString().toStdString();
    }

    // Without notes, the release notes link is offered; plain-text notes stay plain.
    m_dialogs.showUpdateAvailable({QStringLiteral("2.0"), QStringLiteral("1.0"), QString(),
                                   QUrl("https://example.org/notes?v=2&x=<b>"), {}});
    notes = m_dialogs.currentDialog()->findChild<QTextBrowser *>(QStringLiteral("releaseNotes"));
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->toPlainText(), QStringLiteral("Read the release notes"));
    EXPECT_TRUE(notes->toHtml().contains(QStringLiteral("https://example.org/notes?v=2&amp;x=%3Cb%3E")));
    m_dialogs.showUpdateAvailable({QStringLiteral("2.0"), QStringLiteral("1.0"), QStringLiteral("a < b\nsecond line"), {}, {}});
    notes = m_dialogs.currentDialog()->findChild<QTextBrowser *>(QStringLiteral("releaseNotes"));
    EXPECT_EQ(notes->toPlainText(), QStringLiteral("a < b\nsecond line"));
    // Neither notes nor a link: no notes view at all.
    m_dialogs.showUpdateAvailable({QStringLiteral("2.0"), QStringLiteral("1.0"), QString(), QUrl("file:///etc/motd"), {}});
    EXPECT_EQ(m_dialogs.currentDialog()->findChild<QTextBrowser *>(), nullptr);
    EXPECT_EQ(visibleDialogs(), 1);
}

} // namespace

#include "UpdateDialogsTest.moc"
