#include "ui/SettingsWindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace parlix::ui {

namespace {

QIcon themedIcon(const std::array<const char *, 2> &names)
{
    for (const char *name : names) {
        const QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
        if (!icon.isNull())
            return icon;
    }
    return {};
}

} // namespace

SettingsView::SettingsView(SettingsTab selectedTab, const SettingsPageFactory &pages, QWidget *parent)
    : QWidget(parent)
    , m_tabs(new QTabWidget(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->addWidget(m_tabs);
    m_tabs->setMinimumSize(minimumTabViewSize);
    for (const SettingsTabInfo &entry : settingsTabs()) {
        QWidget *page = pages ? pages(entry.tab) : nullptr;
        m_tabs->addTab(page ? page : new QWidget, themedIcon(entry.iconNames), QCoreApplication::translate("parlix::SettingsTab", entry.label));
    }
    setSelectedTab(selectedTab);
}

SettingsTab SettingsView::selectedTab() const
{
    return settingsTabAt(m_tabs->currentIndex()).value_or(SettingsTab::recording);
}

void SettingsView::setSelectedTab(SettingsTab tab)
{
    m_tabs->setCurrentIndex(settingsTabIndex(tab));
}

SettingsWindowHost::SettingsWindowHost(SettingsPageFactory pages, QObject *parent)
    : QObject(parent)
    , m_pages(std::move(pages))
{
}

SettingsWindowHost::~SettingsWindowHost()
{
    delete m_settingsWindow.data();
}

void SettingsWindowHost::openSettingsToTab(SettingsTab tab)
{
    if (!m_settingsWindow) {
        // Titled and closable only: no minimise or maximise button, and a fixed size.
        auto *window = new SettingsView(tab, m_pages);
        window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        window->setWindowTitle(tr(windowTitle));
        // Opened at the initial size, grown to what the tab view needs, then held there.
        window->setFixedSize(initialContentSize.expandedTo(window->minimumSizeHint()));
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), window->size());
            frame.moveCenter(screen->availableGeometry().center());
            window->move(frame.topLeft());
        }
        m_settingsWindow = window;
    }
    m_settingsWindow->setSelectedTab(tab);
    m_settingsWindow->show();
    m_settingsWindow->raise();
    m_settingsWindow->activateWindow();
}

} // namespace parlix::ui
