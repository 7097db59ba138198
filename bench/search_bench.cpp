// search-bench: how a broadcast search copes with many controllers. For each count it
// starts controller-sim with that many generated controllers (127.x.y.z, spread over many
// /24 subnets) inside a private network namespace, runs the window's search with the real
// tree and status widgets (with --window: the whole main window, its search command
// clicked), and prints what arrived and what it cost.
//
//   search-bench [--per-subnet K] [--pace-us U] [--mode root|user|both] [--window] [N ...]
//                (default N: 100 1000 5000 10000; with --window 20000 65534)
//   search-bench --idle R [--mode user]
//
// With --window the figures run from the click on the search button until the count pane
// has been painted with the search's count (click ms), and the window thread's CPU time is
// also given per controller kept; after the rows, how that CPU per controller grows from the
// smallest N to the largest. Offscreen by default; under an X server (QT_QPA_PLATFORM=xcb,
// DISPLAY) the window is a real one.
//
// --idle: R rounds of a broadcast search that nobody answers, by the main window and by
// the command line's core::Discover, side by side: the CPU time of the whole process
// (every thread) for each; with --mode user on the receive buffer an ordinary user gets
// (where a search listens on a group of sockets).
//
// Each count runs with the replies in one burst and, when U is above 0, U microseconds
// apart; each in two modes side by side:
//   root  the receive buffer as the program asks for it (16 MiB where the system grants it;
//         it does for root, through SO_RCVBUFFORCE);
//   user  what an ordinary user gets on a stock Debian, whose net.core.rmem_max is 212992:
//         the request capped at that limit and never forced.
// The rcvbuf column is what SO_RCVBUF reads back for a socket opened that way.
//
// Figures only; nothing is asserted.
#include "CheckTree.h"
#include "Commands.h"
#include "Controllers.h"
#include "Discovery.h"
#include "MarqueeStatus.h"
#include "PrivateNet.h"
#include "ProgressStatus.h"
#include "SimProcess.h"
#include "StatusBar.h"
#include "StatusPane.h"
#include "UDPDriverQuorrelConf.h"
#include "UdpSocket.h"
#include "Unit1.h"

#include <QApplication>
#include <QEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

double CpuNs(clockid_t clock) {
    timespec t{};
    ::clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}
double ThreadCpuNs() {
    return CpuNs(CLOCK_THREAD_CPUTIME_ID);
}
double ProcessCpuNs() {
    return CpuNs(CLOCK_PROCESS_CPUTIME_ID);
}

// Runs the event loop until done() holds.
void RunUntil(const std::function<bool()>& done) {
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Passes every call on to the progress indicator and adds up the CPU time they take: its
// repaints run inside the search loop.
class TimedProgress : public IProgressIndicator {
public:
    explicit TimedProgress(TRzProgressStatus& p) : p_(p) {}
    double cpuNs = 0;

    void SetTotalParts(int32_t total) override {
        Timed([&] { p_.SetTotalParts(total); });
    }
    int32_t TotalParts() const override { return p_.TotalParts(); }
    void SetPartsComplete(int32_t parts) override {
        Timed([&] { p_.SetPartsComplete(parts); });
    }
    int32_t PartsComplete() const override { return p_.PartsComplete(); }
    void SetPercent(int16_t percent) override {
        Timed([&] { p_.SetPercent(percent); });
    }
    int16_t Percent() const override { return p_.Percent(); }

private:
    template <typename F> void Timed(F f) {
        const double start = ThreadCpuNs();
        f();
        cpuNs += ThreadCpuNs() - start;
    }
    TRzProgressStatus& p_;
};

// The receive buffer limit of an unprivileged process on a stock Debian.
constexpr int kStockReceiveLimit = 212992;

struct Row {
    const char* mode = "";
    int paceUs = 0;
    int receiveBuffer = -1;
    int controllers = 0;
    long drops = 0;
    int subnets = 0;
    long sent = -1;
    int stored = 0;
    int nodes = 0;
    double wallMs = 0;
    double threadMs = 0;  // CPU time of the window's thread during the search
    double clickMs = -1;  // --window: from the click until the count is painted
    double processMs = 0; // CPU time of the whole process during the search
    double progressMs = 0;
    double sortMs = 0;
    double residentMb = -1; // --window: the process's resident memory once the count is shown
};

// Notes when a widget is first painted with a text other than the one it had at the start.
class NewTextPainted : public QObject {
public:
    explicit NewTextPainted(TRzStatusPane* pane) : pane_(pane), before_(pane->text()) {
        pane_->installEventFilter(this);
    }
    bool Painted() const { return painted_.has_value(); }
    std::chrono::steady_clock::time_point At() const { return *painted_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == pane_ && event->type() == QEvent::Paint && !painted_ &&
            pane_->text() != before_)
            painted_ = std::chrono::steady_clock::now();
        return false;
    }

private:
    TRzStatusPane* pane_;
    QString before_;
    std::optional<std::chrono::steady_clock::time_point> painted_;
};

