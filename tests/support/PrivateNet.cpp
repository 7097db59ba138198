#include "PrivateNet.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace privatenet {
namespace {

bool g_active = false;
std::string g_failure;

bool WriteFile(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

std::string Unshare() {
    if (::geteuid() == 0) {
        if (::unshare(CLONE_NEWNET) == 0)
            return {};
        return std::string("unshare(CLONE_NEWNET): ") + std::strerror(errno);
    }
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0)
        return std::string("unshare(CLONE_NEWUSER | CLONE_NEWNET): ") + std::strerror(errno);
    WriteFile("/proc/self/setgroups", "deny");
    if (!WriteFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1\n") ||
        !WriteFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1\n"))
        return "cannot write the user namespace id maps";
    return {};
}

} // namespace

std::string RunIp(const std::vector<std::string>& args, const std::string& netnsPath) {
    // Opened before fork: the child only joins the namespace and runs ip.
    int netns = -1;
    if (!netnsPath.empty()) {
        netns = ::open(netnsPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (netns < 0)
            return netnsPath + ": " + std::strerror(errno);
    }
    int errPipe[2];
    if (::pipe(errPipe) != 0) {
        const int err = errno;
        if (netns >= 0)
            ::close(netns);
        return std::string("pipe: ") + std::strerror(err);
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int err = errno;
        if (netns >= 0)
            ::close(netns);
        ::close(errPipe[0]);
        ::close(errPipe[1]);
        return std::string("fork: ") + std::strerror(err);
    }
    if (pid == 0) {
        if (netns >= 0 && ::setns(netns, CLONE_NEWNET) != 0)
            ::_exit(126);
        ::dup2(errPipe[1], 2);
        ::dup2(errPipe[1], 1);
        ::close(errPipe[0]);
        std::vector<char*> argv;
        static char ip[] = "ip";
        argv.push_back(ip);
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp("ip", argv.data());
        ::_exit(127);
    }
    ::close(errPipe[1]);
    if (netns >= 0)
        ::close(netns);
    std::string output;
    char buf[256];
    ssize_t got;
    while ((got = ::read(errPipe[0], buf, sizeof buf)) > 0)
        output.append(buf, static_cast<size_t>(got));
    ::close(errPipe[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return {};
    std::string cmd = "ip";
    for (const auto& a : args)
        cmd += " " + a;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 126)
        return cmd + ": cannot enter the network namespace " + netnsPath;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
        return cmd + ": the ip command (iproute2) is not installed";
    return cmd + ": " + (output.empty() ? std::string("failed") : output);
}

std::string Enter() {
    if (g_active)
        return {};
    std::string error = Unshare();
    if (error.empty())
        error = RunIp({"link", "set", "lo", "up"});
    if (error.empty())
        error = RunIp({"route", "add", "default", "dev", "lo", "src", "127.0.0.1"});
    g_active = error.empty();
    g_failure = error;
    return error;
}

bool Active() {
    return g_active;
}

const std::string& Failure() {
    return g_failure;
}

std::string AddAddress(const std::string& cidr) {
    if (!g_active)
        return "not inside a private network namespace";
    const std::string error = RunIp({"addr", "add", cidr, "dev", "lo"});
    // Tests run one after another in one process share the namespace: an address that a
    // previous test added is there already, which is what the caller wants.
    if (error.find("already assigned") != std::string::npos ||
        error.find("File exists") != std::string::npos)
        return {};
    return error;
}

} // namespace privatenet
