#include "config/settings_commands.h"

#include "polling/main_window.h"

namespace zephyra {

void InstallSettingsCommands(TMain_Form &) {}

} // namespace zephyra
