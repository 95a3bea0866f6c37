#include "utils/CheckNetwork.h"

#include "utils/Log.h"

namespace Utils {

uint32_t ConnectivityFlags(const Platform::NetworkFacts& f) {
    using Reach = Platform::NetworkFacts::Reach;
    if (!f.networkAvailable && !f.ipv4Up && !f.ipv6Up) return 0;
    uint32_t flags = 0;
    const bool v4 = f.ipv4Up, v6 = f.ipv6Up;
    switch (f.networkAvailable ? f.reach : Reach::None) {
        case Reach::Full:
            if (v4) flags |= NETWORK_IPV4_INTERNET;
            if (v6) flags |= NETWORK_IPV6_INTERNET;
            // A default route through an interface we could not classify.
            if (!v4 && !v6) flags |= NETWORK_IPV4_INTERNET;
            break;
        case Reach::Limited:
            if (v4) flags |= NETWORK_IPV4_LOCALNETWORK;
            if (v6) flags |= NETWORK_IPV6_LOCALNETWORK;
            if (!v4 && !v6) flags |= NETWORK_IPV4_LOCALNETWORK;
            break;
        case Reach::Local:
        case Reach::None:
            if (v4) flags |= NETWORK_IPV4_NOTRAFFIC;
            if (v6) flags |= NETWORK_IPV6_NOTRAFFIC;
            break;
    }
    return flags;
}

uint32_t NetworkVerdict(const Platform::NetworkFacts& f) {
    if (!f.asked) return 0;
    const uint32_t flags = ConnectivityFlags(f);
    uint32_t verdict = 0;
    if (flags == 0) {
        LOG_RAW(L"GetConnectivity %d", static_cast<int>(flags));
        verdict = 1;
    } else if (!(flags & (NETWORK_IPV4_INTERNET | NETWORK_IPV6_INTERNET))) {
        LOG_RAW(L"get_IsConnectedToInternet:%d", 0);
        verdict = 2;
    }
    return flags | (verdict << 16);
}

uint32_t CheckNetwork() { return NetworkVerdict(Platform::QueryNetworkFacts()); }

}  // namespace Utils
