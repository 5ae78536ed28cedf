#include "ui/settings/SpinningIcon.h"

#include "ui/AppIcon.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace parlix::ui {

SpinningIcon::SpinningIcon(QWidget *parent)
    : QWidget(parent)
    , m_image(renderAppIcon(256))
{
    setFixedSize(128, 128);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(tr("Parlix icon"));
    connect(&m_turn, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_shown = value.toDouble();
        update();
    });
}

void SpinningIcon::turnTo(double degrees, int milliseconds, QEasingCurve curve)
{
    m_turn.stop();
    m_target = degrees;
    if (milliseconds <= 0) {
        m_shown = degrees;
        update();
        return;
    }
    m_turn.setStartValue(m_shown);
    m_turn.setEndValue(degrees);
    m_turn.setDuration(milliseconds);
    m_turn.setEasingCurve(curve);
    m_turn.start();
}

void SpinningIcon::spin(int milliseconds)
{
    // A spring that overshoots a little before it settles.
    QEasingCurve spring(QEasingCurve::OutBack);
    spring.setOvershoot(1.2);
    turnTo(m_target + 360, milliseconds, spring);
}

void SpinningIcon::resetRotation(int milliseconds)
{
    turnTo(0, milliseconds, QEasingCurve::InOutQuad);
}

void SpinningIcon::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(width() / 2.0, height() / 2.0);
    p.rotate(m_shown);
    const QRectF box(-width() / 2.0, -height() / 2.0, width(), height());
    p.drawImage(box, m_image);
}

void SpinningIcon::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void SpinningIcon::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        emit clicked();
    else
        QWidget::keyPressEvent(event);
}

} // namespace parlix::ui
