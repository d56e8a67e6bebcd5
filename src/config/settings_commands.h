#pragma once

namespace zephyra {
class TMain_Form;
struct SettingsContext;
// Connects the settings menu commands of the main window to their dialogs.
void InstallSettingsCommands(TMain_Form &window, SettingsContext &ctx);
} // namespace zephyra
