#pragma once
// The "Formatting Reference" window: the backslash commands a replacement may hold, in six cards
// (Basic, Markdown, Lists, Headers, Quotes, Symbols), each command beside what it produces. A
// small tool window that stays above the settings window and its dialogs; it is made once and
// shown again on every request.
#include <QWidget>

#include <span>

namespace parlix::ui {

struct ReferenceSection {
    const char *title;
    std::span<const std::pair<const char *, const char *>> rows;
};

std::span<const ReferenceSection> formattingReference();

class FormattingReferenceWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize contentSize{420, 500};
    static inline const char *const title = QT_TRANSLATE_NOOP("parlix::ui::FormattingReferenceWindow", "Formatting Reference");

    explicit FormattingReferenceWindow(QWidget *parent = nullptr);
};

// Holds the one reference window.
class FormattingReference {
public:
    ~FormattingReference();
    // Shows the window, made on the first call, and brings it to the front.
    void showWindow();
    FormattingReferenceWindow *window() const { return m_window; }

private:
    FormattingReferenceWindow *m_window = nullptr;
};

} // namespace parlix::ui
