#pragma once
// The interactive update check's dialogs: checking (with Cancel), up to date, a new version with
// its release notes, and the error. Not modal, and one at a time: each replaces the previous.
#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

namespace parlix::ui {

struct UpdateOffer {
    QString version;
    QString runningVersion;
    // HTML or plain text, as the feed gives them; may be empty.
    QString releaseNotes;
    // Shown as a link when there are no notes.
    QUrl releaseNotesLink;
    // What "Download" opens.
    QUrl downloadUrl;
};

// Opens `url` in the desktop's browser when it is an http or https URL; anything else is refused.
bool openWebUrl(const QUrl &url);

class UpdateDialogs : public QObject {
    Q_OBJECT
public:
    enum class Kind { none, checking, upToDate, updateAvailable, error };

    explicit UpdateDialogs(QObject *parent = nullptr);
    ~UpdateDialogs() override;

    void showChecking();
    void showUpToDate(const QString &runningVersion);
    void showUpdateAvailable(const UpdateOffer &offer);
    void showError(const QString &message);
    // Closes the open dialog without reporting anything.
    void closeCurrent();

    // The dialog on screen now; none once it was closed.
    Kind currentKind() const;
    QDialog *currentDialog() const { return m_current; }

signals:
    // The checking dialog was cancelled (its button or its window's close button).
    void cancelRequested();

private:
    QDialog *newDialog(Kind kind, const QString &heading, const QString &text);

    QPointer<QDialog> m_current;
    Kind m_kind = Kind::none;
};

} // namespace parlix::ui
