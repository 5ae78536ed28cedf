#include "ui/settings/PageParts.h"

#include <QGroupBox>
#include <QLabel>
#include <QIcon>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace parlix::ui {

QVBoxLayout *scrollingColumn(QWidget *page)
{
    auto *outer = new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *content = new QWidget(scroll);
    content->setBackgroundRole(QPalette::Window);
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(10, 10, 10, 10);
    column->setSpacing(10);
    scroll->setWidget(content);
    outer->addWidget(scroll);
    return column;
}

QGroupBox *addSection(QVBoxLayout *column, const QString &title)
{
    auto *section = new QGroupBox(title);
    auto *layout = new QVBoxLayout(section);
    layout->setSpacing(6);
    column->addWidget(section);
    return section;
}

QVBoxLayout *sectionColumn(QGroupBox *section)
{
    return static_cast<QVBoxLayout *>(section->layout());
}

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont f = label->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    label->setFont(f);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QToolButton *iconButton(const QString &iconName, const QString &fallback, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    const QIcon icon = QIcon::fromTheme(iconName);
    if (icon.isNull())
        button->setText(fallback);
    else
        button->setIcon(icon);
    return button;
}

} // namespace parlix::ui
