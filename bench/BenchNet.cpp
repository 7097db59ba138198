#include "BenchNet.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace benchnet {
namespace {

bool WriteFile(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

std::string RunIp(std::vector<std::string> args) {
    const pid_t pid = ::fork();
    if (pid < 0)
        return std::string("fork: ") + std::strerror(errno);
    if (pid == 0) {
        std::vector<char*> argv;
        static char ip[] = "ip";
        argv.push_back(ip);
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execvp("ip", argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return {};
    std::string command = "ip";
    for (const auto& a : args)
        command += " " + a;
    return command + " failed";
}

} // namespace

std::string Enter() {
    if (::geteuid() == 0) {
        if (::unshare(CLONE_NEWNET) != 0)
            return std::string("unshare(CLONE_NEWNET): ") + std::strerror(errno);
    } else {
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0)
            return std::string("unshare(CLONE_NEWUSER | CLONE_NEWNET): ") + std::strerror(errno);
        WriteFile("/proc/self/setgroups", "deny");
        if (!WriteFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1\n") ||
            !WriteFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1\n"))
            return "cannot write the user namespace id maps";
    }
    std::string error = RunIp({"link", "set", "lo", "up"});
    if (error.empty())
        error = RunIp({"route", "add", "default", "dev", "lo", "src", "127.0.0.1"});
    return error;
}

} // namespace benchnet
