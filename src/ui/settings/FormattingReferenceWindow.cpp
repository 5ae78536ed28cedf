#include "ui/settings/FormattingReferenceWindow.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

namespace parlix::ui {

namespace {
using Row = std::pair<const char *, const char *>;
constexpr Row kBasic[] = {{"\\n", QT_TRANSLATE_NOOP("parlix::ui::FormattingReferenceWindow", "New line")}, {"\\t", QT_TRANSLATE_NOOP("parlix::ui::FormattingReferenceWindow", "Tab")}};
constexpr Row kMarkdown[] = {{"\\bold", "**"}, {"\\italic", "_"}, {"\\strike", "~~"}, {"\\code", "`"}, {"\\codeblock", "```"}};
constexpr Row kLists[] = {{"\\bullet", "•"}, {"\\dash", "-"}, {"\\arrow", "→"},
                          {"\\num", "1."},   {"\\checkbox", "☐"}, {"\\checked", "☑"}};
constexpr Row kHeaders[] = {{"\\h1", "#"}, {"\\h2", "##"}, {"\\h3", "###"}};
constexpr Row kQuotes[] = {{"\\lquote", "“"}, {"\\rquote", "”"}, {"\\lsquote", "‘"}, {"\\rsquote", "’"}, {"\\blockquote", ">"}};
constexpr Row kSymbols[] = {{"\\ellipsis", "…"},  {"\\emdash", "—"},     {"\\endash", "–"}, {"\\copyright", "©"},
                            {"\\trademark", "™"}, {"\\registered", "®"}, {"\\degree", "°"}};
constexpr ReferenceSection kSections[] = {
    {QT_TRANSLATE_NOOP("parlix::ui::FormattingReferenceWindow", "Basic"), kBasic}, {QT_TRANSLATE_NOOP("parlix::ui::FormattingReferenceWindow", "Markdown"), kMarkdown}, {QT_TRANSLATE_NOOP("parlix::ui::FormattingReferenceWindow", "Lists"), kLists},
    {QT_TRANSLATE_NOOP("parlix::ui::FormattingReferenceWindow", "Headers"), kHeaders}, {QT_TRANSLATE_NOOP("parlix::ui::FormattingReferenceWindow", "Quotes"), kQuotes}, {QT_TRANSLATE_NOOP("parlix::ui::FormattingReferenceWindow", "Symbols"), kSymbols},
};

QFrame *card(const ReferenceSection &section, QWidget *parent)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(QStringLiteral("card"));
    frame->setStyleSheet(QStringLiteral("QFrame#card { background: palette(base); border-radius: 8px; }"));
    auto *layout = new QGridLayout(frame);
    layout->setHorizontalSpacing(12);
    layout->setVerticalSpacing(3);
    auto *title = new QLabel(QCoreApplication::translate("parlix::ui::FormattingReferenceWindow", section.title), frame);
    QFont bold = title->font();
    bold.setWeight(QFont::DemiBold);
    title->setFont(bold);
    title->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(title, 0, 0, 1, 2);
    int row = 1;
    for (const auto &[command, output] : section.rows) {
        auto *c = new QLabel(QString::fromUtf8(command), frame);
        c->setFont(QFont(QStringLiteral("monospace")));
        c->setForegroundRole(QPalette::Link);
        c->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(c, row, 0);
        layout->addWidget(new QLabel(QCoreApplication::translate("parlix::ui::FormattingReferenceWindow", output), frame), row, 1);
        ++row;
    }
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(row, 1);
    return frame;
}
} // namespace

std::span<const ReferenceSection> formattingReference()
{
    return kSections;
}

FormattingReferenceWindow::FormattingReferenceWindow(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(tr(title));
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(contentSize);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *content = new QWidget(scroll);
    auto *grid = new QGridLayout(content);
    grid->setContentsMargins(12, 12, 12, 12);
    grid->setSpacing(10);
    int index = 0;
    for (const ReferenceSection &section : kSections) {
        grid->addWidget(card(section, content), index / 2, index % 2);
        ++index;
    }
    grid->setRowStretch(index / 2 + 1, 1);
    scroll->setWidget(content);
    outer->addWidget(scroll);
}

FormattingReference::~FormattingReference()
{
    delete m_window;
}

void FormattingReference::showWindow()
{
    if (!m_window) {
        m_window = new FormattingReferenceWindow;
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), m_window->size());
            frame.moveCenter(screen->availableGeometry().center());
            m_window->move(frame.topLeft());
        }
    }
    m_window->show();
    m_window->raise();
}

} // namespace parlix::ui
