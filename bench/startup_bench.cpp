// startup-bench: how long the program takes from its start until its window shows, against a
// bare Qt Widgets window (startup-bare). Both run as child processes under one Xvfb of the
// bench's own, with a bus of its own (dbus-daemon) as their session and system bus, inside
// a private network namespace; in pairs, the pair's first program taking turns. One
// unmeasured start of each comes first, so that both find their libraries in memory.
//
//   startup-bench [--runs R] [--program PATH] [--bare PATH] [--realtime]   (default: 9 runs)
//
// --realtime: the bench and everything it starts run under the real-time FIFO policy, ahead
// of every ordinary process, which comes near an idle machine on a busy one (it needs the
// right to, CAP_SYS_NICE).
//
// A window shows when the first pixels of its first paint reach the screen. The bench
// watches the root window for the child's top-level window being mapped, then reads the
// pixel at the window's centre until it is no longer black: Xvfb's root is black (-br), and
// a Qt window has no background of its own, so the screen stays black there until its
// client paints. cpu: the child's CPU time (all its threads) at that moment.
//
// Figures only; nothing is asserted.
#include "PrivateNet.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sched.h>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The bench's environment with these variables set ("NAME=value") or, without a value
// ("NAME"), removed.
std::vector<std::string> Environment(const std::vector<std::string>& changes) {
    std::vector<std::string> env;
    const auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const bool changed = std::any_of(changes.begin(), changes.end(), [&](const std::string& c) {
            return nameOf(c) == nameOf(entry);
        });
        if (!changed)
            env.push_back(entry);
    }
    for (const std::string& c : changes)
        if (c.find('=') != std::string::npos)
            env.push_back(c);
    return env;
}

// Starts a child that is killed when the bench ends. keepFd stays open in the child.
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env,
            int keepFd = -1) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid; // -1: failed
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
    if (keepFd >= 0)
        ::fcntl(keepFd, F_SETFD, 0);
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
    }
    ::execvpe(argv[0], argv.data(), envp.data());
    ::_exit(127);
}

void Stop(pid_t pid) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

