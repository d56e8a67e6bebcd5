// Texts of the core's tables are Korean source texts; the windows translate them when English is chosen.
// The marker only lets the translation tools find them: the core stays free of the toolkit.
#pragma once

#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif
#ifndef QT_TRANSLATE_NOOP3
#define QT_TRANSLATE_NOOP3(scope, x, comment) x
#endif

namespace zephyra {
// The one context under which the core's texts are translated: QT_TRANSLATE_NOOP("zephyra", ...).
inline constexpr const char *kCoreTextContext = "zephyra";
} // namespace zephyra
