#include "ui/settings/MaxHistoryItemsField.h"

#include "ui/settings/Stepper.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace parlix::ui {

MaxHistoryItemsField::MaxHistoryItemsField(std::function<qint64()> value, std::function<void(qint64)> setValue,
                                           QWidget *parent)
    : QWidget(parent)
    , m_value(std::move(value))
    , m_setValue(std::move(setValue))
    , m_field(new QLineEdit(this))
    , m_forever(new QLabel(tr("Forever"), this))
    , m_stepper(new Stepper(tr("history size"), this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_field->setFixedWidth(60);
    m_field->setAccessibleName(tr("Max history items"));
    m_forever->setFixedWidth(60);
    m_forever->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_forever->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(m_field);
    layout->addWidget(m_forever);
    layout->addWidget(m_stepper);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    // Only digits stay in the field; anything else typed or pasted is dropped at once.
    connect(m_field, &QLineEdit::textEdited, this, [this](const QString &text) {
        QString digits;
        for (const QChar c : text) {
            if (c.isDigit())
                digits.append(c);
        }
        if (digits != text) {
            const int cursor = m_field->cursorPosition() - int(text.size() - digits.size());
            m_field->setText(digits);
            m_field->setCursorPosition(std::max(0, cursor));
        }
    });
    connect(m_field, &QLineEdit::returnPressed, this, &MaxHistoryItemsField::commitValue);
    connect(m_stepper, &Stepper::incremented, this, &MaxHistoryItemsField::increment);
    connect(m_stepper, &Stepper::decremented, this, &MaxHistoryItemsField::decrement);
    refresh();
}

void MaxHistoryItemsField::showValue(bool keepForever)
{
    m_isForever = keepForever;
    m_field->setVisible(!keepForever);
    m_forever->setVisible(keepForever);
    m_field->setText(keepForever ? QString() : QString::number(m_value()));
}

void MaxHistoryItemsField::refresh()
{
    showValue(m_value() == 0);
}

void MaxHistoryItemsField::store(qint64 value)
{
    m_setValue(value);
    showValue(value == 0);
}

void MaxHistoryItemsField::commitValue()
{
    const QString text = m_field->text();
    if (text.isEmpty()) {
        refresh();
        return;
    }
    // Digits of other scripts pass the filter but are no decimal number here; an overflow is no
    // number either. Both leave everything as it is.
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return;
    }
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (!ok)
        return;
    store(std::clamp(number, minimum, maximum));
}

void MaxHistoryItemsField::increment()
{
    if (m_isForever)
        return;
    const qint64 next = m_value() + step;
    store(next <= maximum ? next : 0);
}

void MaxHistoryItemsField::decrement()
{
    if (m_isForever) {
        store(maximum);
        return;
    }
    store(std::max(m_value() - step, minimum));
}

} // namespace parlix::ui
