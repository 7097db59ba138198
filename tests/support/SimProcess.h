// Runs controller-sim as a child process of a test (it shares the test's private network
// namespace, or enters another one the test created) and reads the JSON event lines it prints.
// Single-threaded: the child's output goes into a large pipe that every call drains without
// blocking, so a test may run the program's receive loop for a while between calls.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

class SimProcess {
public:
    // One event: key -> value text. Strings are unescaped, numbers and true/false are kept
    // as written ("5001", "true").
    using Event = std::map<std::string, std::string>;
    using Predicate = std::function<bool(const Event&)>;
    using Clock = std::chrono::steady_clock;

    // args are the simulator's options (without the program name).
    explicit SimProcess(std::vector<std::string> args);
    // Stops the child (SIGTERM, then SIGKILL if it lingers) and reaps it.
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Makes Start run the simulator inside the network namespace at path (for example
    // privatenet::Lan::Path()) instead of the test's own.
    void EnterNamespace(const std::string& path) { netnsPath_ = path; }

    // Makes Start run the program at path with the args instead of the simulator, and come
    // back as soon as it runs (no "ready" event is waited for).
    void RunProgram(const std::string& path) { program_ = path; }

    // Starts the simulator and waits up to readyTimeoutMs for its "ready" event. Gives an
    // empty string on success, else what went wrong (the child is stopped then). The system
    // kills the simulator when the thread that called Start ends, the test process ending
    // included: call it from a thread that lives as long as the simulator is needed.
    std::string Start(int readyTimeoutMs = 10000);

    // Every event read so far (after reading what is waiting).
    const std::vector<Event>& Events();
    // When the event at index of Events() was read: never before the simulator printed it.
    Clock::time_point ReadAt(size_t index) const { return readAt_.at(index); }
    // The events named name (after reading what is waiting).
    std::vector<Event> EventsNamed(const std::string& name);

    // Reads events until one at index from or later satisfies pred, or timeoutMs passes.
    // Gives that event, or nullopt.
    std::optional<Event> WaitForEvent(const Predicate& pred, int timeoutMs, size_t from = 0);
    // Shorthand: the first event with the given name (and, when given, key == value).
    std::optional<Event> WaitForEvent(const std::string& name, int timeoutMs, size_t from = 0);

    // Waits up to timeoutMs for the child to end by itself. Gives its exit status (or
    // 128 + signal), or nullopt while it still runs. Reads its last events as well.
    std::optional<int> WaitForExit(int timeoutMs);

    // Waits up to timeoutMs for output from any of the simulators, then reads what each has.
    static void ReadAny(const std::vector<SimProcess*>& sims, int timeoutMs);

    // Sends a signal to the child (while it runs).
    void Signal(int signal);

    // The path of the simulator binary (CONTROLLER_SIM_PATH, or $QUORREL_CONTROLLER_SIM).
    static std::string BinaryPath();

    // Parses one line holding a flat JSON object with string, number and boolean values.
    // nullopt for anything else.
    static std::optional<Event> ParseLine(const std::string& line);

    // Lines that were not events (for failure messages).
    const std::vector<std::string>& OtherLines() const { return otherLines_; }

private:
    void Drain();
    void Stop();

    std::vector<std::string> args_;
    std::string netnsPath_;
    std::string program_; // empty: the simulator
    pid_t pid_ = -1;
    int readFd_ = -1;
    std::optional<int> exitStatus_;
    std::string partial_;
    std::vector<Event> events_;
    std::vector<Clock::time_point> readAt_; // one for each event
    std::vector<std::string> otherLines_;
};

// Reads the simulators' output on a thread of its own while it lives, so that each event's
// ReadAt follows its printing by no more than that thread's wait for a processor. Nothing
// else may call the simulators meanwhile.
class SimWatch {
public:
    explicit SimWatch(std::vector<SimProcess*> sims);
    ~SimWatch();
    SimWatch(const SimWatch&) = delete;
    SimWatch& operator=(const SimWatch&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Convenience for test expectations: event[key], or "" when missing.
std::string Field(const SimProcess::Event& event, const std::string& key);