// Datagrams the system dropped because a receive buffer was full (RcvbufErrors of this
// network namespace), or -1.
long ReceiveBufferDrops() {
    std::FILE* f = std::fopen("/proc/self/net/snmp", "r");
    if (f == nullptr)
        return -1;
    char names[512] = {};
    char values[512] = {};
    long drops = -1;
    while (std::fgets(names, sizeof names, f) != nullptr) {
        if (std::strncmp(names, "Udp: ", 5) != 0 || std::fgets(values, sizeof values, f) == nullptr)
            continue;
        std::istringstream n(names + 5);
        std::istringstream v(values + 5);
        std::string name;
        long value = 0;
        while (n >> name && v >> value)
            if (name == "RcvbufErrors")
                drops = value;
        break;
    }
    std::fclose(f);
    return drops;
}

// The process's resident memory in MiB (VmRSS), or -1.
double ResidentMb() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr)
        return -1;
    char line[256] = {};
    double mb = -1;
    while (std::fgets(line, sizeof line, f) != nullptr)
        if (std::strncmp(line, "VmRSS:", 6) == 0)
            mb = std::strtod(line + 6, nullptr) / 1024.0;
    std::fclose(f);
    return mb;
}

// What SO_RCVBUF reads back for a socket opened as the search opens its own.
int GrantedReceiveBuffer() {
    const core::UdpSocket probe = core::UdpSocket::Open(0);
    return probe.ReceiveBufferBytes();
}

Row RunOne(int count, int perSubnet, int paceUs, bool ordinaryUser, bool wholeWindow) {
    core::UdpSocket::LimitReceiveBuffer(ordinaryUser ? kStockReceiveLimit : 0);
    Row row;
    row.mode = ordinaryUser ? "user" : "root";
    row.paceUs = paceUs;
    row.receiveBuffer = GrantedReceiveBuffer();
    row.controllers = count;
    row.subnets = (count + perSubnet - 1) / perSubnet;

    std::vector<std::string> args = {"--generate", std::to_string(count), "--first",
                                     "127.1.0.1",  "--per-subnet",        std::to_string(perSubnet),
                                     "--quiet"};
    if (paceUs > 0) {
        args.push_back("--pace-us");
        args.push_back(std::to_string(paceUs));
    }
    SimProcess sim(args);
    if (const std::string error = sim.Start(); !error.empty()) {
        std::fprintf(stderr, "search-bench: %s\n", error.c_str());
        return row;
    }

    // The parts of the main window that a search reaches, shown (offscreen by default), or
    // the main window itself.
    std::unique_ptr<TForm1> form;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* tree = new TRzCheckTree(&window);
    auto* marquee = new TRzMarqueeStatus(&window);
    auto* progress = new TRzProgressStatus(&window);
    if (wholeWindow) {
        form = std::make_unique<TForm1>();
        form->show();
        RunUntil([&] { return form->RzTrayIcon1 != nullptr; }); // its start is over
        tree = form->RzCheckTree1;
    } else {
        layout->addWidget(tree);
        layout->addWidget(marquee);
        layout->addWidget(progress);
        window.resize(400, 600);
        window.show();
    }
    QCoreApplication::processEvents();

    core::Controllers table;
    TimedProgress timedProgress(*progress);
    DriverContext context;
    context.tree = tree->Nodes();
    context.marquee = marquee;
    context.progress = &timedProgress;
    context.table = &table;

    const long dropsBefore = ReceiveBufferDrops();
    const double threadStart = ThreadCpuNs();
    const double processStart = ProcessCpuNs();
    const auto wallStart = std::chrono::steady_clock::now();
    if (wholeWindow) {
        NewTextPainted count(form->RzStatusBar1->CountPane());
        form->RzToolButton2->click();
        RunUntil([&] { return !form->Searching() && count.Painted(); });
        row.clickMs = std::chrono::duration<double, std::milli>(count.At() - wallStart).count();
        row.residentMb = ResidentMb();
    } else {
        SearchRun run(context, core::kLocalPortBase);
        bool finished = false;
        QObject::connect(&run, &SearchRun::Finished, [&finished] { finished = true; });
        if (run.Start(core::kBroadcast))
            RunUntil([&] { return finished; });
    }
    row.wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart)
            .count();
    row.threadMs = (ThreadCpuNs() - threadStart) / 1e6;
    row.processMs = (ProcessCpuNs() - processStart) / 1e6;
    row.drops = ReceiveBufferDrops() - dropsBefore;
    const double sortStart = ThreadCpuNs();
    tree->Nodes()->Sort();
    row.sortMs = (ThreadCpuNs() - sortStart) / 1e6;

    if (const auto answered = sim.WaitForEvent("answered", 60000))
        row.sent = std::strtol(Field(*answered, "replies").c_str(), nullptr, 10);
    row.stored = static_cast<int>(wholeWindow ? form->Devices().Count() : table.Count());
    row.nodes = tree->Nodes()->ControllerCount();
    row.progressMs = timedProgress.cpuNs / 1e6;
    return row;
}

