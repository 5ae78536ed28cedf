#include "ui/settings/history/HistoryItemDelegate.h"

#include "history/HistoryStore.h"
#include "ui/settings/history/HistoryListModel.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace parlix::ui {

namespace {

constexpr int kPadX = 8;
constexpr int kPadY = 6;
constexpr int kGap = 4;
constexpr int kHeaderGap = 8;
constexpr int kMaxLines = 3;

QFont captionFont(const QFont &base, qreal scale = 0.85)
{
    QFont f = base;
    f.setPointSizeF(base.pointSizeF() * scale);
    return f;
}

// Word widths, measured once per font: records repeat their words, and measuring whole texts
// again for every row of a long history is what makes a list slow to open.
class WordWidths {
public:
    explicit WordWidths(const QFont &font) : m_metrics(font), m_space(m_metrics.horizontalAdvance(QLatin1Char(' '))) {}
    int space() const { return m_space; }
    const QFontMetrics &metrics() const { return m_metrics; }
    int of(const QString &word)
    {
        auto found = m_widths.constFind(word);
        if (found == m_widths.constEnd())
            found = m_widths.insert(word, m_metrics.horizontalAdvance(word));
        return *found;
    }

private:
    QFontMetrics m_metrics;
    int m_space;
    QHash<QString, int> m_widths;
};

WordWidths &widthsFor(const QFont &font)
{
    static std::unique_ptr<WordWidths> widths;
    static QFont measured;
    if (!widths || measured != font) {
        widths = std::make_unique<WordWidths>(font);
        measured = font;
    }
    return *widths;
}

// The text broken at spaces and line breaks into lines of `width`, at most three; the last one
// ends with an ellipsis when more follows. A word longer than a line is cut where it must.
QStringList wrappedLines(const QString &text, const QFont &font, int width)
{
    WordWidths &widths = widthsFor(font);
    QStringList lines;
    bool more = false;
    const auto push = [&](const QString &line) {
        if (lines.size() == kMaxLines)
            more = true;
        else
            lines.append(line);
    };
    for (const QString &paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        int used = 0;
        for (QString word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (more)
                break;
            int w = widths.of(word);
            if (!line.isEmpty() && used + widths.space() + w <= width) {
                line += QLatin1Char(' ') + word;
                used += widths.space() + w;
                continue;
            }
            if (!line.isEmpty())
                push(line);
            while (w > width && word.size() > 1) {
                qsizetype fits = word.size() - 1;
                while (fits > 1 && widths.metrics().horizontalAdvance(word.left(fits)) > width)
                    --fits;
                push(word.left(fits));
                word = word.mid(fits);
                w = widths.metrics().horizontalAdvance(word);
            }
            line = word;
            used = w;
        }
        push(line);
        if (more)
            break;
    }
    if (more)
        lines.last() = widths.metrics().elidedText(lines.last() + QChar(0x2026), Qt::ElideRight, width);
    return lines;
}

// The row in the history model of an index of the view's model (the filter in front of it).
int sourceRow(const QModelIndex &index)
{
    if (const auto *proxy = qobject_cast<const QAbstractProxyModel *>(index.model()))
        return proxy->mapToSource(index).row();
    return index.row();
}

} // namespace

