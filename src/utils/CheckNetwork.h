#pragma once
// The network verdict: low 16 bits connectivity flags (the values of the
// Windows network list service, which the failure reports quote), high 16
// bits the verdict: 0 internet (or the system cannot be asked: then the
// whole value is 0), 1 no connection at all, 2 connected but not to the
// internet.
#include <cstdint>

#include "platform/NetworkState.h"

namespace Utils {

enum : uint32_t {
    NETWORK_IPV4_NOTRAFFIC = 0x1,
    NETWORK_IPV6_NOTRAFFIC = 0x2,
    NETWORK_IPV4_SUBNET = 0x10,
    NETWORK_IPV4_LOCALNETWORK = 0x20,
    NETWORK_IPV4_INTERNET = 0x40,
    NETWORK_IPV6_SUBNET = 0x100,
    NETWORK_IPV6_LOCALNETWORK = 0x200,
    NETWORK_IPV6_INTERNET = 0x400,
};

// Asks the system now. Any thread; logs the two failure lines.
uint32_t CheckNetwork();

// The flags for what the system reported.
uint32_t ConnectivityFlags(const Platform::NetworkFacts& facts);
// The verdict value for what the system reported; logs "GetConnectivity %d"
// when there is no connection and "get_IsConnectedToInternet:%d" when the
// internet is out of reach.
uint32_t NetworkVerdict(const Platform::NetworkFacts& facts);

}  // namespace Utils
