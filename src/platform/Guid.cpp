#include "platform/Guid.h"

#include <uuid/uuid.h>

#include <cstring>

namespace Platform {

std::array<uint8_t, 16> NewGuidBytes() {
    uuid_t id;
    uuid_generate_random(id);
    std::array<uint8_t, 16> out{};
    std::memcpy(out.data(), id, out.size());
    return out;
}

}  // namespace Platform
