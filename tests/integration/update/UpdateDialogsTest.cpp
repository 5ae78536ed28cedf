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

// What the updater does on a cancel is UpdateControllerTest's; here the dialog's Cancel and close
// button reach it, and the outcomes of a real check open their dialogs.
TEST_F(UpdateDialogsTest, TheCheckingDialogFollowsTheUpdater)
{
    auto updater = makeUpdater();
    Response hang;
    hang.hang = true;
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
        EXPECT_FALSE(m_dialogs.currentDialog()->isModal());
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
    }
    // Remind Me Later only closes.
    m_browser.opened.clear();
    button(m_dialogs.currentDialog(), QStringLiteral("Remind Me Later"))->click();
    EXPECT_TRUE(m_browser.opened.isEmpty());
    EXPECT_EQ(m_dialogs.currentKind(), Kind::none);
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
