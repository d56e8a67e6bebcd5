#include "config/settings_commands.h"

#include <QAction>

#include "config/control_command_dialog.h"
#include "config/date_time_dialog.h"
#include "config/measurement_setting_dialog.h"
#include "config/network_dialogs.h"
#include "config/operating_setting_dialog.h"
#include "status/main_window.h"

namespace zephyra {

void InstallSettingsCommands(TMain_Form &window, SettingsContext &ctx) {
    const std::pair<const char *, void (*)(SettingsContext &, QWidget *)> commands[] = {
        {"mSystemOperation", mSystemOperationClick},
        {"mMeasurementSet", mMeasurementSetClick},
        {"mDataTimeSet", mDataTimeSetClick},
        {"mIPSet", OpenIpSettingDialog},
        {"mACLSet", OpenAclCommand},
        {"mControllerReset", mControllerResetClick},
        {"mFactoryInitial", mFactoryInitialClick},
        {"mAlarmTest", mAlarmTestClick},
    };
    for (const auto &[name, open] : commands) {
        QAction *action = window.Action(name);
        if (!action)
            continue;
        TMain_Form *w = &window;
        // Queued: the command opens a modal window and must not keep its caller waiting.
        QObject::connect(
            action, &QAction::triggered, w, [w, &ctx, open = open] { open(ctx, w); }, Qt::QueuedConnection);
    }
}

} // namespace zephyra
