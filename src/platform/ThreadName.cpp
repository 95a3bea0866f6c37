#include "platform/ThreadName.h"

#include <pthread.h>

namespace Platform {

void SetCurrentThreadName(const std::string& name) {
    std::string cut = name.substr(0, 15);
    // Do not leave half of a multi-byte character behind.
    while (!cut.empty() && name.size() > 15 &&
           (static_cast<unsigned char>(name[cut.size()]) & 0xC0) == 0x80)
        cut.pop_back();
    pthread_setname_np(pthread_self(), cut.c_str());
}

std::string CurrentThreadName() {
    char buf[32] = {};
    pthread_getname_np(pthread_self(), buf, sizeof buf);
    return buf;
}

}  // namespace Platform
