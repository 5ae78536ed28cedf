#pragma once
// The tabs of the settings window, in their order; the controller names the one to open.
namespace parlix {

enum class SettingsTab { recording, model, output, history, general, about };

} // namespace parlix
