#include "core/local_clock.h"

namespace zephyra {

std::tm LocalTimeAt(std::time_t seconds) {
    std::tm local{};
    localtime_r(&seconds, &local);
    return local;
}

std::tm LocalNow() {
    return LocalTimeAt(std::time(nullptr));
}

} // namespace zephyra
