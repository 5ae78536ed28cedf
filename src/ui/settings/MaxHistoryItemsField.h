#pragma once
// Edits how many transcripts the history keeps: a number field from 50 to 1000 (typed, or stepped
// by 50) and "Forever" past 1000, which stores 0. Only digits can be typed; Return commits, an
// empty field snaps back, and nothing that is not a number in range ever reaches the setting.
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;

namespace parlix::ui {

class Stepper;

class MaxHistoryItemsField : public QWidget {
    Q_OBJECT
public:
    static constexpr qint64 minimum = 50;
    static constexpr qint64 maximum = 1000;
    static constexpr qint64 step = 50;

    // `value` reads the setting and `setValue` stores it (0 = keep forever).
    MaxHistoryItemsField(std::function<qint64()> value, std::function<void(qint64)> setValue, QWidget *parent = nullptr);

    // Follows a value changed elsewhere.
    void refresh();
    void commitValue();
    void increment();
    void decrement();

    bool isForever() const { return m_isForever; }
    QLineEdit *field() const { return m_field; }
    QLabel *foreverLabel() const { return m_forever; }
    Stepper *stepper() const { return m_stepper; }

private:
    void store(qint64 value);
    void showValue(bool keepForever);

    std::function<qint64()> m_value;
    std::function<void(qint64)> m_setValue;
    bool m_isForever = false;
    QLineEdit *m_field;
    QLabel *m_forever;
    Stepper *m_stepper;
};

} // namespace parlix::ui
