#pragma once
// What the system knows about the network: GIO's network monitor for the
// verdict, getifaddrs for which address families are up.
namespace Platform {

struct NetworkFacts {
    bool asked = false;             // the monitor could be asked at all
    bool networkAvailable = false;  // some network (a default route) exists
    enum class Reach { None, Local, Limited, Full } reach = Reach::None;
    bool ipv4Up = false;  // a non-loopback interface, up and running, with IPv4
    bool ipv6Up = false;  // the same with a non-link-local IPv6 address
};

// Asks GIO and the interface list once. Any thread.
NetworkFacts QueryNetworkFacts();

}  // namespace Platform
