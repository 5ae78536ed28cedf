#pragma once
// The hotkey manager as the controller's HotkeyRegistration.
#include "controller/DictationServices.h"

namespace parlix {

class HotkeyManager;

class HotkeyManagerAdapter : public HotkeyRegistration {
public:
    explicit HotkeyManagerAdapter(HotkeyManager &manager) : m_manager(manager) {}
    void setHandlers(std::function<void()> pressed, std::function<void()> released) override;
    void registerHotkey() override;

private:
    HotkeyManager &m_manager;
};

} // namespace parlix
