#include "platform/NetworkState.h"

#include <gio/gio.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace Platform {

NetworkFacts QueryNetworkFacts() {
    NetworkFacts facts;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) == 0) {
        for (ifaddrs* a = list; a; a = a->ifa_next) {
            if (!a->ifa_addr) continue;
            const unsigned flags = a->ifa_flags;
            if (!(flags & IFF_UP) || !(flags & IFF_RUNNING) || (flags & IFF_LOOPBACK)) continue;
            if (a->ifa_addr->sa_family == AF_INET) facts.ipv4Up = true;
            if (a->ifa_addr->sa_family == AF_INET6) {
                const auto* in6 = reinterpret_cast<const sockaddr_in6*>(a->ifa_addr);
                if (!IN6_IS_ADDR_LINKLOCAL(&in6->sin6_addr)) facts.ipv6Up = true;
            }
        }
        ::freeifaddrs(list);
    }

    GNetworkMonitor* monitor = g_network_monitor_get_default();  // owned by GIO
    if (!monitor) return facts;
    facts.asked = true;
    facts.networkAvailable = g_network_monitor_get_network_available(monitor);
    switch (g_network_monitor_get_connectivity(monitor)) {
        case G_NETWORK_CONNECTIVITY_FULL:
            facts.reach = NetworkFacts::Reach::Full;
            break;
        case G_NETWORK_CONNECTIVITY_LIMITED:
        case G_NETWORK_CONNECTIVITY_PORTAL:
            facts.reach = NetworkFacts::Reach::Limited;
            break;
        case G_NETWORK_CONNECTIVITY_LOCAL:
        default:
            facts.reach = NetworkFacts::Reach::Local;
            break;
    }
    return facts;
}

}  // namespace Platform
