// The network-address and access-list commands, opened from the settings menu.
#pragma once

namespace zephyra {
class TMain_Form;
void OpenIpSettingDialog(TMain_Form &window);
void OpenAclCommand(TMain_Form &window);
} // namespace zephyra
