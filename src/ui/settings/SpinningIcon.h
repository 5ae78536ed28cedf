#pragma once
// The application icon at 128 by 128, turned by a number of degrees, clickable. Turns are
// animated: `spin()` adds a whole turn with a springy overshoot, `resetRotation()` goes back.
#include <QImage>
#include <QVariantAnimation>
#include <QWidget>

namespace parlix::ui {

class SpinningIcon : public QWidget {
    Q_OBJECT
public:
    explicit SpinningIcon(QWidget *parent = nullptr);

    // Where the icon is heading, in degrees (a multiple of 360 at rest).
    double rotation() const { return m_target; }
    // Adds 360 degrees over `milliseconds`.
    void spin(int milliseconds);
    // Back to 0 over `milliseconds` (0: at once).
    void resetRotation(int milliseconds);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void turnTo(double degrees, int milliseconds, QEasingCurve curve);

    QImage m_image;
    double m_shown = 0;
    double m_target = 0;
    QVariantAnimation m_turn;
};

} // namespace parlix::ui
