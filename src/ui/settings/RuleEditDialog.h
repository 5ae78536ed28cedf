#pragma once
// The sheet that adds or edits one replacement rule: the spoken phrase, the replacement text (with
// command completion), a link to the formatting reference, Cancel and Save. Save stays disabled
// while the phrase is blank; it trims spaces and tabs from the phrase and keeps the replacement
// exactly as typed. A rule that could not be stored is refused with the reason and the sheet stays.
#include "core/TextReplacementRule.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace parlix::ui {

class CommandCompletionField;

class RuleEditDialog : public QDialog {
    Q_OBJECT
public:
    // `onSave` receives the finished rule when Save is pressed; `showReference` opens the
    // formatting reference.
    RuleEditDialog(const TextReplacementRule &rule, bool isNew, std::function<void(const TextReplacementRule &)> onSave,
                   std::function<void()> showReference, QWidget *parent = nullptr);

    // The rule Save would store, or nothing while the phrase is blank.
    std::optional<TextReplacementRule> finishedRule() const;

    QLineEdit *triggerField() const { return m_trigger; }
    CommandCompletionField *replacementField() const { return m_replacement; }
    QPushButton *saveButton() const { return m_save; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *helpButton() const { return m_help; }
    QLabel *problem() const { return m_problem; }

    static QString trimmedTrigger(const QString &text);

private:
    void save();

    TextReplacementRule m_rule;
    std::function<void(const TextReplacementRule &)> m_onSave;
    QLineEdit *m_trigger;
    CommandCompletionField *m_replacement;
    QPushButton *m_help;
    QLabel *m_problem;
    QPushButton *m_cancel;
    QPushButton *m_save;
};

} // namespace parlix::ui
