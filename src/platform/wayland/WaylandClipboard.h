#pragma once
// The clipboard through the wlroots data control protocol: read, set and put back the selection
// without a focused surface (a background app never has one). When we hold the selection, the
// compositor forwards each paste to us as a request to write one format into a pipe.
#include "platform/Clipboard.h"

#include <QHash>
#include <QObject>

#include <memory>

struct zwlr_data_control_device_v1;
struct zwlr_data_control_offer_v1;
struct zwlr_data_control_source_v1;

namespace parlix {

class WaylandConnection;

class WaylandClipboard : public QObject, public Clipboard {
    Q_OBJECT
public:
    // Longest wait for one format of another client's selection, and for a reader to take ours.
    static constexpr std::chrono::milliseconds transferLimit{1000};
    // A reader is done once it has read and then asked nothing more for this long (a target may
    // ask for a second format right after the first).
    static constexpr std::chrono::milliseconds readerQuiet{100};
    // The formats plain text is offered in: MIME types, and the X11 names XWayland clients ask for.
    static const QStringList textFormats;

    explicit WaylandClipboard(WaylandConnection &connection);
    ~WaylandClipboard() override;

    // Whether the compositor offers data control (and so this clipboard works at all).
    bool isAvailable() const { return m_device != nullptr; }

    QCoro::Task<ClipboardContents> save(Selection selection) override;
    QCoro::Task<> restore(ClipboardContents contents, Selection selection) override;
    QCoro::Task<bool> putText(QString text, Selection selection) override;
    void expectRead() override;
    // Wayland does not tell which client reads: every read counts, and `window` is unused.
    QCoro::Task<bool> waitUntilRead(quint64 window, std::chrono::milliseconds bound) override;
    bool setText(const QString &text) override;

signals:
    // A transfer of our data started or ended.
    void transfersChanged();

private:
    struct Offer {
        QStringList formats;
    };
    struct Source;

    static void onDataOffer(void *data, zwlr_data_control_device_v1 *device, zwlr_data_control_offer_v1 *offer);
    static void onSelection(void *data, zwlr_data_control_device_v1 *device, zwlr_data_control_offer_v1 *offer);
    static void onPrimarySelection(void *data, zwlr_data_control_device_v1 *device, zwlr_data_control_offer_v1 *offer);
    static void onFinished(void *data, zwlr_data_control_device_v1 *device);
    void replaceOffer(zwlr_data_control_offer_v1 *&current, zwlr_data_control_offer_v1 *offer);

    bool supports(Selection selection) const;
    // Makes `contents` the selection; the source answers requests until another client takes
    // the selection. Null when there is no data control.
    zwlr_data_control_source_v1 *offer(const ClipboardContents &contents, Selection selection);
    void serve(Source &source, const QString &format, int fd);
    QCoro::Task<> write(int fd, QByteArray bytes, bool counted);

    WaylandConnection &m_connection;
    zwlr_data_control_device_v1 *m_device = nullptr;
    QHash<zwlr_data_control_offer_v1 *, Offer> m_offers;
    zwlr_data_control_offer_v1 *m_selection = nullptr;
    zwlr_data_control_offer_v1 *m_primary = nullptr;
    QHash<zwlr_data_control_source_v1 *, std::shared_ptr<Source>> m_sources;
    // The source putText made last, whose reads waitUntilRead counts.
    zwlr_data_control_source_v1 *m_pasteSource = nullptr;
    bool m_counting = false;
    int m_readsDone = 0;
    int m_writesRunning = 0;
};

} // namespace parlix
