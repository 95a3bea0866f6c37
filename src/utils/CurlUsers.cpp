#include "utils/CurlUsers.h"

#include <condition_variable>
#include <mutex>

namespace Utils {
namespace {

// Function-local, so that users made during static initialisation count.
struct Users {
    std::mutex lock;
    std::condition_variable gone;
    int count = 0;
};

Users& TheUsers() {
    static Users* users = new Users;  // never destroyed: threads may outlive main
    return *users;
}

}  // namespace

CurlUser::CurlUser() {
    Users& u = TheUsers();
    std::lock_guard<std::mutex> g(u.lock);
    ++u.count;
}

CurlUser::~CurlUser() {
    Users& u = TheUsers();
    std::lock_guard<std::mutex> g(u.lock);
    if (--u.count == 0) u.gone.notify_all();
}

int CurlUserCount() {
    Users& u = TheUsers();
    std::lock_guard<std::mutex> g(u.lock);
    return u.count;
}

bool WaitForNoCurlUsers(std::chrono::milliseconds limit) {
    Users& u = TheUsers();
    std::unique_lock<std::mutex> g(u.lock);
    return u.gone.wait_for(g, limit, [&] { return u.count == 0; });
}

}  // namespace Utils
