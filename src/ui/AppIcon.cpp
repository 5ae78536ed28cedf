#include "ui/AppIcon.h"

#include "ui/TrayIconArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

namespace parlix::ui {

const QList<int> &appIconSizes()
{
    static const QList<int> sizes{16, 24, 32, 48, 64, 128, 256};
    return sizes;
}

QImage renderAppIcon(int pixels)
{
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // A small margin keeps the square's edge off the pixel grid's border, as theme icons do.
    const qreal margin = pixels / 16.0;
    const QRectF square(margin, margin, pixels - 2 * margin, pixels - 2 * margin);
    QLinearGradient fill(square.topLeft(), square.bottomLeft());
    fill.setColorAt(0, QColor(0x4A, 0x8F, 0xE7));
    fill.setColorAt(1, QColor(0x23, 0x5F, 0xC4));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(square, square.width() * 0.22, square.width() * 0.22);

    // The microphone fills the middle 70 % of the square.
    const qreal inner = square.width() * 0.7;
    p.translate(square.center() - QPointF(inner / 2, inner / 2));
    drawMicrophone(p, inner, inner / 22.0, Qt::white);
    return image;
}

QIcon appIcon(const QString &themeName)
{
    // Drawn only when the theme lacks it: this runs at start-up.
    if (QIcon::hasThemeIcon(themeName))
        return QIcon::fromTheme(themeName);
    QIcon drawn;
    for (int size : appIconSizes())
        drawn.addPixmap(QPixmap::fromImage(renderAppIcon(size)));
    return drawn;
}

} // namespace parlix::ui
