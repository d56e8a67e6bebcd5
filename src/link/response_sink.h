// Where the receiver hands each complete response: the poll controller's dispatcher.
#pragma once

#include <cstdint>

#include "link/bytes.h"

namespace zephyra {

class ResponseSink {
public:
    virtual ~ResponseSink() = default;
    // function: the response's function code; payload: every byte after it (serial: CRC included).
    virtual void ResponseDispatcher(int32_t function, Bytes payload) = 0;
};

} // namespace zephyra
