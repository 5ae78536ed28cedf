#include "controller/adapters/HotkeyManagerAdapter.h"

#include "hotkey/HotkeyManager.h"

namespace parlix {

void HotkeyManagerAdapter::setHandlers(std::function<void()> pressed, std::function<void()> released)
{
    m_manager.onHotkeyPressed = std::move(pressed);
    m_manager.onHotkeyReleased = std::move(released);
}

void HotkeyManagerAdapter::registerHotkey()
{
    m_manager.registerHotkey();
}

} // namespace parlix
