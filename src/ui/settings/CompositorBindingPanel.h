#pragma once
// Shown in place of the hotkey recorder where the compositor binds keys itself: what to add to
// its configuration, as selectable text with a Copy button.
#include "ui/settings/CompositorBinding.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace parlix::ui {

class CompositorBindingPanel : public QWidget {
    Q_OBJECT
public:
    // `copy` puts text on the clipboard; the toolkit's clipboard when unset.
    explicit CompositorBindingPanel(std::function<void(const QString &)> copy, QWidget *parent = nullptr);

    void setBinding(const CompositorBinding &binding);

    QLabel *whereLabel() const { return m_where; }
    QPlainTextEdit *linesField() const { return m_lines; }
    QLabel *noteLabel() const { return m_note; }
    QPushButton *copyButton() const { return m_copy; }

private:
    std::function<void(const QString &)> m_copyText;
    QLabel *m_where = nullptr;
    QPlainTextEdit *m_lines = nullptr;
    QLabel *m_note = nullptr;
    QPushButton *m_copy = nullptr;
};

} // namespace parlix::ui
