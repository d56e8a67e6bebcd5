// The simulator's single-threaded loop: a pseudo-terminal for Modbus RTU, one loopback TCP connection for
// Modbus TCP, replies scheduled on timers so that latency and chunking never block the loop.
#pragma once

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "device.h"
#include "journal.h"
#include "request_framer.h"
#include "scenario.h"

namespace zephyra::sim {

struct ServerOptions {
    bool pty = true;
    std::string linkPath; // symlink to the pseudo-terminal's slave side; empty = none
    bool tcp = true;
    int tcpPort = 0; // 0 = the system chooses
    std::string journalPath;
    // TCP clients served at once; one more pushes the oldest off, as a one-client controller does.
    int maxClients = 1;
};

class Server {
public:
    Server(const Scenario &scenario, ServerOptions options);
    ~Server();
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    // Opens everything; returns an error text, empty on success.
    std::string Setup();
    std::string ReadyLine() const;
    // Serves until SIGINT or SIGTERM.
    void Run();

private:
    struct Action {
        enum Kind { Write, Close } kind = Write;
        Channel channel = Channel::Rtu;
        uint64_t connection = 0;
        Bytes bytes;
        const char *journalAs = nullptr; // direction for the journal, or none for a continuation chunk
        Bytes journalBytes;
    };

    int64_t NowMs() const;
    int PollTimeoutMs(int64_t now) const;
    void Schedule(int64_t due, Action action);
    void RunDueActions(int64_t now);
    void Perform(Action &action, int64_t now);

    void OnPtyReadable(int64_t now);
    void HandleRtuPieces(const std::vector<RtuPiece> &pieces, int64_t now);
    void OnAccept(int64_t now);
    struct Client {
        int fd = -1;
        uint64_t connection = 0;
        int requests = 0;
        bool closeWhenFlushed = false;
        TcpFramer framer;
        Bytes out;
    };
    Client *FindClient(uint64_t connection);
    void OnClientReadable(Client &client, int64_t now);
    // Closes and forgets the client; references to it are invalid afterwards.
    void CloseClient(uint64_t connection, int64_t now, const char *why);
    void Answer(Channel channel, ByteView unit, const Bytes &tcpHeader, int64_t now,
                Client *client = nullptr);
    void Flush(int fd, Bytes &queue);

    Scenario scenario_;
    ServerOptions options_;
    Device device_;
    Journal journal_;
    RtuFramer rtu_;
    TcpFramer tcpFramer_;
    std::minstd_rand rng_;

    int master_ = -1;
    int slave_ = -1; // kept open so that the master never sees a hang-up when the console closes the port
    std::string ptyPath_;
    bool linkMade_ = false;
    int listen_ = -1;
    int tcpPortBound_ = 0;
    std::vector<Client> clients_; // oldest first
    uint64_t connection_ = 0;     // the id of the latest connection
    Bytes ptyOut_;

    std::map<std::pair<int64_t, uint64_t>, Action> actions_;
    uint64_t actionSeq_ = 0;
    int64_t lastDue_[2] = {0, 0};
    uint64_t replies_ = 0;
    uint64_t rtuReplies_ = 0;
    int64_t startMs_ = 0;
};

} // namespace zephyra::sim
