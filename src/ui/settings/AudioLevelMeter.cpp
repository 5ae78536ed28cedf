#include "ui/settings/AudioLevelMeter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace parlix::ui {

namespace {
QLabel *caption(const QString &text, QWidget *parent, double scale = 0.9)
{
    auto *label = new QLabel(text, parent);
    QFont f = label->font();
    f.setPointSizeF(f.pointSizeF() * scale);
    label->setFont(f);
    return label;
}
} // namespace

AudioLevelMeter::AudioLevelMeter(QWidget *parent)
    : QWidget(parent)
    , m_value(caption(QString(), this))
    , m_bar(new AudioLevelBar(*this, this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->setSpacing(3);

    auto *header = new QHBoxLayout;
    header->addWidget(caption(tr("Audio Level:"), this));
    header->addStretch();
    m_value->setFixedWidth(60);
    m_value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_value->setForegroundRole(QPalette::PlaceholderText);
    header->addWidget(m_value);
    layout->addLayout(header);

    m_bar->setFixedHeight(12);
    m_bar->setAccessibleName(tr("Audio level"));
    layout->addWidget(m_bar);

    auto *legend = new QHBoxLayout;
    QLabel *silence = caption(tr("Silence"), this, 0.8);
    QLabel *loud = caption(tr("Loud"), this, 0.8);
    silence->setForegroundRole(QPalette::PlaceholderText);
    loud->setForegroundRole(QPalette::PlaceholderText);
    legend->addWidget(silence);
    legend->addStretch();
    legend->addWidget(loud);
    layout->addLayout(legend);

    setLevel(m_level);
}

QString AudioLevelMeter::levelText() const
{
    // Truncated toward zero, as the threshold is shown.
    return tr("%1 dB").arg(int(std::trunc(m_level)));
}

void AudioLevelMeter::setLevel(float db)
{
    const bool textChanged = int(std::trunc(db)) != int(std::trunc(m_level)) || m_value->text().isEmpty();
    m_level = db;
    if (textChanged)
        m_value->setText(levelText());
    m_bar->setAccessibleDescription(levelText());
    m_bar->update();
}

void AudioLevelMeter::setThreshold(float db)
{
    m_threshold = db;
    m_bar->update();
}

double AudioLevelMeter::position(float db)
{
    if (std::isnan(db))
        return 0.0;
    if (db >= 0.0f)
        return 1.0;
    return (std::max(double(db), -60.0) + 60.0) / 60.0;
}

QColor AudioLevelMeter::fillColor(float level, float threshold)
{
    if (level < threshold)
        return QColor(142, 142, 147);
    if (level < -20.0f)
        return QColor(52, 199, 89);
    if (level < -10.0f)
        return QColor(255, 204, 0);
    return QColor(255, 59, 48);
}

void AudioLevelMeter::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    emit shown();
}

void AudioLevelMeter::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    emit hidden();
}

AudioLevelBar::AudioLevelBar(const AudioLevelMeter &meter, QWidget *parent)
    : QWidget(parent)
    , m_meter(meter)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void AudioLevelBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QRectF track(0, 0, width(), height());
    p.setBrush(QColor(128, 128, 128, 51));
    p.drawRoundedRect(track, 3, 3);

    const double levelWidth = width() * AudioLevelMeter::position(m_meter.level());
    if (levelWidth > 0.0) {
        p.setBrush(AudioLevelMeter::fillColor(m_meter.level(), m_meter.threshold()));
        p.drawRoundedRect(QRectF(0, 0, levelWidth, height()), 3, 3);
    }

    // Centred on the threshold.
    p.setBrush(QColor(255, 149, 0));
    p.drawRect(QRectF(width() * AudioLevelMeter::position(m_meter.threshold()) - 1.0, 0, 2, height()));
}

} // namespace parlix::ui
