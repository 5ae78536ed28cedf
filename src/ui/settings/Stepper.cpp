#include "ui/settings/Stepper.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace parlix::ui {

Stepper::Stepper(const QString &what, QWidget *parent)
    : QWidget(parent)
    , m_up(new QToolButton(this))
    , m_down(new QToolButton(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton *button : {m_up, m_down}) {
        button->setAutoRaise(true);
        button->setAutoRepeat(true);
        button->setFixedSize(18, 12);
        button->setFocusPolicy(Qt::TabFocus);
        layout->addWidget(button);
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    m_up->setAccessibleName(tr("Increase %1").arg(what));
    m_down->setAccessibleName(tr("Decrease %1").arg(what));
    connect(m_up, &QToolButton::clicked, this, &Stepper::incremented);
    connect(m_down, &QToolButton::clicked, this, &Stepper::decremented);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

} // namespace parlix::ui
