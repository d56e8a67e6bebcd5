#pragma once

namespace zephyra {
class TMain_Form;
struct HistoryContext;
// Connects the history menu commands of the main window to the history windows.
void InstallHistoryCommands(TMain_Form &window, HistoryContext ctx);
} // namespace zephyra