HistoryItemDelegate::HistoryItemDelegate(HistoryListModel &model, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_model(model)
{
}

QString HistoryItemDelegate::switchLabel(bool showsOriginal)
{
    return showsOriginal ? tr("✓ Original") : tr("≡ Formatted");
}

QString HistoryItemDelegate::wordsText(qsizetype count)
{
    return count == 1 ? tr("1 word") : tr("%1 words").arg(count);
}

QString HistoryItemDelegate::switchToolTip(bool showsOriginal)
{
    return showsOriginal ? tr("Showing original (pre-formatting)") : tr("Showing formatted text");
}

HistoryItemDelegate::Header HistoryItemDelegate::header(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const TranscriptItem &record = m_model.item(sourceRow(index));
    const QFontMetrics caption(captionFont(option.font));
    const QFontMetrics small(captionFont(option.font, 0.8));
    const int top = option.rect.top() + kPadY;
    const int height = caption.height();
    int right = option.rect.right() - kPadX;
    Header h;
    const int wordsWidth = caption.horizontalAdvance(wordsText(record.wordCount()));
    h.words = QRect(right - wordsWidth, top, wordsWidth, height);
    right = h.words.left() - kHeaderGap;
    if (record.modelName) {
        const int width = small.horizontalAdvance(*record.modelName) + 12;
        h.badge = QRect(right - width, top, width, height);
        right = h.badge.left() - kHeaderGap;
    }
    if (HistoryListModel::hasDistinctOriginal(record)) {
        const int width = small.horizontalAdvance(switchLabel(m_model.showsOriginal(record.id))) + 4;
        h.toggle = QRect(right - width, top, width, height);
        right = h.toggle.left() - kHeaderGap;
    }
    h.time = QRect(option.rect.left() + kPadX, top, std::max(0, right - option.rect.left() - kPadX), height);
    return h;
}

QRect HistoryItemDelegate::switchRect(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    return header(option, index).toggle;
}

void HistoryItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, opt.widget);

    const TranscriptItem &record = m_model.item(sourceRow(index));
    const bool selected = opt.state & QStyle::State_Selected;
    const QPalette &pal = opt.palette;
    const QColor ink = pal.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QColor secondary = selected ? ink : pal.color(QPalette::PlaceholderText);
    const QColor accent = selected ? ink : pal.color(QPalette::Link);
    const Header h = header(opt, index);

    painter->save();
    const QFont caption = captionFont(opt.font);
    const QFont small = captionFont(opt.font, 0.8);
    painter->setFont(caption);
    painter->setPen(secondary);
    painter->drawText(h.time, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(caption).elidedText(m_model.detailedTimestamp(sourceRow(index)), Qt::ElideRight, h.time.width()));
    painter->drawText(h.words, Qt::AlignRight | Qt::AlignVCenter, wordsText(record.wordCount()));
    painter->setFont(small);
    if (!h.toggle.isEmpty()) {
        painter->setPen(accent);
        painter->drawText(h.toggle, Qt::AlignCenter, switchLabel(m_model.showsOriginal(record.id)));
    }
    if (!h.badge.isEmpty()) {
        QColor fill = secondary;
        fill.setAlphaF(0.1f);
        painter->setRenderHint(QPainter::Antialiasing);
        QPainterPath box;
        box.addRoundedRect(QRectF(h.badge), 4, 4);
        painter->fillPath(box, fill);
        painter->setPen(ink);
        painter->drawText(h.badge, Qt::AlignCenter, *record.modelName);
    }

    painter->setFont(opt.font);
    painter->setPen(ink);
    const QFontMetrics body(opt.font);
    const int width = opt.rect.width() - 2 * kPadX;
    int y = h.time.bottom() + 1 + kGap;
    for (const QString &line : wrappedLines(m_model.shownText(record), opt.font, width - 2)) {
        painter->drawText(QRect(opt.rect.left() + kPadX, y, width, body.height()), Qt::AlignLeft | Qt::AlignVCenter, line);
        y += body.lineSpacing();
    }
    painter->restore();
}

QSize HistoryItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const TranscriptItem &record = m_model.item(sourceRow(index));
    // The view's width, not the item's: rows span the list.
    const auto *view = qobject_cast<const QAbstractItemView *>(option.widget);
    const int width = view ? view->viewport()->width() : std::max(option.rect.width(), 400);
    if (width != m_heightsWidth) {
        m_heights.clear();
        m_heightsWidth = width;
    }
    const auto key = qMakePair(record.id, m_model.showsOriginal(record.id));
    auto found = m_heights.constFind(key);
    if (found == m_heights.constEnd()) {
        const qsizetype lines = wrappedLines(m_model.shownText(record), option.font, width - 2 * kPadX - 2).size();
        const int height = 2 * kPadY + QFontMetrics(captionFont(option.font)).height() + kGap
            + int(lines) * QFontMetrics(option.font).lineSpacing();
        found = m_heights.insert(key, height);
    }
    return {width, *found};
}

bool HistoryItemDelegate::editorEvent(QEvent *event, QAbstractItemModel *, const QStyleOptionViewItem &option,
                                      const QModelIndex &index)
{
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease
        && event->type() != QEvent::MouseButtonDblClick)
        return false;
    const auto *mouse = static_cast<QMouseEvent *>(event);
    const QRect toggle = switchRect(option, index);
    if (mouse->button() != Qt::LeftButton || toggle.isEmpty() || !toggle.contains(mouse->position().toPoint()))
        return false;
    if (event->type() == QEvent::MouseButtonRelease)
        toggleOriginal(index);
    // The switch takes the click; the row's selection stays as it was.
    return true;
}

void HistoryItemDelegate::toggleOriginal(const QModelIndex &viewIndex)
{
    const QUuid id = viewIndex.data(HistoryListModel::IdRole).toUuid();
    m_model.setShowsOriginal(id, !m_model.showsOriginal(id));
    emit sizeHintChanged(viewIndex);
}

bool HistoryItemDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                                    const QModelIndex &index)
{
    if (event->type() == QEvent::ToolTip && index.isValid()) {
        const QRect toggle = switchRect(option, index);
        if (!toggle.isEmpty() && toggle.contains(event->pos())) {
            QToolTip::showText(event->globalPos(), switchToolTip(m_model.showsOriginal(m_model.item(sourceRow(index)).id)), view);
            return true;
        }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

} // namespace parlix::ui
