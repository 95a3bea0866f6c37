#include "app/SingleInstanceMutex.h"

#include "platform/InstanceLock.h"
#include "utils/Log.h"
#include "utils/Text.h"

SingleInstanceMutex::SingleInstanceMutex(std::wstring n) : name(std::move(n)) {}

SingleInstanceMutex::~SingleInstanceMutex() { Release(); }

void SingleInstanceMutex::Acquire() {
    if (handle) return;
    auto lock = std::make_unique<Platform::InstanceLock>();
    std::string err;
    if (lock->TryAcquire(Utils::ToUtf8(kPrefix + name), &err))
        handle = std::move(lock);
    else
        LOG(L"lock not taken: %s", Utils::FromUtf8(err).c_str());
}

void SingleInstanceMutex::Release() { handle.reset(); }

bool SingleInstanceMutex::Held() const { return handle != nullptr; }
