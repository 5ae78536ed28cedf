#include "ui/settings/ReplacementRuleRow.h"

#include "ui/settings/PageParts.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace parlix::ui {

QString ReplacementRuleRow::shownReplacement(const QString &replacement)
{
    // As the commands expand: "\num" and "\trademark" are their own commands, not a line break
    // or a tab followed by letters.
    QString shown;
    shown.reserve(replacement.size());
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QStringView rest = QStringView(replacement).mid(i);
        if (rest.startsWith(u"\\num") || rest.startsWith(u"\\trademark")) {
            shown += replacement[i];
        } else if (rest.startsWith(u"\\n")) {
            shown += QStringLiteral("↵");
            ++i;
        } else if (rest.startsWith(u"\\t")) {
            shown += QStringLiteral("⇥");
            ++i;
        } else {
            shown += replacement[i];
        }
    }
    return shown;
}

ReplacementRuleRow::ReplacementRuleRow(const TextReplacementRule &rule, QWidget *parent)
    : QWidget(parent)
    , m_toggle(new QToolButton(this))
    , m_trigger(new QLabel(rule.trigger, this))
    , m_replacement(new QLabel(shownReplacement(rule.replacement), this))
    , m_edit(iconButton(QStringLiteral("document-edit"), tr("Edit"), this))
    , m_delete(iconButton(QStringLiteral("edit-delete"), tr("Delete"), this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 2);

    m_toggle->setAutoRaise(true);
    m_toggle->setCheckable(true);
    m_toggle->setChecked(rule.isEnabled);
    m_toggle->setText(rule.isEnabled ? QStringLiteral("✔") : QStringLiteral("○"));
    m_toggle->setStyleSheet(rule.isEnabled ? QStringLiteral("QToolButton { color: palette(highlight); font-weight: bold; }")
                                           : QStringLiteral("QToolButton { color: gray; }"));
    m_toggle->setAccessibleName(tr("Enable “%1”").arg(rule.trigger));
    m_toggle->setToolTip(rule.isEnabled ? tr("Enabled") : tr("Disabled"));
    layout->addWidget(m_toggle);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(0);
    if (!rule.isEnabled)
        m_trigger->setForegroundRole(QPalette::PlaceholderText);
    m_trigger->setTextFormat(Qt::PlainText);
    m_replacement->setTextFormat(Qt::PlainText);
    QFont small = m_replacement->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_replacement->setFont(small);
    m_replacement->setForegroundRole(QPalette::PlaceholderText);
    texts->addWidget(m_trigger);
    texts->addWidget(m_replacement);
    layout->addLayout(texts, 1);

    m_edit->setToolTip(tr("Edit"));
    m_edit->setAccessibleName(tr("Edit “%1”").arg(rule.trigger));
    m_delete->setToolTip(tr("Delete"));
    m_delete->setAccessibleName(tr("Delete “%1”").arg(rule.trigger));
    layout->addWidget(m_edit);
    layout->addWidget(m_delete);

    connect(m_toggle, &QToolButton::clicked, this, &ReplacementRuleRow::toggled);
    connect(m_edit, &QToolButton::clicked, this, &ReplacementRuleRow::editRequested);
    connect(m_delete, &QToolButton::clicked, this, &ReplacementRuleRow::deleteRequested);
}

} // namespace parlix::ui
