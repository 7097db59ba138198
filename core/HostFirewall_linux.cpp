// The firewall detection's system side on Linux: firewalld asked over the system bus.
#include "HostFirewall.h"

#include <dbus/dbus.h>

namespace core {
namespace {

constexpr const char* kName = "org.fedoraproject.FirewallD1";
constexpr const char* kPath = "/org/fedoraproject/FirewallD1";
constexpr const char* kZoneInterface = "org.fedoraproject.FirewallD1.zone";
constexpr int kTimeoutMs = 500;

// firewalld over a private connection to the system bus. Only read-only calls are made,
// which firewalld's policy grants every user; the daemon is never started by a call.
class SystemBusFirewalld : public FirewalldBus {
public:
    SystemBusFirewalld() {
        DBusError error;
        dbus_error_init(&error);
        connection_ = dbus_bus_get_private(DBUS_BUS_SYSTEM, &error);
        dbus_error_free(&error);
        if (connection_ == nullptr)
            return;
        dbus_connection_set_exit_on_disconnect(connection_, FALSE);
        present_ = dbus_bus_name_has_owner(connection_, kName, &error) != 0;
        dbus_error_free(&error);
    }
    ~SystemBusFirewalld() override {
        if (connection_ != nullptr) {
            dbus_connection_close(connection_);
            dbus_connection_unref(connection_);
        }
    }
    SystemBusFirewalld(const SystemBusFirewalld&) = delete;
    SystemBusFirewalld& operator=(const SystemBusFirewalld&) = delete;

    std::optional<std::string> State() override {
        const char* interface = kName;
        const char* property = "state";
        return StringReply(Call("org.freedesktop.DBus.Properties", "Get", {interface, property}),
                           true);
    }
    std::optional<std::string> DefaultZone() override {
        return StringReply(Call(kName, "getDefaultZone", {}), false);
    }
    std::optional<bool> QueryPort(const std::string& zone, const std::string& port,
                                  const std::string& protocol) override {
        return BoolReply(
            Call(kZoneInterface, "queryPort", {zone.c_str(), port.c_str(), protocol.c_str()}));
    }
    std::optional<bool> QueryService(const std::string& zone, const std::string& service) override {
        return BoolReply(Call(kZoneInterface, "queryService", {zone.c_str(), service.c_str()}));
    }

private:
    // The reply to a method call with string arguments, or nullptr.
    DBusMessage* Call(const char* interface, const char* method,
                      std::initializer_list<const char*> args) {
        if (!present_)
            return nullptr;
        DBusMessage* call = dbus_message_new_method_call(kName, kPath, interface, method);
        if (call == nullptr)
            return nullptr;
        dbus_message_set_auto_start(call, FALSE);
        DBusMessageIter in;
        dbus_message_iter_init_append(call, &in);
        for (const char* arg : args)
            if (!dbus_message_iter_append_basic(&in, DBUS_TYPE_STRING, &arg)) {
                dbus_message_unref(call);
                return nullptr;
            }
        DBusError error;
        dbus_error_init(&error);
        DBusMessage* reply =
            dbus_connection_send_with_reply_and_block(connection_, call, kTimeoutMs, &error);
        dbus_error_free(&error);
        dbus_message_unref(call);
        return reply;
    }

    // A reply's first value; a variant is opened first when inVariant.
    static bool FirstValue(DBusMessage* reply, bool inVariant, int type, void* value) {
        DBusMessageIter it;
        if (reply == nullptr || !dbus_message_iter_init(reply, &it))
            return false;
        DBusMessageIter inner;
        if (inVariant) {
            if (dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_VARIANT)
                return false;
            dbus_message_iter_recurse(&it, &inner);
        } else {
            inner = it;
        }
        if (dbus_message_iter_get_arg_type(&inner) != type)
            return false;
        dbus_message_iter_get_basic(&inner, value);
        return true;
    }
    static std::optional<std::string> StringReply(DBusMessage* reply, bool inVariant) {
        std::optional<std::string> result;
        const char* text = nullptr;
        if (FirstValue(reply, inVariant, DBUS_TYPE_STRING, &text) && text != nullptr)
            result = text;
        if (reply != nullptr)
            dbus_message_unref(reply);
        return result;
    }
    static std::optional<bool> BoolReply(DBusMessage* reply) {
        std::optional<bool> result;
        dbus_bool_t value = FALSE;
        if (FirstValue(reply, false, DBUS_TYPE_BOOLEAN, &value))
            result = value != 0;
        if (reply != nullptr)
            dbus_message_unref(reply);
        return result;
    }

    DBusConnection* connection_ = nullptr;
    bool present_ = false;
};

} // namespace

HostFirewall DetectHostFirewall() {
    SystemBusFirewalld firewalld;
    return DetectFirewall(firewalld);
}

} // namespace core
