#pragma once
// A pair of small arrow buttons that step a value up and down, for controls whose value is
// shown elsewhere (a label, a field). The owner decides what a step does.
#include <QWidget>

class QToolButton;

namespace parlix::ui {

class Stepper : public QWidget {
    Q_OBJECT
public:
    // `what` names the stepped value for assistive technology ("silence duration").
    explicit Stepper(const QString &what, QWidget *parent = nullptr);

    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

signals:
    void incremented();
    void decremented();

private:
    QToolButton *m_up;
    QToolButton *m_down;
};

} // namespace parlix::ui
