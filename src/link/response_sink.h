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
    // Serial only, asked before a reply is booked to the awaited request: whether its content shows it
    // answers an earlier one (a second answer to a history record already stored). Such a reply is
    // dropped and the awaited request keeps waiting.
    virtual bool AnswersEarlierRequest(int32_t /*function*/, const Bytes & /*payload*/) { return false; }
};

} // namespace zephyra
