#include "ui/TrayIconArt.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace parlix::ui {

StatusIconKind statusIconKind(const ActivityFlags &flags, bool developmentBuild)
{
    if (flags.isLiveTranscribing)
        return StatusIconKind::liveDot;
    if (flags.isRecording)
        return StatusIconKind::recordingDot;
    if (flags.isTranscribing)
        return StatusIconKind::transcribingArc;
    return developmentBuild ? StatusIconKind::developmentMicrophone : StatusIconKind::microphone;
}

bool isDevelopmentIdentifier(const QString &bundleIdentifier)
{
    return bundleIdentifier.endsWith(QLatin1String(".dev"));
}

double arcAngleAt(qint64 elapsedMs)
{
    if (elapsedMs <= 0)
        return 0.0;
    // Whole turns are dropped in integer milliseconds (2000 ms per turn), so the angle stays
    // exact however long the animation has run.
    const qint64 msPerTurn = qint64(360.0 / arcDegreesPerSecond * 1000.0);
    return double(elapsedMs % msPerTurn) * arcDegreesPerSecond / 1000.0;
}

namespace {

void drawDot(QPainter &p, const QRectF &box, qreal unit, const QColor &colour)
{
    const qreal diameter = std::min(box.width(), box.height()) - 4 * unit;
    QRectF circle(0, 0, diameter, diameter);
    circle.moveCenter(box.center());
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(circle);
}

void drawArc(QPainter &p, const QRectF &box, qreal unit, double angle, const QColor &label)
{
    const qreal radius = 6.5 * unit;
    QRectF circle(0, 0, 2 * radius, 2 * radius);
    circle.moveCenter(box.center());
    QColor track = label;
    track.setAlphaF(0.15f);
    QColor arc = label;
    arc.setAlphaF(0.9f);
    QPen pen(track, 3 * unit, Qt::SolidLine, Qt::RoundCap);
    p.setBrush(Qt::NoBrush);
    p.setPen(pen);
    p.drawEllipse(circle);
    // Qt measures arcs counter-clockwise from three o'clock in sixteenths of a degree; a
    // negative span runs clockwise. At angle 0 the quarter runs from the top to the right.
    pen.setColor(arc);
    p.setPen(pen);
    p.drawArc(circle, int(std::lround((90.0 - angle) * 16)), -90 * 16);
}

} // namespace

void drawMicrophone(QPainter &p, qreal size, qreal unit, const QColor &colour)
{
    const qreal cx = size / 2;
    // Capsule.
    const QRectF body(cx - 3.25 * unit, 2.5 * unit, 6.5 * unit, 11 * unit);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(body, 3.25 * unit, 3.25 * unit);
    // Holder: the lower half of a ring around the capsule, a stem and a foot.
    QPen pen(colour, 1.6 * unit, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QRectF ring(cx - 5.5 * unit, 4.5 * unit, 11 * unit, 11 * unit);
    p.drawArc(ring, 0, -180 * 16);
    p.drawLine(QPointF(cx, 15.5 * unit), QPointF(cx, 18.5 * unit));
    p.drawLine(QPointF(cx - 3.5 * unit, 19 * unit), QPointF(cx + 3.5 * unit, 19 * unit));
}

QImage renderStatusIcon(StatusIconKind kind, double arcAngle, int size, qreal devicePixelRatio,
                        const QColor &labelColour)
{
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const int pixels = std::max(1, int(std::ceil(size * dpr)));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 22.0;
    QRectF box(0, 0, 18 * unit, 22 * unit);
    box.moveCenter(QPointF(size / 2.0, size / 2.0));
    switch (kind) {
    case StatusIconKind::liveDot:
        drawDot(p, box, unit, systemOrange);
        break;
    case StatusIconKind::recordingDot:
        drawDot(p, box, unit, systemRed);
        break;
    case StatusIconKind::transcribingArc:
        drawArc(p, box, unit, arcAngle, labelColour);
        break;
    case StatusIconKind::developmentMicrophone:
        drawMicrophone(p, size, unit, systemOrange);
        break;
    case StatusIconKind::microphone:
        drawMicrophone(p, size, unit, labelColour);
        break;
    }
    return image;
}

const QList<int> &statusIconSizes()
{
    static const QList<int> sizes{16, 22, 24, 32, 48};
    return sizes;
}

namespace {

// Draws on request at the size asked for: a tray host that shows 22 pixels gets 22 pixels drawn
// once, instead of every size being drawn for each frame of the turning arc.
class StatusIconEngine : public QIconEngine {
public:
    StatusIconEngine(StatusIconKind kind, double arcAngle, qreal devicePixelRatio, const QColor &labelColour)
        : m_kind(kind)
        , m_angle(arcAngle)
        , m_devicePixelRatio(devicePixelRatio)
        , m_label(labelColour)
    {
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode, QIcon::State) override
    {
        const int side = std::min(rect.width(), rect.height());
        if (side <= 0)
            return;
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatio() : m_devicePixelRatio;
        QRect square(0, 0, side, side);
        square.moveCenter(rect.center());
        painter->drawImage(square, renderStatusIcon(m_kind, m_angle, side, dpr, m_label));
    }

    // `size` is in device pixels (QIcon has already applied the pixel ratio).
    QPixmap pixmap(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int side = std::min(size.width(), size.height());
        if (side <= 0)
            return {};
        return QPixmap::fromImage(renderStatusIcon(m_kind, m_angle, side, 1.0, m_label));
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int side = std::min(size.width(), size.height());
        return {side, side};
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (int size : statusIconSizes())
            sizes << QSize(size, size);
        return sizes;
    }

    QIconEngine *clone() const override { return new StatusIconEngine(*this); }
    QString key() const override { return QStringLiteral("parlix-status"); }

private:
    StatusIconKind m_kind;
    double m_angle;
    qreal m_devicePixelRatio;
    QColor m_label;
};

} // namespace

QIcon statusIcon(StatusIconKind kind, double arcAngle, qreal devicePixelRatio, const QColor &labelColour)
{
    QIcon icon(new StatusIconEngine(kind, arcAngle, devicePixelRatio, labelColour));
    icon.setIsMask(kind == StatusIconKind::microphone);
    return icon;
}

} // namespace parlix::ui
