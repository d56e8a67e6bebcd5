#include "config/network_dialogs.h"

#include "polling/main_window.h"

namespace zephyra {

void OpenIpSettingDialog(TMain_Form &) {}

void OpenAclCommand(TMain_Form &) {}

} // namespace zephyra
