// References to the objects every window of the console works with. The application owns them all.
#pragma once

#include <QString>

#include "access/access_rules.h"
#include "polling/poll_controller.h"

namespace zephyra {

class SerialEndpoint;
class TcpEndpoint;
class LinkPortEndpoint;
class ResponseReceiver;
class TMain_Form;
class HistoryController;

struct ConsoleContext {
    PollState &State;
    PollController &Controller;
    ModbusCodec &Codec;
    ResponseReceiver &Receiver;
    SerialEndpoint &Serial;
    TcpEndpoint &Tcp;
    PollTimer &Timer1;
    Operator &Messages;
    const Clock &SystemClock;
    HistoryController &History;
    // Files the console writes (status logs, workbooks) go here: the program's directory.
    QString ProgramDir;
    QString DefaultHost;
};

} // namespace zephyra
