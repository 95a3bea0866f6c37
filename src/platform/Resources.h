#pragma once
// Data linked into the executable at build time, found by type and number
// ("ZIPRES" 147 is the skin package, "ICON" 145 the window icon as PNG).
// cmake/SkinPackage.cmake generates the registration for the executable that
// embeds them. Any thread once static initialisation is over.
#include <cstddef>
#include <cstdint>
#include <string>

namespace Platform {

struct ResourceData {
    const uint8_t* data = nullptr;
    size_t size = 0;
    bool empty() const { return data == nullptr || size == 0; }
};

// Empty when the executable holds no such resource.
ResourceData FindResource(const std::string& type, int number);

// Called from the generated code during static initialisation; the bytes
// must live for the whole process. A second registration of the same type
// and number replaces the first.
void RegisterResource(const std::string& type, int number, const uint8_t* data, size_t size);

}  // namespace Platform
