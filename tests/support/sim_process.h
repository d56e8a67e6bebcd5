// Starts zephyra-sim (the binary named by the environment variable ZEPHYRA_SIM, which ctest sets) in a
// fresh temporary directory, waits for its ready line and reads its journal. No Qt.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/bytes.h"

namespace zephyra::test {

struct SimOptions {
    std::string scenarioJson; // scenario text, written to scenario.json in the temporary directory
    std::string scenarioPath; // or an existing scenario file
    bool pty = true;
    bool link = true; // a symlink "ttyV0" in the temporary directory pointing at the pseudo-terminal
    bool tcp = true;  // on a port the system chooses
    std::vector<std::string> extraArgs;
};

struct JournalEntry {
    int64_t ms = 0;
    std::string link; // "RTU" or "TCP"
    std::string dir;  // RX, TX, DROP, NOISE, JUNK or NOTE
    Bytes bytes;      // the frame (empty for NOTE)
    std::string text; // the note (NOTE only)
};

class SimProcess {
public:
    // Null and *error set when the simulator did not become ready within timeoutMs.
    static std::unique_ptr<SimProcess> Start(const SimOptions &options, std::string *error = nullptr,
                                             int timeoutMs = 10000);
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    const std::string &PtyPath() const { return ptyPath_; }
    const std::string &LinkPath() const { return linkPath_; } // empty without a link
    // The device path to open: the link when there is one.
    const std::string &SerialPath() const { return linkPath_.empty() ? ptyPath_ : linkPath_; }
    int TcpPort() const { return tcpPort_; }
    const std::string &Dir() const { return dir_; }
    const std::string &JournalPath() const { return journalPath_; }
    const std::string &ReadyLine() const { return readyLine_; }
    pid_t Pid() const { return pid_; }

    std::vector<JournalEntry> ReadJournal() const;
    // Polls the journal until pred holds or the timeout passes; returns whether it held.
    bool WaitForJournal(const std::function<bool(const std::vector<JournalEntry> &)> &pred,
                        int timeoutMs = 5000) const;
    std::string Stderr() const;

    bool Running();
    // SIGTERM, then waits (SIGKILL after the timeout). Returns the exit code, 128 + signal when killed by
    // one, -1 when it had already been reaped.
    int Stop(int timeoutMs = 5000);

private:
    SimProcess() = default;

    pid_t pid_ = -1;
    int exitStatus_ = -1;
    std::string dir_, ptyPath_, linkPath_, journalPath_, readyLine_;
    int tcpPort_ = 0;
};

struct SimRun {
    int exitCode = -1;
    bool timedOut = false;
    std::string out, err;
};
// Runs the simulator to completion with these arguments (for --help and bad invocations).
SimRun RunSimToEnd(const std::vector<std::string> &args, int timeoutMs = 10000);
// Runs any program (argv[0] its path) to completion in a fresh temporary directory.
SimRun RunToEnd(const std::vector<std::string> &argv, int timeoutMs = 30000);

// A program that runs beside the simulator (zephyra-cli watching it), its output kept in files.
class ChildProcess {
public:
    static std::unique_ptr<ChildProcess> Start(const std::vector<std::string> &argv);
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    std::string Out() const;
    std::string Err() const;
    // Polls the output until pred(stdout, stderr) holds, the program ends or the timeout passes.
    bool WaitForOutput(const std::function<bool(const std::string &, const std::string &)> &pred,
                       int timeoutMs = 10000) const;
    void Signal(int signal) const;
    // The exit code (128 + signal when killed by one); -2 when it is still running after the timeout.
    int Wait(int timeoutMs = 10000);

private:
    ChildProcess() = default;
    pid_t pid_ = -1;
    std::string dir_;
};

// Frames of one direction on one link, in journal order ("RTU"/"TCP", "RX"/"TX"/...).
std::vector<Bytes> JournalFrames(const std::vector<JournalEntry> &entries, const std::string &link,
                                 const std::string &dir);
// The 254-byte status blocks the simulator sent on a link ("RTU"/"TCP"), in order.
std::vector<Bytes> SentStatusBlocks(const SimProcess &sim, const std::string &link);

} // namespace zephyra::test
