#pragma once
// A per-user, per-name lock that one process holds at a time: flock on
// $XDG_RUNTIME_DIR/<name>.lock, or /tmp/<name>-<uid>.lock (owned by the user,
// mode 0600) when there is no runtime folder. The kernel drops the lock when
// the process ends, however it ends.
#include <string>

namespace Platform {

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock() { Release(); }
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when the lock is now held by this object. False when another
    // process holds it or the lock file cannot be used (reason in *err).
    bool TryAcquire(const std::string& name, std::string* err = nullptr);
    void Release();
    bool Held() const { return m_Fd >= 0; }

    // Where the lock file for `name` lives.
    static std::string LockPath(const std::string& name);

private:
    int m_Fd = -1;
};

}  // namespace Platform
