#pragma once
// The single-instance lock of the installer: one holder per user log-on and
// name. The system object's name is the fixed prefix followed by the name.
#include <memory>
#include <string>

namespace Platform {
class InstanceLock;
}

// The name the installer's lock takes (after the prefix); the window's
// message socket is named after it.
constexpr const wchar_t* kInstallerLockName = L"Installer_lumoraapp";

class SingleInstanceMutex {
public:
    explicit SingleInstanceMutex(std::wstring name);
    ~SingleInstanceMutex();

    // Takes the lock if it is free; does nothing while it is held.
    void Acquire();
    // Releases a held lock.
    void Release();
    bool Held() const;

    static constexpr const wchar_t* kPrefix = L"D1A547DB89C0BC61_";

private:
    std::wstring name;
    std::unique_ptr<Platform::InstanceLock> handle;
};
