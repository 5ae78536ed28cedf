#include "ui/settings/RuleEditDialog.h"

#include "ui/settings/CommandCompletionField.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace parlix::ui {

RuleEditDialog::RuleEditDialog(const TextReplacementRule &rule, bool isNew,
                               std::function<void(const TextReplacementRule &)> onSave, std::function<void()> showReference,
                               QWidget *parent)
    : QDialog(parent)
    , m_rule(rule)
    , m_onSave(std::move(onSave))
    , m_trigger(new QLineEdit(rule.trigger, this))
    , m_replacement(new CommandCompletionField(this))
    , m_help(new QPushButton(QIcon::fromTheme(QStringLiteral("help-contents")), tr("Formatting &Help"), this))
    , m_problem(new QLabel(this))
    , m_cancel(new QPushButton(tr("Cancel"), this))
    , m_save(new QPushButton(tr("&Save"), this))
{
    const QString heading = isNew ? tr("Add Replacement") : tr("Edit Replacement");
    setWindowTitle(heading);
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(360);

    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel(heading, this);
    QFont headline = title->font();
    headline.setWeight(QFont::DemiBold);
    headline.setPointSizeF(headline.pointSizeF() * 1.15);
    title->setFont(headline);
    layout->addWidget(title);

    auto *triggerLabel = new QLabel(tr("S&poken phrase"), this);
    triggerLabel->setBuddy(m_trigger);
    m_trigger->setPlaceholderText(tr("When I say..."));
    layout->addWidget(triggerLabel);
    layout->addWidget(m_trigger);

    auto *replacementLabel = new QLabel(tr("&Replacement text"), this);
    replacementLabel->setBuddy(m_replacement);
    m_replacement->setPlaceholderText(tr("Replace with..."));
    m_replacement->setText(rule.replacement);
    layout->addWidget(replacementLabel);
    layout->addWidget(m_replacement);

    m_help->setFlat(true);
    QFont small = m_help->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_help->setFont(small);
    m_help->setAutoDefault(false);
    auto *helpRow = new QHBoxLayout;
    helpRow->addWidget(m_help);
    helpRow->addStretch();
    layout->addLayout(helpRow);
    connect(m_help, &QPushButton::clicked, this, [showReference = std::move(showReference)] {
        if (showReference)
            showReference();
    });

    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("QLabel { color: rgb(215, 0, 21); }"));
    m_problem->setAccessibleName(tr("Problem"));
    m_problem->hide();
    layout->addWidget(m_problem);

    layout->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_save);
    layout->addLayout(buttons);
    // Escape rejects the dialog; Return presses the default button, Save.
    m_cancel->setAutoDefault(false);
    m_save->setDefault(true);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_save, &QPushButton::clicked, this, &RuleEditDialog::save);

    const auto update = [this] {
        m_save->setEnabled(finishedRule().has_value());
        m_problem->hide();
    };
    connect(m_trigger, &QLineEdit::textChanged, this, update);
    connect(m_replacement, &QLineEdit::textChanged, this, update);
    update();
}

QString RuleEditDialog::trimmedTrigger(const QString &text)
{
    // Spaces and tabs only: other white space is part of what was typed.
    qsizetype begin = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

std::optional<TextReplacementRule> RuleEditDialog::finishedRule() const
{
    const QString trigger = trimmedTrigger(m_trigger->text());
    if (trigger.isEmpty())
        return std::nullopt;
    TextReplacementRule rule = m_rule;
    rule.trigger = trigger;
    rule.replacement = m_replacement->text();
    return rule;
}

void RuleEditDialog::save()
{
    const std::optional<TextReplacementRule> rule = finishedRule();
    if (!rule)
        return;
    // The stored list is UTF-8 JSON: a text that cannot be written so would make the whole list
    // unstorable, so it is refused here rather than lost later.
    if (!TextReplacementRule::encode({*rule})) {
        m_problem->setText(tr("This rule holds a character that cannot be saved; remove it and try again."));
        m_problem->show();
        return;
    }
    if (m_onSave)
        m_onSave(*rule);
    accept();
}

} // namespace parlix::ui
