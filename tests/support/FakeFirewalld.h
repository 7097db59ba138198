// firewalld on a bus of the caller's own: a private dbus-daemon and a made-up firewalld on it
// that answers the read-only calls the firewall detection makes, each after a delay.
#pragma once

#include <dbus/dbus.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A dbus-daemon of the caller's own; it ends with the object, or with the process at the
// latest. Address() is empty when it did not start.
class PrivateBus {
public:
    PrivateBus() {
        daemon_ = ::popen("exec setpriv --pdeathsig KILL dbus-daemon --session --nofork "
                          "--print-address=1 --print-pid=1",
                          "r");
        char address[512] = {}, pid[32] = {};
        if (daemon_ == nullptr || std::fgets(address, sizeof address, daemon_) == nullptr ||
            std::fgets(pid, sizeof pid, daemon_) == nullptr)
            return;
        address_ = address;
        address_.erase(address_.find_last_not_of('\n') + 1);
        pid_ = std::atoi(pid);
    }
    ~PrivateBus() {
        if (pid_ > 0)
            ::kill(pid_, SIGTERM);
        if (daemon_ != nullptr)
            ::pclose(daemon_);
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const std::string& Address() const { return address_; }

private:
    FILE* daemon_ = nullptr;
    std::string address_;
    pid_t pid_ = 0;
};

// firewalld's name with a running daemon and default zone "home"; the ports are open there
// when portsOpen (queryPort answers true), and no service is.
class FakeFirewalld {
public:
    FakeFirewalld(const std::string& address, bool portsOpen,
                  std::chrono::milliseconds delay = std::chrono::milliseconds(0))
        : portsOpen_(portsOpen), delay_(delay) {
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
    FakeFirewalld(const FakeFirewalld&) = delete;
    FakeFirewalld& operator=(const FakeFirewalld&) = delete;

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
        std::this_thread::sleep_for(delay_);
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
            const dbus_bool_t open = member == "queryPort" && portsOpen_ ? TRUE : FALSE;
            dbus_message_iter_append_basic(&out, DBUS_TYPE_BOOLEAN, &open);
        }
        dbus_connection_send(connection_, reply, nullptr);
        dbus_connection_flush(connection_);
        dbus_message_unref(reply);
    }

    const bool portsOpen_;
    const std::chrono::milliseconds delay_;
    DBusConnection* connection_ = nullptr;
    bool owned_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> calls_;
};
