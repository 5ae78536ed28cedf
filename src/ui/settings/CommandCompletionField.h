#pragma once
// The line edit in which a rule's replacement text is typed. Typing a backslash opens a list of
// the backslash commands that start with what follows it (case-insensitive); Up and Down move the
// selection (no wrap-around), Return or Tab puts the selected command in place of the typed part,
// Escape closes the list. With no list open every key behaves as in any line edit.
#include <QLineEdit>

#include <optional>
#include <span>

class QCompleter;
class QStandardItemModel;
class QTreeView;

namespace parlix::ui {

struct CompletionCommand {
    const char *command;
    const char *description;
};

// The 28 commands in the order the list shows them.
std::span<const CompletionCommand> completionCommands();

// The command word being typed: where its backslash is, and the backslash with what follows.
struct CompletionQuery {
    qsizetype backslash = 0;
    QString prefix;
};
// Nothing when the text has no backslash or a space follows the last one.
std::optional<CompletionQuery> completionQuery(const QString &text);
// `text` with the backslash at `backslash` and the letters and digits right after it replaced by
// `command`.
QString insertCommand(const QString &text, qsizetype backslash, const QString &command);

class CommandCompletionField : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int maxVisibleRows = 5;
    static constexpr int popupWidth = 300;

    explicit CommandCompletionField(QWidget *parent = nullptr);

    QCompleter *completer() const { return m_completer; }
    QTreeView *popup() const { return m_popup; }
    bool isPopupShown() const;
    // The commands the list offers now, in order.
    QStringList offeredCommands() const;
    QString selectedCommand() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void updateSuggestions();
    void insertSelected();
    void closePopup();

    QStandardItemModel *m_model;
    QCompleter *m_completer;
    QTreeView *m_popup;
    std::optional<CompletionQuery> m_query;
    bool m_inserting = false;
};

} // namespace parlix::ui
