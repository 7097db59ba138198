// The firewall detection asking firewalld over a bus: a private dbus-daemon stands in for
// the system bus, and a made-up firewalld on it answers the read-only calls.
#include "HostFirewall.h"

#include <dbus/dbus.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <signal.h>
#include <string>
#include <thread>
#include <vector>

namespace {

// firewalld's name with a running daemon, default zone "home" and the ports open there.
class FakeFirewalld {
public:
    explicit FakeFirewalld(const std::string& address) {
        DBusError error;
        dbus_error_init(&error);
        connection_ = dbus_connection_open_private(address.c_str(), &error);
        if (connection_ != nullptr && dbus_bus_register(connection_, &error))
            owned_ = dbus_bus_request_name(connection_, "org.fedoraproject.FirewallD1",
                                           DBUS_NAME_FLAG_DO_NOT_QUEUE,
                                           &error) == DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER;
        dbus_error_free(&error);
        if (owned_)
            thread_ = std::thread([this] { Serve(); });
    }
    ~FakeFirewalld() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (connection_ != nullptr) {
            dbus_connection_close(connection_);
            dbus_connection_unref(connection_);
        }
    }
    bool Owned() const { return owned_; }
    // "interface.member(arguments)" of every call, "!" added when it may start a service.
    std::vector<std::string> Calls() {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }

private:
    void Serve() {
        while (!stop_ && dbus_connection_read_write(connection_, 50))
            while (DBusMessage* call = dbus_connection_pop_message(connection_)) {
                if (dbus_message_get_type(call) == DBUS_MESSAGE_TYPE_METHOD_CALL)
                    Answer(call);
                dbus_message_unref(call);
            }
    }
    void Answer(DBusMessage* call) {
        std::string text = std::string(dbus_message_get_interface(call)) + "." +
                           dbus_message_get_member(call) + "(";
        DBusMessageIter args;
        std::vector<std::string> strings;
        if (dbus_message_iter_init(call, &args))
            do {
                const char* s = nullptr;
                if (dbus_message_iter_get_arg_type(&args) == DBUS_TYPE_STRING) {
                    dbus_message_iter_get_basic(&args, &s);
                    strings.push_back(s);
                }
            } while (dbus_message_iter_next(&args));
        for (size_t i = 0; i < strings.size(); ++i)
            text += (i > 0 ? "," : "") + strings[i];
        text += ")";
        if (dbus_message_get_auto_start(call))
            text += "!";
        {
            std::lock_guard<std::mutex> lock(mutex_);
            calls_.push_back(text);
        }
        DBusMessage* reply = dbus_message_new_method_return(call);
        DBusMessageIter out;
        dbus_message_iter_init_append(reply, &out);
        const std::string member = dbus_message_get_member(call);
        if (member == "Get") {
            DBusMessageIter variant;
            const char* state = "RUNNING";
            dbus_message_iter_open_container(&out, DBUS_TYPE_VARIANT, "s", &variant);
            dbus_message_iter_append_basic(&variant, DBUS_TYPE_STRING, &state);
            dbus_message_iter_close_container(&out, &variant);
        } else if (member == "getDefaultZone") {
            const char* zone = "home";
            dbus_message_iter_append_basic(&out, DBUS_TYPE_STRING, &zone);
        } else {
            const dbus_bool_t open = member == "queryPort" ? TRUE : FALSE;
            dbus_message_iter_append_basic(&out, DBUS_TYPE_BOOLEAN, &open);
        }
        dbus_connection_send(connection_, reply, nullptr);
        dbus_connection_flush(connection_);
        dbus_message_unref(reply);
    }

    DBusConnection* connection_ = nullptr;
    bool owned_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> calls_;
};

TEST(FirewalldBusTest, AsksTheRunningDaemonReadOnlyWithoutStartingIt) {
    // A bus of the test's own, named as the system bus for the detection; it ends with the
    // test process at the latest.
    FILE* daemon =
        ::popen("exec setpriv --pdeathsig KILL dbus-daemon --session --nofork --print-address=1 "
                "--print-pid=1",
                "r");
    ASSERT_NE(daemon, nullptr);
    char address[512] = {};
    char pid[32] = {};
    ASSERT_NE(std::fgets(address, sizeof address, daemon), nullptr) << "dbus-daemon did not start";
    ASSERT_NE(std::fgets(pid, sizeof pid, daemon), nullptr);
    std::string busAddress(address);
    busAddress.erase(busAddress.find_last_not_of('\n') + 1);
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", busAddress.c_str(), 1);

    core::HostFirewall found;
    std::vector<std::string> calls;
    {
        FakeFirewalld firewalld(busAddress);
        ASSERT_TRUE(firewalld.Owned());
        found = core::DetectHostFirewall();
        calls = firewalld.Calls();
    }
    ::kill(std::atoi(pid), SIGTERM);
    ::pclose(daemon);
    ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");

    EXPECT_EQ(found.state, core::HostFirewall::State::kActive);
    EXPECT_EQ(found.kind, core::HostFirewall::Kind::kFirewalld);
    EXPECT_EQ(found.zone, "home");
    EXPECT_TRUE(found.portsOpen);
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "org.freedesktop.DBus.Properties.Get(org.fedoraproject.FirewallD1,state)",
                         "org.fedoraproject.FirewallD1.getDefaultZone()",
                         "org.fedoraproject.FirewallD1.zone.queryService(home,quorrel-ip-"
                         "configurator)",
                         "org.fedoraproject.FirewallD1.zone.queryPort(home,6002-6004,udp)"}));
}

} // namespace
