#include "SimProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

int EncodeStatus(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

SimProcess::SimProcess(std::vector<std::string> args) : args_(std::move(args)) {}

SimProcess::~SimProcess() {
    Stop();
}

std::string SimProcess::BinaryPath() {
    if (const char* path = std::getenv("QUORREL_CONTROLLER_SIM"); path != nullptr && *path)
        return path;
#ifdef CONTROLLER_SIM_PATH
    return CONTROLLER_SIM_PATH;
#else
    return "controller-sim";
#endif
}

std::string SimProcess::Start(int readyTimeoutMs) {
    if (pid_ > 0)
        return "already started";
    const std::string path = program_.empty() ? BinaryPath() : program_;
    // Everything the child needs is prepared before fork: after it, only exec.
    std::vector<std::string> argvText;
    argvText.push_back(path);
    argvText.insert(argvText.end(), args_.begin(), args_.end());
    std::vector<char*> argv;
    for (auto& a : argvText)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int netns = -1;
    if (!netnsPath_.empty()) {
        netns = ::open(netnsPath_.c_str(), O_RDONLY | O_CLOEXEC);
        if (netns < 0)
            return netnsPath_ + ": " + std::strerror(errno);
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        const int err = errno;
        if (netns >= 0)
            ::close(netns);
        return std::string("pipe2: ") + std::strerror(err);
    }
    // Room for thousands of event lines while the test is busy elsewhere.
    ::fcntl(fds[0], F_SETPIPE_SZ, 1 << 20);

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int err = errno;
        ::close(fds[0]);
        ::close(fds[1]);
        if (netns >= 0)
            ::close(netns);
        return std::string("fork: ") + std::strerror(err);
    }
    if (pid == 0) {
        // The simulator ends with the test process, however that ends: killed once the
        // thread that forked it is gone, and at once if that happened before this line.
        if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
            ::_exit(125);
        if (netns >= 0 && ::setns(netns, CLONE_NEWNET) != 0)
            ::_exit(126);
        ::dup2(fds[1], 1);
        // No inherited sockets: a test's open endpoint must not stay bound in the child.
        ::syscall(SYS_close_range, 3u, ~0u, 0u);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    if (netns >= 0)
        ::close(netns);
    pid_ = pid;
    readFd_ = fds[0];
    ::fcntl(readFd_, F_SETFL, ::fcntl(readFd_, F_GETFL) | O_NONBLOCK);

    if (!program_.empty() || WaitForEvent("ready", readyTimeoutMs))
        return {};
    std::string why = "controller-sim (" + path + ") gave no ready event";
    // A child that closed its output is ending: give it a moment to be reaped.
    if (const auto status = WaitForExit(readFd_ < 0 ? 2000 : 0))
        why += "; it ended with status " + std::to_string(*status);
    for (const auto& line : otherLines_)
        why += "\n  " + line;
    Stop();
    return why;
}

void SimProcess::Drain() {
    if (readFd_ < 0)
        return;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(readFd_, buffer, sizeof buffer);
        if (got > 0) {
            partial_.append(buffer, static_cast<size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got == 0) { // the child closed its output
            ::close(readFd_);
            readFd_ = -1;
        }
        break;
    }
    const Clock::time_point now = Clock::now();
    size_t start = 0;
    for (size_t nl; (nl = partial_.find('\n', start)) != std::string::npos; start = nl + 1) {
        const std::string line = partial_.substr(start, nl - start);
        if (auto event = ParseLine(line)) {
            events_.push_back(std::move(*event));
            readAt_.push_back(now);
        } else if (!line.empty())
            otherLines_.push_back(line);
    }
    partial_.erase(0, start);
}

const std::vector<SimProcess::Event>& SimProcess::Events() {
    Drain();
    return events_;
}

std::vector<SimProcess::Event> SimProcess::EventsNamed(const std::string& name) {
    Drain();
    std::vector<Event> out;
    for (const auto& e : events_)
        if (Field(e, "event") == name)
            out.push_back(e);
    return out;
}

std::optional<SimProcess::Event> SimProcess::WaitForEvent(const Predicate& pred, int timeoutMs,
                                                          size_t from) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t checked = from;
    for (;;) {
        Drain();
        for (; checked < events_.size(); ++checked)
            if (pred(events_[checked]))
                return events_[checked];
        const int left = MsLeft(deadline);
        if (left == 0 || readFd_ < 0)
            return std::nullopt;
        pollfd p{readFd_, POLLIN, 0};
        ::poll(&p, 1, left);
    }
}

