// The firewall detection's system side on Windows: the firewall's COM policy. firewalld is
// not there to ask.
#include "HostFirewall.h"

#include <netfw.h>
#include <objbase.h>
#include <oleauto.h>

namespace core {
namespace {

// The firewall policy object's class (MinGW's netfw.h declares only its interfaces).
constexpr CLSID kNetFwPolicy2 = {
    0xe2b3c97f, 0x6ae1, 0x41ac, {0x81, 0x7a, 0xf6, 0xf9, 0x21, 0x66, 0xd7, 0xdd}};

// The policy for the current profiles, through INetFwPolicy2.
WindowsFirewallPolicy ReadWindowsPolicy() {
    WindowsFirewallPolicy policy;
    const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool uninit = SUCCEEDED(init); // S_FALSE too: balanced by CoUninitialize
    INetFwPolicy2* fw = nullptr;
    if (SUCCEEDED(::CoCreateInstance(kNetFwPolicy2, nullptr, CLSCTX_INPROC_SERVER,
                                     __uuidof(INetFwPolicy2), reinterpret_cast<void**>(&fw))) &&
        fw != nullptr) {
        long profiles = 0;
        if (SUCCEEDED(fw->get_CurrentProfileTypes(&profiles))) {
            policy.read = true;
            for (const NET_FW_PROFILE_TYPE2 profile :
                 {NET_FW_PROFILE2_DOMAIN, NET_FW_PROFILE2_PRIVATE, NET_FW_PROFILE2_PUBLIC}) {
                if ((profiles & profile) == 0)
                    continue;
                VARIANT_BOOL enabled = VARIANT_FALSE;
                if (FAILED(fw->get_FirewallEnabled(profile, &enabled)) || enabled == VARIANT_FALSE)
                    continue;
                policy.enabled = true;
                VARIANT_BOOL blocked = VARIANT_FALSE;
                if (SUCCEEDED(
                        fw->get_UnicastResponsesToMulticastBroadcastDisabled(profile, &blocked)) &&
                    blocked != VARIANT_FALSE)
                    policy.unicastRepliesBlocked = true;
            }
        }
        fw->Release();
    }
    if (uninit)
        ::CoUninitialize();
    return policy;
}

} // namespace

HostFirewall DetectHostFirewall() {
    return FromWindowsPolicy(ReadWindowsPolicy());
}

} // namespace core
