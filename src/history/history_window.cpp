#include "history/history_commands.h"

#include "polling/main_window.h"

namespace zephyra {

void InstallHistoryCommands(TMain_Form &) {}

} // namespace zephyra
