#include "config/network_dialogs.h"

#include "config/acl_setting_dialog.h"
#include "config/ip_setting_dialog.h"
#include "config/tcp_set_dialog.h"

namespace zephyra {

void OpenIpSettingDialog(SettingsContext &ctx, QWidget *parent) {
    ShowSettingDialog<TfrmIPSetting>(ctx, parent);
}

void OpenAclCommand(SettingsContext &ctx, QWidget *parent) {
    // The full list can be changed only over the serial line; over TCP only the switch can.
    if (ctx.Poll.Link() == LinkKind::Serial)
        ShowSettingDialog<TfrmACLSetting>(ctx, parent);
    else
        ShowSettingDialog<TfrmTCP_Set>(ctx, parent);
}

} // namespace zephyra
