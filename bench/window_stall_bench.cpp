// window-stall-bench: how long the main window's event loop is held up around a broadcast
// search that nobody answers. A private dbus-daemon stands in for the system and the session
// bus, with a made-up firewalld on it that answers each call after a delay and keeps the
// program's ports closed, so the window words the firewall advice after each search. A
// timer on the window's thread ticks every millisecond; the largest gap between two ticks,
// from the click on the search button until the account stands in the window, is the
// longest stall.
//
//   window-stall-bench [--delay-ms D] [R]       (default: D 400, R 3 rounds)
//
// Figures only; nothing is asserted.
#include "FakeFirewalld.h"
#include "Notifier.h"
#include "PrivateNet.h"
#include "Unit1.h"

#include <QApplication>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The largest gap between two ticks of a 1 ms timer on the calling thread's event loop.
class StallMeter {
public:
    StallMeter() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    }
    void Start() {
        longest_ = {};
        last_ = Clock::now();
        timer_.start();
    }
    double StopMs() {
        Tick();
        timer_.stop();
        return Ms(longest_);
    }

private:
    void Tick() {
        const Clock::time_point now = Clock::now();
        longest_ = std::max(longest_, now - last_);
        last_ = now;
    }

    QTimer timer_;
    Clock::time_point last_;
    Clock::duration longest_{};
};

} // namespace

int main(int argc, char** argv) {
    int delayMs = 400;
    int rounds = 3;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--delay-ms" && i + 1 < argc)
            delayMs = std::atoi(argv[++i]);
        else if (std::atoi(a.c_str()) > 0)
            rounds = std::atoi(a.c_str());
        else {
            std::fprintf(stderr, "usage: window-stall-bench [--delay-ms D] [R]\n");
            return 2;
        }
    }
    if (const std::string error = privatenet::Enter(); !error.empty()) {
        std::fprintf(stderr, "window-stall-bench: no private network namespace: %s\n",
                     error.c_str());
        return 1;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    PrivateBus bus;
    if (bus.Address().empty()) {
        std::fprintf(stderr, "window-stall-bench: dbus-daemon did not start\n");
        return 1;
    }
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.Address().c_str(), 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().c_str(), 1);
    FakeFirewalld firewalld(bus.Address(), false, std::chrono::milliseconds(delayMs));
    if (!firewalld.Owned()) {
        std::fprintf(stderr, "window-stall-bench: the firewalld stand-in has no name\n");
        return 1;
    }

    QApplication app(argc, argv);
    InitializeUnit1();
    TForm1 form;
    form.show();
    QCoreApplication::processEvents();
    StallMeter meter;

    std::printf("broadcast search nobody answers; firewalld answers each call after %d ms\n",
                delayMs);
    std::printf("%5s %15s %18s\n", "round", "longest stall ms", "account after ms");
    for (int r = 1; r <= rounds; ++r) {
        meter.Start();
        const Clock::time_point start = Clock::now();
        form.RzToolButton2->click();
        while (form.Searching() || form.Notifier()->WindowText().isEmpty())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double accountMs = Ms(Clock::now() - start);
        std::printf("%5d %15.1f %18.0f\n", r, meter.StopMs(), accountMs);
        std::fflush(stdout);
    }
    std::printf("longest stall: the largest gap between two ticks of a 1 ms timer on the "
                "window's\nthread, from the click until the account stands in the window.\n");
    return 0;
}
