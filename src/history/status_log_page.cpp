#include "history/status_log_commands.h"

#include "polling/main_window.h"

namespace zephyra {

void InstallStatusLogPage(TMain_Form &) {}

} // namespace zephyra
