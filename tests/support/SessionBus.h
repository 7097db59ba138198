// A private session bus for a test: a dbus-daemon of the test's own, with no service it can
// start, which ends with the object (and with the test process, should that die first).
#pragma once

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

class SessionBus {
public:
    SessionBus() {
        config_ = "/tmp/quorrel-session-bus-" + std::to_string(::getpid()) + ".conf";
        std::ofstream(config_) << "<busconfig><type>session</type>"
                                  "<listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                                  "<policy context=\"default\"><allow send_destination=\"*\"/>"
                                  "<allow receive_sender=\"*\"/><allow own=\"*\"/>"
                                  "</policy></busconfig>\n";
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) {
            error_ = "pipe failed";
            return;
        }
        const std::string configArg = "--config-file=" + config_;
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent)
                ::_exit(127);
            ::dup2(out[1], STDOUT_FILENO);
            ::execlp("dbus-daemon", "dbus-daemon", configArg.c_str(), "--nofork",
                     "--print-address=1", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        if (pid_ < 0) {
            ::close(out[0]);
            error_ = "fork failed";
            return;
        }
        char c = 0;
        ssize_t n = 0;
        while ((n = ::read(out[0], &c, 1)) == 1 && c != '\n')
            address_ += c;
        ::close(out[0]);
        if (address_.empty())
            error_ = "dbus-daemon printed no address (is it installed?)";
    }
    ~SessionBus() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
        }
        std::remove(config_.c_str());
    }
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    // Empty when the bus runs, else why not.
    const std::string& Error() const { return error_; }
    const std::string& Address() const { return address_; }

private:
    pid_t pid_ = -1;
    std::string config_;
    std::string address_;
    std::string error_;
};
