#pragma once
// Pieces every settings page is made of: a scrolling column of titled sections, and captions in
// the small secondary style.
#include <QString>

class QGroupBox;
class QLabel;
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

} // namespace parlix::ui
