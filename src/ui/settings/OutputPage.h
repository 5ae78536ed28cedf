#pragma once
// The Output tab: what happens with a finished transcript (the output mode), how much history is
// kept, and the replacement rules with their editor. Every change is stored at once.
#include "core/SettingsModel.h"
#include "ui/settings/FormattingReferenceWindow.h"
#include "ui/settings/SettingsPageServices.h"

#include <QPointer>
#include <QWidget>

class QButtonGroup;
class QLabel;
class QPushButton;
class QRadioButton;
class QVBoxLayout;
class QWidget;

namespace parlix::ui {

class ExperimentalFeatureToggle;
class MaxHistoryItemsField;
class ReplacementRuleRow;
class RuleEditDialog;

class OutputPage : public QWidget {
    Q_OBJECT
public:
    explicit OutputPage(const SettingsPageServices &services, QWidget *parent = nullptr);
    ~OutputPage() override;

    // The rule list operations; each stores the whole new list.
    void addRule(const TextReplacementRule &rule);
    void updateRule(const TextReplacementRule &rule);
    void toggleRule(const QUuid &id);
    void deleteRule(const QUuid &id);

    // Opens the sheet for a new rule or for the rule with `id`; returns it (it deletes itself
    // when closed).
    RuleEditDialog *openAddSheet();
    RuleEditDialog *openEditSheet(const QUuid &id);

    QRadioButton *outputModeButton(OutputMode mode) const;
    MaxHistoryItemsField *historyField() const { return m_historyField; }
    QLabel *historyCount() const { return m_historyCount; }
    ExperimentalFeatureToggle *replacementToggle() const { return m_replacementToggle; }
    QWidget *ruleEditor() const { return m_ruleEditor; }
    QPushButton *addButton() const { return m_add; }
    QList<ReplacementRuleRow *> ruleRows() const;
    FormattingReference &formattingReference() { return m_reference; }

private:
    void refresh(const QString &key);
    void rebuildRules();
    void refreshHistoryCount();
    void storeRules(const QList<TextReplacementRule> &rules);

    SettingsPageServices m_services;
    QButtonGroup *m_modes = nullptr;
    MaxHistoryItemsField *m_historyField = nullptr;
    QLabel *m_historyCount = nullptr;
    ExperimentalFeatureToggle *m_replacementToggle = nullptr;
    QWidget *m_ruleEditor = nullptr;
    QPushButton *m_add = nullptr;
    QVBoxLayout *m_ruleList = nullptr;
    FormattingReference m_reference;
};

} // namespace parlix::ui
