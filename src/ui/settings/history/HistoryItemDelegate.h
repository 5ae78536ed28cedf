#pragma once
// Draws one history record as a row: a header with the detailed time, the original/formatted
// switch (only when the original text differs), the model badge and the word count, and under it
// the text on at most three lines. A click on the switch flips the row between the two texts.
#include <QHash>
#include <QStyledItemDelegate>
#include <QUuid>

namespace parlix::ui {

class HistoryListModel;

class HistoryItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit HistoryItemDelegate(HistoryListModel &model, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

    // Where the original/formatted switch of the row at `rect` sits; empty when it has none.
    QRect switchRect(const QStyleOptionViewItem &option, const QModelIndex &index) const;

    // Flips the row at `viewIndex` (an index of the view's model) between its two texts.
    void toggleOriginal(const QModelIndex &viewIndex);

    static QString switchLabel(bool showsOriginal);
    static QString switchToolTip(bool showsOriginal);
    // "1 word", "5 words".
    static QString wordsText(qsizetype count);

private:
    struct Header {
        QRect time, toggle, badge, words;
    };
    Header header(const QStyleOptionViewItem &option, const QModelIndex &index) const;

    HistoryListModel &m_model;
    // Row heights by record and text shown, for one width: laying out 10 000 texts again on
    // every filter keystroke would be far too slow.
    mutable QHash<QPair<QUuid, bool>, int> m_heights;
    mutable int m_heightsWidth = -1;
};

} // namespace parlix::ui
