// Names people can read for what the status block shows: an English key for scripts, alerts and
// columns, the unit, and the caption the main window puts beside it. The keys are an interface: once
// released they do not change.
#pragma once

#include <span>
#include <string_view>

namespace zephyra {

struct ReadableName {
    const char *Widget;  // object name of the main-window field or lamp
    const char *Key;     // snake_case, stable
    const char *Unit;    // "V", "A", "°C", or "" for texts and lamps
    const char *Caption; // the window's caption, without its trailing blank; Korean ones are marked texts
};

// Every status field and lamp, in the order the decoder fills them.
std::span<const ReadableName> ReadableNames();
// The entry of a field or lamp; nullptr for a name the table does not know.
const ReadableName *FindReadableName(std::string_view widget);
// The key of a field or lamp, or the widget name itself when the table does not know it.
const char *ReadableKey(const char *widget);

} // namespace zephyra
