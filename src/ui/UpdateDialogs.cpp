#include "ui/UpdateDialogs.h"

#include "core/Categories.h"
#include "core/Log.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

namespace parlix::ui {

namespace {

// Release notes come from the network: they may show text and links, but fetch nothing, neither
// remote images nor local files named by the feed.
class ReleaseNotesView : public QTextBrowser {
public:
    explicit ReleaseNotesView(QWidget *parent)
        : QTextBrowser(parent)
    {
        setOpenLinks(false);
        connect(this, &QTextBrowser::anchorClicked, this, [](const QUrl &url) { openWebUrl(url); });
    }

    // Empty, not null: for a null answer the document would read local files itself.
    QVariant loadResource(int, const QUrl &) override { return QByteArray(); }
};

bool isWebUrl(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

} // namespace

bool openWebUrl(const QUrl &url)
{
    if (!isWebUrl(url)) {
        log::error(lcUpdate, "Not opening %s: only http and https links are opened", url.toString());
        return false;
    }
    return QDesktopServices::openUrl(url);
}

UpdateDialogs::UpdateDialogs(QObject *parent)
    : QObject(parent)
{
}

UpdateDialogs::~UpdateDialogs()
{
    closeCurrent();
}

UpdateDialogs::Kind UpdateDialogs::currentKind() const
{
    return m_current && m_current->isVisible() ? m_kind : Kind::none;
}

void UpdateDialogs::closeCurrent()
{
    if (!m_current)
        return;
    QDialog *dialog = m_current;
    m_current = nullptr;
    m_kind = Kind::none;
    // Closing rejects the dialog; that is not the user cancelling.
    dialog->disconnect(this);
    dialog->close();
}

QDialog *UpdateDialogs::newDialog(Kind kind, const QString &heading, const QString &text)
{
    closeCurrent();
    auto *dialog = new QDialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("Software Update"));
    dialog->setMinimumWidth(420);
    auto *layout = new QVBoxLayout(dialog);
    auto *title = new QLabel(heading, dialog);
    QFont font = title->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    title->setFont(font);
    layout->addWidget(title);
    if (!text.isEmpty()) {
        auto *body = new QLabel(text, dialog);
        body->setWordWrap(true);
        body->setTextFormat(Qt::PlainText);
        layout->addWidget(body);
    }
    m_current = dialog;
    m_kind = kind;
    return dialog;
}

void UpdateDialogs::showChecking()
{
    QDialog *dialog = newDialog(Kind::checking, tr("Checking for updates…"), QString());
    auto *progress = new QProgressBar(dialog);
    progress->setRange(0, 0);
    progress->setTextVisible(false);
    dialog->layout()->addWidget(progress);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, dialog);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    dialog->layout()->addWidget(buttons);
    // Escape and the window's close button reject too.
    connect(dialog, &QDialog::rejected, this, [this] {
        m_current = nullptr;
        m_kind = Kind::none;
        emit cancelRequested();
    });
    dialog->show();
}

void UpdateDialogs::showUpToDate(const QString &runningVersion)
{
    QDialog *dialog = newDialog(Kind::upToDate, tr("You're up to date!"),
                                tr("Parlix %1 is currently the newest version available.").arg(runningVersion));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    dialog->layout()->addWidget(buttons);
    dialog->show();
}

void UpdateDialogs::showUpdateAvailable(const UpdateOffer &offer)
{
    QDialog *dialog = newDialog(
        Kind::updateAvailable, tr("A new version of Parlix is available!"),
        tr("Parlix %1 is now available—you have %2. Would you like to download it now?")
            .arg(offer.version, offer.runningVersion));
    auto *layout = static_cast<QVBoxLayout *>(dialog->layout());
    if (!offer.releaseNotes.isEmpty() || isWebUrl(offer.releaseNotesLink)) {
        layout->addWidget(new QLabel(tr("Release Notes:"), dialog));
        auto *notes = new ReleaseNotesView(dialog);
        notes->setObjectName(QStringLiteral("releaseNotes"));
        if (offer.releaseNotes.isEmpty())
            notes->setHtml(tr("<a href=\"%1\">Read the release notes</a>")
                               .arg(offer.releaseNotesLink.toString(QUrl::FullyEncoded).toHtmlEscaped()));
        else if (Qt::mightBeRichText(offer.releaseNotes))
            notes->setHtml(offer.releaseNotes);
        else
            notes->setPlainText(offer.releaseNotes);
        layout->addWidget(notes, 1);
    }
    auto *buttons = new QDialogButtonBox(dialog);
    buttons->addButton(tr("Remind Me Later"), QDialogButtonBox::RejectRole);
    QPushButton *download = buttons->addButton(tr("Download"), QDialogButtonBox::AcceptRole);
    download->setDefault(true);
    download->setEnabled(isWebUrl(offer.downloadUrl));
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, dialog, [dialog, url = offer.downloadUrl] {
        openWebUrl(url);
        dialog->accept();
    });
    layout->addWidget(buttons);
    dialog->resize(520, 420);
    dialog->show();
}

void UpdateDialogs::showError(const QString &message)
{
    QDialog *dialog = newDialog(Kind::error, tr("Update Error!"), message);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    dialog->layout()->addWidget(buttons);
    dialog->show();
}

} // namespace parlix::ui
