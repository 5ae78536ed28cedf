#pragma once
// What the History tab shows instead of the list when no record is listed: a drawn clock with
// "No history yet" for an empty history, a magnifying glass with "No results found" for a search
// that matches nothing.
#include <QWidget>

class QLabel;

namespace parlix::ui {

class HistoryEmptyState : public QWidget {
    Q_OBJECT
public:
    explicit HistoryEmptyState(QWidget *parent = nullptr);

    void showFor(bool searching);
    bool searching() const { return m_searching; }
    QLabel *title() const { return m_title; }
    QLabel *subtitle() const { return m_subtitle; }

private:
    class Glyph;
    Glyph *m_glyph;
    QLabel *m_title;
    QLabel *m_subtitle;
    bool m_searching = false;
};

} // namespace parlix::ui
