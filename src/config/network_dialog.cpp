#include "config/network_dialogs.h"

#include "config/acl_setting_dialog.h"
#include "config/ip_setting_dialog.h"
#include "config/tcp_set_dialog.h"
#include "polling/main_window.h"

namespace zephyra {

void OpenIpSettingDialog(TMain_Form &window) {
    ConsoleContext &ctx = window.Context();
    // Over TCP the poll goes on while the dialog is open.
    if (ctx.State.Link == LinkKind::Serial)
        ctx.State.RequestMode = mode::kPaused;
    ShowSettingDialog<TfrmIPSetting>(window);
}

void OpenAclCommand(TMain_Form &window) {
    ConsoleContext &ctx = window.Context();
    // The full list can be changed only over the serial line; over TCP only the switch can.
    if (ctx.State.Link == LinkKind::Serial) {
        ctx.State.RequestMode = mode::kPaused;
        ShowSettingDialog<TfrmACLSetting>(window);
    } else {
        ShowSettingDialog<TfrmTCP_Set>(window);
    }
}

} // namespace zephyra
