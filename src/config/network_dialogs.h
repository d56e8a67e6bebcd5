#pragma once

class QWidget;

namespace zephyra {
struct SettingsContext;
void OpenIpSettingDialog(SettingsContext &ctx, QWidget *parent);
// Serial: the access-list window; any other link: the TCP remote window.
void OpenAclCommand(SettingsContext &ctx, QWidget *parent);
} // namespace zephyra
