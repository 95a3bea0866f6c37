#include "toolkit/UIBackend.h"

#include <cstdio>

#include "toolkit/UIMessageLoop.h"
#include "utils/Text.h"

namespace Toolkit {

namespace {

std::unique_ptr<IBackend>& Slot() {
    static std::unique_ptr<IBackend> backend;
    return backend;
}

}  // namespace

IBackend* CurrentBackend() { return Slot().get(); }

void SetBackend(std::unique_ptr<IBackend> backend) {
    CMessageLoop::Instance().SetWaiter(backend ? backend->Waiter() : nullptr);
    Slot() = std::move(backend);
}

}  // namespace Toolkit
