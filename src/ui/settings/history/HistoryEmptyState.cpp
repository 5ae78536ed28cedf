#include "ui/settings/history/HistoryEmptyState.h"

#include "ui/settings/PageParts.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace parlix::ui {

// A 40-pixel line drawing in the secondary colour: a clock, or a magnifying glass.
class HistoryEmptyState::Glyph : public QWidget {
public:
    explicit Glyph(QWidget *parent) : QWidget(parent) { setFixedSize(40, 40); }
    bool magnifier = false;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(palette().color(QPalette::PlaceholderText), 3, Qt::SolidLine, Qt::RoundCap));
        if (magnifier) {
            p.drawEllipse(QRectF(4, 4, 22, 22));
            p.drawLine(QPointF(23, 23), QPointF(35, 35));
        } else {
            p.drawEllipse(QRectF(3, 3, 34, 34));
            p.drawLine(QPointF(20, 20), QPointF(20, 10));
            p.drawLine(QPointF(20, 20), QPointF(27, 24));
        }
    }
};

HistoryEmptyState::HistoryEmptyState(QWidget *parent)
    : QWidget(parent)
    , m_glyph(new Glyph(this))
    , m_title(new QLabel(this))
    , m_subtitle(caption(QString(), this))
{
    QFont headline = m_title->font();
    headline.setBold(true);
    m_title->setFont(headline);
    m_title->setForegroundRole(QPalette::PlaceholderText);
    m_title->setAlignment(Qt::AlignCenter);
    m_subtitle->setAlignment(Qt::AlignCenter);
    auto *column = new QVBoxLayout(this);
    column->addStretch();
    column->addWidget(m_glyph, 0, Qt::AlignHCenter);
    column->addWidget(m_title);
    column->addWidget(m_subtitle);
    column->addStretch();
    showFor(false);
}

void HistoryEmptyState::showFor(bool searching)
{
    m_searching = searching;
    m_glyph->magnifier = searching;
    m_glyph->update();
    m_title->setText(searching ? tr("No results found") : tr("No history yet"));
    m_subtitle->setText(searching ? tr("Try a different search term")
                                  : tr("Your transcriptions will appear here"));
}

} // namespace parlix::ui
