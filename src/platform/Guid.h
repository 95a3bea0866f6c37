#pragma once
#include <array>
#include <cstdint>

namespace Platform {

// A new random GUID (libuuid), its 16 bytes in the order the text form
// writes them.
std::array<uint8_t, 16> NewGuidBytes();

}  // namespace Platform