std::optional<SimProcess::Event> SimProcess::WaitForEvent(const std::string& name, int timeoutMs,
                                                          size_t from) {
    return WaitForEvent([&](const Event& e) { return Field(e, "event") == name; }, timeoutMs, from);
}

void SimProcess::ReadAny(const std::vector<SimProcess*>& sims, int timeoutMs) {
    std::vector<pollfd> fds;
    for (const SimProcess* sim : sims)
        if (sim->readFd_ >= 0)
            fds.push_back({sim->readFd_, POLLIN, 0});
    if (fds.empty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return;
    }
    if (::poll(fds.data(), fds.size(), timeoutMs) > 0)
        for (SimProcess* sim : sims)
            sim->Drain();
}

std::optional<int> SimProcess::WaitForExit(int timeoutMs) {
    if (exitStatus_)
        return exitStatus_;
    if (pid_ <= 0)
        return std::nullopt;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        Drain();
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            Drain();
            exitStatus_ = EncodeStatus(status);
            return exitStatus_;
        }
        const int left = MsLeft(deadline);
        if (left == 0)
            return std::nullopt;
        ::usleep(static_cast<useconds_t>(std::min(left, 10) * 1000));
    }
}

void SimProcess::Signal(int signal) {
    if (pid_ > 0)
        ::kill(pid_, signal);
}

void SimProcess::Stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        if (!WaitForExit(2000)) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            exitStatus_ = EncodeStatus(status);
            pid_ = -1;
        }
    }
    if (readFd_ >= 0) {
        ::close(readFd_);
        readFd_ = -1;
    }
}

std::optional<SimProcess::Event> SimProcess::ParseLine(const std::string& line) {
    Event event;
    size_t i = 0;
    auto skipSpace = [&] {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
    };
    auto readString = [&](std::string& out) {
        if (i >= line.size() || line[i] != '"')
            return false;
        ++i;
        while (i < line.size() && line[i] != '"') {
            char ch = line[i++];
            if (ch == '\\') {
                if (i >= line.size())
                    return false;
                const char esc = line[i++];
                switch (esc) {
                case 'n':
                    ch = '\n';
                    break;
                case 't':
                    ch = '\t';
                    break;
                case 'r':
                    ch = '\r';
                    break;
                case 'u': {
                    if (i + 4 > line.size())
                        return false;
                    const long code = std::strtol(line.substr(i, 4).c_str(), nullptr, 16);
                    i += 4;
                    if (code > 0x7F)
                        return false; // the simulator only escapes control characters
                    ch = static_cast<char>(code);
                    break;
                }
                default:
                    ch = esc;
                    break; // \" \\ \/
                }
            }
            out += ch;
        }
        if (i >= line.size())
            return false;
        ++i; // closing quote
        return true;
    };

    skipSpace();
    if (i >= line.size() || line[i++] != '{')
        return std::nullopt;
    skipSpace();
    if (i < line.size() && line[i] == '}') {
        ++i;
    } else {
        for (;;) {
            skipSpace();
            std::string key, value;
            if (!readString(key))
                return std::nullopt;
            skipSpace();
            if (i >= line.size() || line[i++] != ':')
                return std::nullopt;
            skipSpace();
            if (i < line.size() && line[i] == '"') {
                if (!readString(value))
                    return std::nullopt;
            } else {
                const size_t start = i;
                while (i < line.size() && line[i] != ',' && line[i] != '}' && line[i] != ' ')
                    ++i;
                value = line.substr(start, i - start);
                const bool word = value == "true" || value == "false" || value == "null";
                char* end = nullptr;
                std::strtod(value.c_str(), &end);
                if (value.empty() || (!word && end != value.c_str() + value.size()))
                    return std::nullopt;
            }
            event[key] = value;
            skipSpace();
            if (i >= line.size())
                return std::nullopt;
            if (line[i] == ',') {
                ++i;
                continue;
            }
            if (line[i] == '}') {
                ++i;
                break;
            }
            return std::nullopt;
        }
    }
    skipSpace();
    if (i != line.size())
        return std::nullopt;
    return event;
}

SimWatch::SimWatch(std::vector<SimProcess*> sims)
    : thread_([this, sims = std::move(sims)] {
          while (!stop_)
              SimProcess::ReadAny(sims, 20);
      }) {}

SimWatch::~SimWatch() {
    stop_ = true;
    thread_.join();
}

std::string Field(const SimProcess::Event& event, const std::string& key) {
    const auto found = event.find(key);
    return found == event.end() ? std::string() : found->second;
}
