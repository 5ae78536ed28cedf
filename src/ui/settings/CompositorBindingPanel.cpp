#include "ui/settings/CompositorBindingPanel.h"

#include "ui/settings/PageParts.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace parlix::ui {

CompositorBindingPanel::CompositorBindingPanel(std::function<void(const QString &)> copy, QWidget *parent)
    : QWidget(parent)
    , m_copyText(std::move(copy))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_where = new QLabel(this);
    m_where->setWordWrap(true);
    layout->addWidget(m_where);

    m_lines = new QPlainTextEdit(this);
    m_lines->setReadOnly(true);
    m_lines->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_lines->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_lines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_lines->setAccessibleName(tr("Compositor binding"));
    m_where->setBuddy(m_lines);
    layout->addWidget(m_lines);

    auto *row = new QHBoxLayout;
    m_note = caption(QString(), this);
    row->addWidget(m_note, 1);
    m_copy = new QPushButton(tr("&Copy"), this);
    m_copy->setAccessibleName(tr("Copy the binding"));
    row->addWidget(m_copy, 0, Qt::AlignTop | Qt::AlignRight);
    layout->addLayout(row);

    connect(m_copy, &QPushButton::clicked, this, [this] {
        const QString text = m_lines->toPlainText();
        if (m_copyText)
            m_copyText(text);
        else
            QGuiApplication::clipboard()->setText(text);
    });
}

void CompositorBindingPanel::setBinding(const CompositorBinding &binding)
{
    m_where->setText(binding.where);
    m_lines->setPlainText(binding.lines);
    m_note->setText(binding.note);
    m_note->setVisible(!binding.note.isEmpty());
    // Tall enough for every line, plus room for a horizontal scroll bar under long ones.
    const int lineCount = int(binding.lines.count(QLatin1Char('\n'))) + 1;
    const QFontMetrics metrics(m_lines->font());
    m_lines->setFixedHeight(metrics.lineSpacing() * (lineCount + 1) + 2 * m_lines->frameWidth() + 12);
}

} // namespace parlix::ui
