#include "ui/settings/CommandCompletionField.h"

#include <QCoreApplication>
#include <QCompleter>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStandardItemModel>
#include <QTreeView>

namespace parlix::ui {

namespace {
// The commands of TextReplacementRule::expandCommands, each with what it produces.
constexpr CompletionCommand kCommands[] = {
    {"\\n", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "New line")},
    {"\\t", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Tab")},
    {"\\bold", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Bold (**)")},
    {"\\italic", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Italic (_)")},
    {"\\strike", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Strikethrough (~~)")},
    {"\\code", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Inline code (`)")},
    {"\\codeblock", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Code block (```)")},
    {"\\bullet", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Bullet point (•)")},
    {"\\dash", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Dash (-)")},
    {"\\arrow", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Arrow (→)")},
    {"\\num", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Numbered list (1.)")},
    {"\\checkbox", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Unchecked box (☐)")},
    {"\\checked", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Checked box (☑)")},
    {"\\h1", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Heading 1 (#)")},
    {"\\h2", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Heading 2 (##)")},
    {"\\h3", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Heading 3 (###)")},
    {"\\lquote", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Left double quote (“)")},
    {"\\rquote", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Right double quote (”)")},
    {"\\lsquote", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Left single quote (‘)")},
    {"\\rsquote", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Right single quote (’)")},
    {"\\blockquote", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Block quote (>)")},
    {"\\ellipsis", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Ellipsis (…)")},
    {"\\emdash", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Em dash (—)")},
    {"\\endash", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "En dash (–)")},
    {"\\copyright", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Copyright (©)")},
    {"\\trademark", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Trademark (™)")},
    {"\\registered", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Registered (®)")},
    {"\\degree", QT_TRANSLATE_NOOP("parlix::ui::CommandCompletionField", "Degree (°)")},
};
static_assert(std::size(kCommands) == 28);
} // namespace

std::span<const CompletionCommand> completionCommands()
{
    return kCommands;
}

std::optional<CompletionQuery> completionQuery(const QString &text)
{
    const qsizetype backslash = text.lastIndexOf(QLatin1Char('\\'));
    if (backslash < 0)
        return std::nullopt;
    const QString prefix = text.mid(backslash);
    if (prefix.contains(QLatin1Char(' ')))
        return std::nullopt;
    return CompletionQuery{backslash, prefix};
}

QString insertCommand(const QString &text, qsizetype backslash, const QString &command)
{
    if (backslash < 0 || backslash >= text.size())
        return text;
    qsizetype end = backslash + 1;
    while (end < text.size() && text[end].isLetterOrNumber())
        ++end;
    return text.left(backslash) + command + text.mid(end);
}

CommandCompletionField::CommandCompletionField(QWidget *parent)
    : QLineEdit(parent)
    , m_model(new QStandardItemModel(0, 2, this))
    , m_completer(new QCompleter(this))
    , m_popup(new QTreeView)
{
    for (const CompletionCommand &c : kCommands) {
        auto *command = new QStandardItem(QString::fromUtf8(c.command));
        command->setFont(QFont(QStringLiteral("monospace")));
        auto *description = new QStandardItem(QCoreApplication::translate("parlix::ui::CommandCompletionField", c.description));
        description->setForeground(palette().brush(QPalette::PlaceholderText));
        m_model->appendRow({command, description});
    }

    m_popup->setHeaderHidden(true);
    m_popup->setRootIsDecorated(false);
    m_popup->setUniformRowHeights(true);
    m_popup->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_popup->setAccessibleName(tr("Command suggestions"));
    m_popup->setStyleSheet(QStringLiteral("QTreeView::item { padding: 5px 4px; }"));

    m_completer->setModel(m_model);
    m_completer->setPopup(m_popup); // owned by the completer from here
    m_completer->setWidget(this);
    m_completer->setCompletionColumn(0);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setFilterMode(Qt::MatchStartsWith);
    m_completer->setModelSorting(QCompleter::UnsortedModel);
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    m_completer->setWrapAround(false);
    m_completer->setMaxVisibleItems(maxVisibleRows);
    m_popup->header()->resizeSection(0, 100);
    // Before the completer's own filter: Return, Tab and Escape are ours, so they are taken here
    // and never reach the field or a dialog's default button.
    m_popup->installEventFilter(this);

    connect(m_completer, qOverload<const QModelIndex &>(&QCompleter::activated), this,
            [this](const QModelIndex &) { insertSelected(); });
    connect(this, &QLineEdit::textEdited, this, &CommandCompletionField::updateSuggestions);
}

bool CommandCompletionField::isPopupShown() const
{
    return m_popup->isVisible();
}

QStringList CommandCompletionField::offeredCommands() const
{
    QStringList commands;
    QAbstractItemModel *offered = m_completer->completionModel();
    for (int row = 0; row < offered->rowCount(); ++row)
        commands << offered->index(row, 0).data().toString();
    return commands;
}

QString CommandCompletionField::selectedCommand() const
{
    const QModelIndex current = m_popup->currentIndex();
    return current.isValid() ? current.siblingAtColumn(0).data().toString() : QString();
}

void CommandCompletionField::updateSuggestions()
{
    if (m_inserting)
        return;
    m_query = completionQuery(text());
    if (!m_query) {
        closePopup();
        return;
    }
    m_completer->setCompletionPrefix(m_query->prefix);
    if (m_completer->completionCount() == 0) {
        closePopup();
        return;
    }
    m_completer->complete(QRect(0, 0, popupWidth, height()));
    m_popup->setCurrentIndex(m_completer->completionModel()->index(0, 0));
}

void CommandCompletionField::insertSelected()
{
    const QString command = selectedCommand();
    closePopup();
    if (!m_query || command.isEmpty())
        return;
    const QString before = text();
    const QString after = insertCommand(before, m_query->backslash, command);
    m_query.reset();
    if (after != before) {
        // As if typed: the edit joins the undo history and observers see it; the list stays
        // closed although the text still ends in a command.
        m_inserting = true;
        selectAll();
        insert(after);
        m_inserting = false;
    }
    setCursorPosition(int(after.size()));
}

void CommandCompletionField::closePopup()
{
    if (m_popup->isVisible())
        m_popup->hide();
}

void CommandCompletionField::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // The list opens as a pop-up, which takes no focus; any other focus change ends editing.
    if (event->reason() != Qt::PopupFocusReason)
        closePopup();
}

bool CommandCompletionField::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_popup || event->type() != QEvent::KeyPress || !m_popup->isVisible())
        return QLineEdit::eventFilter(watched, event);
    switch (static_cast<QKeyEvent *>(event)->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
        insertSelected();
        return true;
    case Qt::Key_Escape:
        closePopup();
        return true;
    default:
        return false;
    }
}

} // namespace parlix::ui