// Starts a daemon that writes one line (its display or address) to the descriptor named
// by its arguments (in place of "{fd}") once it is ready; gives that line.
std::optional<std::string> StartAndRead(std::vector<std::string> args, pid_t& pid) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return std::nullopt;
    for (std::string& a : args)
        if (const auto at = a.find("{fd}"); at != std::string::npos)
            a.replace(at, 4, std::to_string(fds[1]));
    pid = Spawn(args, Environment({}), fds[1]);
    ::close(fds[1]);
    std::string line;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
    while (pid > 0 && line.find('\n') == std::string::npos && Clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char buf[256];
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        line.append(buf, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    if (line.find('\n') == std::string::npos)
        return std::nullopt;
    line.erase(line.find('\n'));
    return line;
}

// CPU time of every thread of the process, in ms (the first field of each schedstat).
double CpuMs(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = ::opendir(tasks.c_str());
    if (dir == nullptr)
        return -1;
    double ns = 0;
    while (const dirent* d = ::readdir(dir)) {
        if (d->d_name[0] == '.')
            continue;
        if (std::FILE* f = std::fopen((tasks + "/" + d->d_name + "/schedstat").c_str(), "r")) {
            unsigned long long run = 0;
            if (std::fscanf(f, "%llu", &run) == 1)
                ns += static_cast<double>(run);
            std::fclose(f);
        }
    }
    ::closedir(dir);
    return ns / 1e6;
}

struct Shown {
    double mappedMs = -1;
    double shownMs = -1;
    double cpuMs = -1;
};

class Screen {
public:
    explicit Screen(const std::string& display) {
        x_ = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(x_) != 0)
            return;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(x_)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(x_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(x_);
    }
    ~Screen() { xcb_disconnect(x_); }
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    bool Connected() const { return xcb_connection_has_error(x_) == 0; }

    // Starts the program and times it until its window shows; the program is ended then.
    Shown Time(const std::vector<std::string>& args, const std::vector<std::string>& env) {
        Drain();
        Shown shown;
        const Clock::time_point start = Clock::now();
        const pid_t pid = Spawn(args, env);
        if (pid < 0)
            return shown;
        const Clock::time_point deadline = start + std::chrono::seconds(20);
        const xcb_window_t window = WaitForMap(deadline);
        if (window != 0) {
            shown.mappedMs = Ms(Clock::now() - start);
            if (WaitForPaint(window, deadline)) {
                shown.shownMs = Ms(Clock::now() - start);
                shown.cpuMs = CpuMs(pid);
            }
        }
        Stop(pid);
        return shown;
    }

private:
    void Drain() {
        while (xcb_generic_event_t* e = xcb_poll_for_event(x_))
            std::free(e);
    }

    // The first top-level window mapped from now on (0: none before the deadline).
    xcb_window_t WaitForMap(Clock::time_point deadline) {
        while (Clock::now() < deadline && Connected()) {
            while (xcb_generic_event_t* e = xcb_poll_for_event(x_)) {
                xcb_window_t mapped = 0;
                if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                    const auto* m = reinterpret_cast<xcb_map_notify_event_t*>(e);
                    if (m->event == root_ && m->override_redirect == 0)
                        mapped = m->window;
                }
                std::free(e);
                if (mapped != 0)
                    return mapped;
            }
            pollfd p{xcb_get_file_descriptor(x_), POLLIN, 0};
            ::poll(&p, 1, 5);
        }
        return 0;
    }

    // Waits until the pixel at the window's centre is no longer black.
    bool WaitForPaint(xcb_window_t window, Clock::time_point deadline) {
        xcb_get_geometry_reply_t* g =
            xcb_get_geometry_reply(x_, xcb_get_geometry(x_, window), nullptr);
        if (g == nullptr)
            return false;
        const auto x = static_cast<int16_t>(g->width / 2);
        const auto y = static_cast<int16_t>(g->height / 2);
        std::free(g);
        while (Clock::now() < deadline) {
            xcb_get_image_reply_t* image = xcb_get_image_reply(
                x_, xcb_get_image(x_, XCB_IMAGE_FORMAT_Z_PIXMAP, window, x, y, 1, 1, ~0u), nullptr);
            if (image == nullptr)
                return false; // the window has gone
            const uint8_t* data = xcb_get_image_data(image);
            const int length = xcb_get_image_data_length(image);
            const bool painted = std::any_of(data, data + std::min(length, 3),
                                             [](uint8_t byte) { return byte != 0; });
            std::free(image);
            if (painted)
                return true;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return false;
    }

    xcb_connection_t* x_ = nullptr;
    xcb_window_t root_ = 0;
};

double Median(std::vector<double> v) {
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 9;
    std::string program = QUORREL_PROGRAM_PATH;
    std::string bare = STARTUP_BARE_PATH;
    bool realtime = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (a == "--program" && i + 1 < argc)
            program = argv[++i];
        else if (a == "--bare" && i + 1 < argc)
            bare = argv[++i];
        else if (a == "--realtime")
            realtime = true;
        else {
            std::fprintf(stderr, "usage: startup-bench [--runs R] [--program PATH] [--bare PATH] "
                                 "[--realtime]\n");
            return 2;
        }
    }
    // Children inherit the policy.
    const sched_param priority{10};
    if (realtime && ::sched_setscheduler(0, SCHED_FIFO, &priority) != 0) {
        std::fprintf(stderr, "startup-bench: no real-time policy: %s\n", std::strerror(errno));
        return 1;
    }
    if (runs < 1) {
        std::fprintf(stderr, "startup-bench: --runs must be at least 1\n");
        return 2;
    }
    if (const std::string error = privatenet::Enter(); !error.empty()) {
        std::fprintf(stderr, "startup-bench: no private network namespace: %s\n", error.c_str());
        return 1;
    }

    pid_t xvfb = -1;
    const auto display = StartAndRead({"Xvfb", "-displayfd", "{fd}", "-screen", "0", "1280x1024x24",
                                       "-nolisten", "tcp", "-br", "-noreset"},
                                      xvfb);
    if (!display) {
        std::fprintf(stderr, "startup-bench: Xvfb did not start\n");
        Stop(xvfb);
        return 1;
    }
    pid_t bus = -1;
    const auto address =
        StartAndRead({"dbus-daemon", "--session", "--nofork", "--print-address={fd}"}, bus);
    if (!address) {
        std::fprintf(stderr, "startup-bench: dbus-daemon did not start\n");
        Stop(bus);
        Stop(xvfb);
        return 1;
    }
    char runtimeDir[] = "/tmp/startup-bench-XXXXXX";
    if (::mkdtemp(runtimeDir) == nullptr) {
        std::fprintf(stderr, "startup-bench: no runtime folder: %s\n", std::strerror(errno));
        Stop(bus);
        Stop(xvfb);
        return 1;
    }
    const std::vector<std::string> env = Environment({
        "DISPLAY=:" + *display,
        "QT_QPA_PLATFORM=xcb",
        "DBUS_SESSION_BUS_ADDRESS=" + *address,
        "DBUS_SYSTEM_BUS_ADDRESS=" + *address,
        std::string("XDG_RUNTIME_DIR=") + runtimeDir,
        "WAYLAND_DISPLAY",
    });

    int status = 0;
    {
        Screen screen(":" + *display);
        if (!screen.Connected()) {
            std::fprintf(stderr, "startup-bench: no connection to Xvfb\n");
            status = 1;
        } else {
            screen.Time({bare}, env);
            screen.Time({program}, env);
            std::printf("from start until the window shows, ms: a bare Qt window and %s, %d "
                        "paired runs under Xvfb%s\n",
                        program.substr(program.rfind('/') + 1).c_str(), runs,
                        realtime ? ", real-time policy" : "");
            std::printf("%4s %9s %9s %9s %10s %10s %10s %7s\n", "run", "bare map", "bare shown",
                        "bare cpu", "prog map", "prog shown", "prog cpu", "ratio");
            std::vector<double> bareShown, bareCpu, progShown, progCpu, bareMap, progMap, ratios;
            for (int r = 1; r <= runs; ++r) {
                Shown b, p;
                if (r % 2 == 1) {
                    b = screen.Time({bare}, env);
                    p = screen.Time({program}, env);
                } else {
                    p = screen.Time({program}, env);
                    b = screen.Time({bare}, env);
                }
                std::printf("%4d %9.1f %10.1f %9.1f %10.1f %10.1f %10.1f %7.2f\n", r, b.mappedMs,
                            b.shownMs, b.cpuMs, p.mappedMs, p.shownMs, p.cpuMs,
                            b.shownMs > 0 ? p.shownMs / b.shownMs : 0.0);
                std::fflush(stdout);
                if (b.shownMs < 0 || p.shownMs < 0) {
                    std::fprintf(stderr, "startup-bench: a window did not show\n");
                    status = 1;
                    break;
                }
                bareMap.push_back(b.mappedMs);
                bareShown.push_back(b.shownMs);
                bareCpu.push_back(b.cpuMs);
                progMap.push_back(p.mappedMs);
                progShown.push_back(p.shownMs);
                progCpu.push_back(p.cpuMs);
                ratios.push_back(p.shownMs / b.shownMs);
            }
            if (status == 0) {
                std::printf("%4s %9.1f %10.1f %9.1f %10.1f %10.1f %10.1f %7.2f\n", "med",
                            Median(bareMap), Median(bareShown), Median(bareCpu), Median(progMap),
                            Median(progShown), Median(progCpu), Median(ratios));
                std::printf("shown: %.2f times the bare window (medians; median of the pairs' "
                            "ratios %.2f); cpu: %.2f times\n",
                            Median(progShown) / Median(bareShown), Median(ratios),
                            Median(progCpu) / Median(bareCpu));
            }
        }
    }
    Stop(bus);
    Stop(xvfb);
    ::rmdir(runtimeDir);
    return status;
}
