// plan-bench: a plan of N rows applied by the main window to N simulated controllers. It
// starts controller-sim with N generated controllers (127.1.x.1 to 127.1.x.100, 100 to a
// /24) inside a private network namespace, has the window search them by broadcast, opens a
// plan that moves every controller to host part + 100 of its /24, and answers the question
// with Yes. It prints:
//   open ms     the window's time to read the plan and mark its nodes (TPlanApply::Open)
//   sent ms     from Yes until the last frame has gone out
//   summary ms  from Yes until the summary is told (every check ended)
//   stall ms    the largest gap between two ticks of a 1 ms timer on the window's thread,
//               from Apply until the summary
//
//   plan-bench [--check-ms T] [N]        (default: T 10000, N 1000)
//
// Figures only; nothing is asserted.
#include "Notifier.h"
#include "PlanApply.h"
#include "PrivateNet.h"
#include "SimProcess.h"
#include "Unit1.h"

#include <QAbstractButton>
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

// The plan: each generated controller (MAC 02-00 and its address) to host part + 100.
std::string PlanText(int count) {
    std::string text = "mac,ip,mask,gateway\n";
    char line[128];
    for (int i = 0; i < count; ++i) {
        const int subnet = i / 100;
        const int host = i % 100 + 1;
        std::snprintf(line, sizeof line,
                      "02-00-7F-01-%02X-%02X,127.1.%d.%d,255.255.255.0,127.1.%d.254\n", subnet,
                      host, subnet, host + 100, subnet);
        text += line;
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    int count = 1000;
    int checkMs = 10000;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--check-ms" && i + 1 < argc)
            checkMs = std::atoi(argv[++i]);
        else if (std::atoi(a.c_str()) > 0)
            count = std::atoi(a.c_str());
        else {
            std::fprintf(stderr, "usage: plan-bench [--check-ms T] [N]\n");
            return 2;
        }
    }
    if (count > 25400) {
        std::fprintf(stderr, "plan-bench: at most 25400 controllers\n");
        return 2;
    }
    if (const std::string error = privatenet::Enter(); !error.empty()) {
        std::fprintf(stderr, "plan-bench: no private network namespace: %s\n", error.c_str());
        return 1;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    SimProcess sim({"--generate", std::to_string(count), "--first", "127.1.0.1", "--per-subnet",
                    "100", "--quiet"});
    if (const std::string error = sim.Start(); !error.empty()) {
        std::fprintf(stderr, "plan-bench: %s\n", error.c_str());
        return 1;
    }

    QApplication app(argc, argv);
    InitializeUnit1();
    TForm1 form;
    form.show();
    while (form.RzTrayIcon1 == nullptr) // its start is over
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    form.RzToolButton2->click();
    while (form.Searching())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("%zu controllers heard; plan of %d rows, check time %d ms\n",
                form.Devices().Count(), count, checkMs);

    TPlanApply* plan = form.Plan();
    plan->SetCheckTime(std::chrono::milliseconds(checkMs));
    const std::string text = PlanText(count);
    Clock::time_point start = Clock::now();
    if (!plan->Open(QStringLiteral("plan.csv"), text))
        return 1;
    const double openMs = Ms(Clock::now() - start);
    std::printf("%s\n", qPrintable(form.Notifier()->WindowText().replace('\n', ": ")));

    Clock::time_point yes{};
    Clock::time_point sent{};
    Clock::time_point summary{};
    QObject::connect(plan, &TPlanApply::BusyChanged, [&](bool busy) {
        if (!busy && yes != Clock::time_point{})
            sent = Clock::now();
    });
    QObject::connect(plan, &TPlanApply::Applied, [&] { summary = Clock::now(); });
    // Yes to the question as soon as it shows.
    QTimer answer;
    answer.setInterval(1);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget())
            if (auto* button = dialog->findChild<QAbstractButton*>(QStringLiteral("Yes"))) {
                answer.stop();
                yes = Clock::now();
                button->click();
            }
    });
    answer.start();
    StallMeter meter;
    meter.Start();
    plan->Apply();
    while (summary == Clock::time_point{})
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double stallMs = meter.StopMs();
    std::printf("%s\n", qPrintable(form.Notifier()->WindowText().left(200).replace('\n', ": ")));
    std::printf("%8s %8s %10s %8s\n", "open ms", "sent ms", "summary ms", "stall ms");
    std::printf("%8.1f %8.1f %10.1f %8.1f\n", openMs, Ms(sent - yes), Ms(summary - yes), stallMs);
    std::printf("stall: the largest gap between two ticks of a 1 ms timer on the window's "
                "thread,\nfrom Apply until the summary (the question's own event loop "
                "included).\n");
    return 0;
}