double WindowUsPerController(const Row& r) {
    return r.stored > 0 ? r.threadMs * 1000.0 / r.stored : 0;
}

// How the window thread's CPU time per controller grows from the smallest count to the
// largest, for each mode and pace.
void PrintGrowth(const std::vector<Row>& rows) {
    const auto sameRun = [](const Row& a, const Row& b) {
        return std::strcmp(a.mode, b.mode) == 0 && a.paceUs == b.paceUs;
    };
    for (const Row& small : rows) {
        const Row* large = &small;
        bool smallest = true;
        for (const Row& r : rows) {
            if (!sameRun(r, small))
                continue;
            smallest = smallest && r.controllers >= small.controllers;
            if (r.controllers > large->controllers)
                large = &r;
        }
        if (!smallest || large == &small || WindowUsPerController(small) <= 0)
            continue;
        std::printf("growth (%s, pace %d): window CPU per controller %.1f us at %d, %.1f us at "
                    "%d: %.2f times\n",
                    small.mode, small.paceUs, WindowUsPerController(small), small.controllers,
                    WindowUsPerController(*large), large->controllers,
                    WindowUsPerController(*large) / WindowUsPerController(small));
    }
}

// A broadcast search that nobody answers, by the main window's search command and by the
// command line's discover command (each with what it does after a search that found
// nothing), and by core::Discover alone; each round side by side.
void CompareIdle(int rounds) {
    std::printf("a search nobody answers: CPU ms of the whole process\n");
    std::printf("%5s %10s %12s %7s %15s\n", "round", "window", "cli discover", "ratio",
                "core::Discover");
    TForm1 form;
    form.show();
    QCoreApplication::processEvents();
    const auto cpuMs = [](const std::function<void()>& run) {
        const double start = ProcessCpuNs();
        run();
        return (ProcessCpuNs() - start) / 1e6;
    };
    for (int r = 1; r <= rounds; ++r) {
        const double windowMs = cpuMs([&] {
            form.RzToolButton2->click();
            RunUntil([&] { return !form.Searching(); });
        });
        std::ostringstream out, err;
        const double cliMs = cpuMs([&] { cli::Run({"discover"}, out, err); });
        const double coreMs = cpuMs([] { core::Discover(core::kBroadcast, 1000); });
        std::printf("%5d %10.1f %12.1f %7.2f %15.1f\n", r, windowMs, cliMs, windowMs / cliMs,
                    coreMs);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (const std::string error = privatenet::Enter(); !error.empty()) {
        std::fprintf(stderr, "search-bench: no private network namespace: %s\n", error.c_str());
        return 1;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    int perSubnet = 50;
    int paceUs = 0;
    std::string mode = "both";
    bool wholeWindow = false;
    int idleRounds = 0;
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--per-subnet" && i + 1 < argc)
            perSubnet = std::atoi(argv[++i]);
        else if (a == "--pace-us" && i + 1 < argc)
            paceUs = std::atoi(argv[++i]);
        else if (a == "--mode" && i + 1 < argc)
            mode = argv[++i];
        else if (a == "--window")
            wholeWindow = true;
        else if (a == "--idle" && i + 1 < argc)
            idleRounds = std::atoi(argv[++i]);
        else if (a.rfind("-platform", 0) == 0 && i + 1 < argc)
            ++i; // Qt's own option, left to QApplication
        else if (std::atoi(a.c_str()) > 0)
            counts.push_back(std::atoi(a.c_str()));
        else {
            std::fprintf(stderr, "usage: search-bench [--per-subnet K] [--pace-us U] "
                                 "[--mode root|user|both] [--window] [N ...] | --idle R\n");
            return 2;
        }
    }
    if (mode != "root" && mode != "user" && mode != "both") {
        std::fprintf(stderr, "search-bench: --mode must be root, user or both\n");
        return 2;
    }
    if (perSubnet < 1 || perSubnet > 254) {
        std::fprintf(stderr, "search-bench: --per-subnet must be 1 to 254\n");
        return 2;
    }
    if (counts.empty())
        counts =
            wholeWindow ? std::vector<int>{20000, 65534} : std::vector<int>{100, 1000, 5000, 10000};

    QApplication app(argc, argv);
    InitializeUnit1();
    if (idleRounds > 0) {
        core::UdpSocket::LimitReceiveBuffer(mode == "user" ? kStockReceiveLimit : 0);
        CompareIdle(idleRounds);
        return 0;
    }
    std::vector<bool> modes; // ordinary user?
    if (mode != "user")
        modes.push_back(false);
    if (mode != "root")
        modes.push_back(true);
    std::vector<int> paces = {0};
    if (paceUs > 0)
        paces.push_back(paceUs);

    std::printf("broadcast search%s, %d controllers per /24; replies in a burst%s\n",
                wholeWindow ? " by the main window" : "", perSubnet,
                paceUs > 0 ? (" and " + std::to_string(paceUs) + " us apart").c_str() : "");
    std::printf("%4s %7s %5s %8s %7s %7s %7s %6s %7s %8s %9s %10s %11s %8s", "mode", "N", "pace",
                "rcvbuf", "sent", "stored", "kept %", "drops", "nodes", "wall ms", "window ms",
                "process ms", "progress ms", "sort ms");
    if (wholeWindow)
        std::printf(" %8s %10s %6s", "click ms", "window us", "rss MB");
    std::printf("\n");
    std::vector<Row> rows;
    for (const int n : counts) {
        for (const int pace : paces) {
            for (const bool ordinaryUser : modes) {
                const Row r = RunOne(n, perSubnet, pace, ordinaryUser, wholeWindow);
                const double kept = r.sent > 0 ? 100.0 * r.stored / static_cast<double>(r.sent) : 0;
                std::printf("%4s %7d %5d %8d %7ld %7d %7.2f %6ld %7d %8.0f %9.0f %10.0f %11.0f "
                            "%8.1f",
                            r.mode, r.controllers, r.paceUs, r.receiveBuffer, r.sent, r.stored,
                            kept, r.drops, r.nodes, r.wallMs, r.threadMs, r.processMs, r.progressMs,
                            r.sortMs);
                if (wholeWindow)
                    std::printf(" %8.0f %10.1f %6.0f", r.clickMs, WindowUsPerController(r),
                                r.residentMb);
                std::printf("\n");
                std::fflush(stdout);
                rows.push_back(r);
            }
        }
    }
    if (wholeWindow)
        PrintGrowth(rows);
    std::printf(
        "rcvbuf: SO_RCVBUF read back; pace: us between replies (0: one burst);\n"
        "drops: datagrams the system dropped for a full receive buffer;\n"
        "sent: replies the simulator put on the wire; stored: controllers the "
        "search kept;\nnodes: controller nodes in the tree; window/process: CPU time of the "
        "window's thread\nand of the whole process during the search; progress: CPU time in "
        "progress indicator calls (its\nrepaints); sort: the recursive sort after the "
        "search; click (--window): from the\nclick until the count pane is painted with "
        "the count, which the window figures\nthen include; window us: the window "
        "thread's CPU time per controller kept; rss: the\nprocess's resident memory once the count "
        "is painted.\n");
    return 0;
}
