#pragma once
// The live input level against the silence threshold: "Audio Level:" with the level in dB, a bar
// from -60 dB (empty) to 0 dB (full) coloured by loudness, an orange mark at the threshold, and
// the "Silence" … "Loud" legend. It says when it comes on and goes off screen, so whoever feeds
// it runs the microphone only while it is seen.
#include <QColor>
#include <QWidget>

class QLabel;

namespace parlix::ui {

class AudioLevelBar;

class AudioLevelMeter : public QWidget {
    Q_OBJECT
public:
    explicit AudioLevelMeter(QWidget *parent = nullptr);

    void setLevel(float db);
    void setThreshold(float db);
    float level() const { return m_level; }
    float threshold() const { return m_threshold; }
    QString levelText() const;

    // Where on the bar a level sits, from 0 (-60 dB and below) to 1 (0 dB and above).
    static double position(float db);
    // The level's fill: gray below the threshold, else green below -20 dB, yellow below -10 dB,
    // red above.
    static QColor fillColor(float level, float threshold);

signals:
    void shown();
    void hidden();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    float m_level = -160.0f;
    float m_threshold = -40.0f;
    QLabel *m_value;
    AudioLevelBar *m_bar;
};

// The bar alone; repainted only when the level or threshold changes.
class AudioLevelBar : public QWidget {
    Q_OBJECT
public:
    explicit AudioLevelBar(const AudioLevelMeter &meter, QWidget *parent = nullptr);
    QSize sizeHint() const override { return {200, 12}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const AudioLevelMeter &m_meter;
};

} // namespace parlix::ui
