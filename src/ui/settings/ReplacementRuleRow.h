#pragma once
// One replacement rule in the Output tab's list: an enable switch, the phrase over its replacement
// (line breaks and tabs shown as ↵ and ⇥), and edit and delete buttons.
#include "core/TextReplacementRule.h"

#include <QWidget>

class QLabel;
class QToolButton;

namespace parlix::ui {

class ReplacementRuleRow : public QWidget {
    Q_OBJECT
public:
    explicit ReplacementRuleRow(const TextReplacementRule &rule, QWidget *parent = nullptr);

    // The replacement as the row shows it.
    static QString shownReplacement(const QString &replacement);

    QToolButton *toggleButton() const { return m_toggle; }
    QToolButton *editButton() const { return m_edit; }
    QToolButton *deleteButton() const { return m_delete; }
    QLabel *triggerLabel() const { return m_trigger; }
    QLabel *replacementLabel() const { return m_replacement; }

signals:
    void toggled();
    void editRequested();
    void deleteRequested();

private:
    QToolButton *m_toggle;
    QLabel *m_trigger;
    QLabel *m_replacement;
    QToolButton *m_edit;
    QToolButton *m_delete;
};

} // namespace parlix::ui
