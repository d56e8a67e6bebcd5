#pragma once

namespace zephyra {
class TMain_Form;
struct StatusLogContext;
// Fills the main window's "Log" page and saves unsaved lines when the window closes.
void InstallStatusLogPage(TMain_Form &window, StatusLogContext ctx);
} // namespace zephyra
