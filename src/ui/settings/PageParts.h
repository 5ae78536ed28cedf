#pragma once
// Pieces every settings page is made of: a scrolling column of titled sections, and captions in
// the small secondary style.
#include <QString>

class QGroupBox;
class QLabel;
class QToolButton;
class QVBoxLayout;
class QWidget;

namespace parlix::ui {

// Puts a scroll area filling `page` and returns the column inside it.
QVBoxLayout *scrollingColumn(QWidget *page);
// A titled section appended to `column`; its own column is the group's layout.
QGroupBox *addSection(QVBoxLayout *column, const QString &title);
QVBoxLayout *sectionColumn(QGroupBox *section);
// Small secondary text that wraps.
QLabel *caption(const QString &text, QWidget *parent = nullptr);
// A flat button showing the theme icon `iconName`, or the text `fallback` where the theme has none.
QToolButton *iconButton(const QString &iconName, const QString &fallback, QWidget *parent);

} // namespace parlix::ui
