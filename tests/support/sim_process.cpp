#include "support/sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace zephyra::test {
namespace {

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string SimBinary() {
    const char *env = std::getenv("ZEPHYRA_SIM");
    if (!env || !*env)
        return "";
    // The simulator starts in its own directory: a relative path is taken from ours.
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(env, ignored);
    return absolute.empty() ? env : absolute.string();
}

std::string MakeTempDir() {
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zephyra-sim-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data()))
        return {};
    return buf.data();
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Child side of fork: only async-signal-safe calls until exec.
[[noreturn]] void ExecChild(const std::string &dir, int stdoutFd, int stderrFd, std::vector<char *> &argv) {
    if (chdir(dir.c_str()) != 0)
        _exit(127);
    if (stdoutFd >= 0)
        dup2(stdoutFd, 1);
    if (stderrFd >= 0)
        dup2(stderrFd, 2);
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0)
        dup2(devnull, 0);
    execv(argv[0], argv.data());
    _exit(127);
}

int DecodeStatus(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

// Waits for pid up to timeoutMs; returns the decoded status or nullopt-like -2 on timeout.
int WaitFor(pid_t pid, int timeoutMs) {
    int64_t end = NowMs() + timeoutMs;
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return DecodeStatus(status);
        if (r < 0)
            return -1;
        if (NowMs() >= end)
            return -2;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string Field(const std::string &line, const std::string &key) {
    auto at = line.find(" " + key + "=");
    if (at == std::string::npos)
        return {};
    at += key.size() + 2;
    auto end = line.find(' ', at);
    return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

} // namespace

std::unique_ptr<SimProcess> SimProcess::Start(const SimOptions &options, std::string *error, int timeoutMs) {
    auto fail = [&](const std::string &message) -> std::unique_ptr<SimProcess> {
        if (error)
            *error = message;
        return nullptr;
    };
    const std::string binary = SimBinary();
    if (binary.empty())
        return fail("ZEPHYRA_SIM is not set (ctest sets it to the zephyra-sim binary)");

    std::unique_ptr<SimProcess> sim(new SimProcess);
    sim->dir_ = MakeTempDir();
    if (sim->dir_.empty())
        return fail("cannot make a temporary directory");
    sim->journalPath_ = sim->dir_ + "/journal.log";

    std::vector<std::string> args{binary, "--journal", sim->journalPath_};
    if (!options.scenarioJson.empty()) {
        std::ofstream(sim->dir_ + "/scenario.json") << options.scenarioJson;
        args.insert(args.end(), {"--scenario", sim->dir_ + "/scenario.json"});
    } else if (!options.scenarioPath.empty()) {
        args.insert(args.end(), {"--scenario", options.scenarioPath});
    }
    if (!options.pty)
        args.push_back("--no-pty");
    if (options.pty && options.link)
        args.insert(args.end(), {"--link", sim->dir_ + "/ttyV0"});
    if (options.tcp)
        args.insert(args.end(), {"--tcp-port", "0"});
    else
        args.push_back("--no-tcp");
    args.insert(args.end(), options.extraArgs.begin(), options.extraArgs.end());

    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return fail("pipe failed");
    int err = open((sim->dir_ + "/stderr.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    pid_t pid = fork();
    if (pid < 0)
        return fail("fork failed");
    if (pid == 0)
        ExecChild(sim->dir_, out[1], err, argv);
    close(out[1]);
    if (err >= 0)
        close(err);
    sim->pid_ = pid;

    // The ready line, or the end of the process.
    std::string line;
    int64_t end = NowMs() + timeoutMs;
    bool ready = false;
    while (!ready) {
        int64_t left = end - NowMs();
        if (left <= 0)
            break;
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        char buf[256];
        ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0)
            break;
        line.append(buf, static_cast<std::size_t>(n));
        if (auto nl = line.find('\n'); nl != std::string::npos) {
            line.resize(nl);
            ready = true;
        }
    }
    close(out[0]);
    if (!ready || line.rfind("zephyra-sim ready", 0) != 0) {
        sim->Stop(1000);
        return fail("zephyra-sim did not become ready (output '" + line + "', stderr '" + sim->Stderr() +
                    "')");
    }
    sim->readyLine_ = line;
    sim->ptyPath_ = Field(line, "pty");
    sim->linkPath_ = Field(line, "link");
    std::string tcp = Field(line, "tcp");
    if (auto colon = tcp.rfind(':'); colon != std::string::npos)
        sim->tcpPort_ = std::atoi(tcp.c_str() + colon + 1);
    return sim;
}

SimProcess::~SimProcess() {
    Stop();
    if (!dir_.empty() && !std::getenv("ZEPHYRA_KEEP_SIM_DIR")) {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
}

bool SimProcess::Running() {
    if (pid_ <= 0)
        return false;
    int status = 0;
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == 0)
        return true;
    if (r == pid_)
        exitStatus_ = DecodeStatus(status);
    pid_ = -1;
    return false;
}

int SimProcess::Stop(int timeoutMs) {
    if (pid_ <= 0)
        return exitStatus_;
    kill(pid_, SIGTERM);
    int status = WaitFor(pid_, timeoutMs);
    if (status == -2) {
        kill(pid_, SIGKILL);
        status = WaitFor(pid_, 5000);
    }
    pid_ = -1;
    exitStatus_ = status;
    return status;
}

std::string SimProcess::Stderr() const {
    return ReadFile(dir_ + "/stderr.log");
}

std::vector<JournalEntry> SimProcess::ReadJournal() const {
    std::vector<JournalEntry> entries;
    std::ifstream in(journalPath_);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        JournalEntry e;
        if (!(fields >> e.ms >> e.link >> e.dir))
            continue; // a line still being written
        std::string rest;
        std::getline(fields, rest);
        if (!rest.empty() && rest[0] == ' ')
            rest.erase(0, 1);
        if (e.dir == "NOTE")
            e.text = rest;
        else
            ParseHexBytes(rest, e.bytes);
        entries.push_back(std::move(e));
    }
    return entries;
}

bool SimProcess::WaitForJournal(const std::function<bool(const std::vector<JournalEntry> &)> &pred,
                                int timeoutMs) const {
    int64_t end = NowMs() + timeoutMs;
    for (;;) {
        if (pred(ReadJournal()))
            return true;
        if (NowMs() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

SimRun RunSimToEnd(const std::vector<std::string> &args, int timeoutMs) {
    std::vector<std::string> all{SimBinary()};
    all.insert(all.end(), args.begin(), args.end());
    return SimBinary().empty() ? SimRun{} : RunToEnd(all, timeoutMs);
}

SimRun RunToEnd(const std::vector<std::string> &argv, int timeoutMs) {
    SimRun run;
    auto child = ChildProcess::Start(argv);
    if (!child)
        return run;
    run.exitCode = child->Wait(timeoutMs);
    if (run.exitCode == -2) {
        run.timedOut = true;
        child->Signal(SIGKILL);
        run.exitCode = child->Wait(5000);
    }
    run.out = child->Out();
    run.err = child->Err();
    return run;
}

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::vector<std::string> &argv) {
    std::unique_ptr<ChildProcess> child(new ChildProcess);
    child->dir_ = MakeTempDir();
    if (argv.empty() || child->dir_.empty())
        return nullptr;
    std::vector<std::string> args = argv;
    std::vector<char *> pointers;
    for (auto &a : args)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);
    int out = open((child->dir_ + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int err = open((child->dir_ + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    pid_t pid = fork();
    if (pid == 0)
        ExecChild(child->dir_, out, err, pointers);
    if (out >= 0)
        close(out);
    if (err >= 0)
        close(err);
    if (pid < 0)
        return nullptr;
    child->pid_ = pid;
    return child;
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        WaitFor(pid_, 5000);
    }
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

std::string ChildProcess::Out() const {
    return ReadFile(dir_ + "/out");
}

std::string ChildProcess::Err() const {
    return ReadFile(dir_ + "/err");
}

bool ChildProcess::WaitForOutput(const std::function<bool(const std::string &, const std::string &)> &pred,
                                 int timeoutMs) const {
    const int64_t end = NowMs() + timeoutMs;
    for (;;) {
        if (pred(Out(), Err()))
            return true;
        siginfo_t info{};
        // Ended (not reaped, so Wait still gets its status): no more output will come.
        const bool ended = pid_ <= 0 ||
                           waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
                           info.si_pid != 0;
        if (NowMs() >= end || ended)
            return pred(Out(), Err());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void ChildProcess::Signal(int signal) const {
    if (pid_ > 0)
        kill(pid_, signal);
}

int ChildProcess::Wait(int timeoutMs) {
    if (pid_ <= 0)
        return -1;
    const int status = WaitFor(pid_, timeoutMs);
    if (status != -2)
        pid_ = -1;
    return status;
}

std::vector<Bytes> JournalFrames(const std::vector<JournalEntry> &entries, const std::string &link,
                                 const std::string &dir) {
    std::vector<Bytes> out;
    for (const auto &e : entries)
        if (e.link == link && e.dir == dir)
            out.push_back(e.bytes);
    return out;
}

std::vector<Bytes> SentStatusBlocks(const SimProcess &sim, const std::string &link) {
    std::vector<Bytes> blocks;
    const std::size_t skip = link == "TCP" ? 6 : 0; // the MBAP header before the unit
    for (const Bytes &frame : JournalFrames(sim.ReadJournal(), link, "TX"))
        if (frame.size() >= skip + 3 + 254 && frame[skip + 1] == 0x04 && frame[skip + 2] == 0xFE)
            blocks.emplace_back(frame.begin() + static_cast<std::ptrdiff_t>(skip + 3),
                                frame.begin() + static_cast<std::ptrdiff_t>(skip + 3 + 254));
    return blocks;
}

} // namespace zephyra::test
