#include "platform/Accounts.h"

#include <grp.h>
#include <pwd.h>
#include <systemd/sd-login.h>
#include <unistd.h>

#include <cstdlib>

namespace Platform {

bool ProcessIsElevated() { return ::geteuid() == 0; }

bool AccountIsAdministrator(const std::string& userName) {
    if (userName.empty()) return false;
    if (userName == "root") return true;
    const passwd* pw = ::getpwnam(userName.c_str());
    if (!pw) return false;
    const gid_t primary = pw->pw_gid;
    for (const char* groupName : {"sudo", "wheel", "admin"}) {
        const group* gr = ::getgrnam(groupName);
        if (!gr) continue;
        if (gr->gr_gid == primary) return true;
        for (char** m = gr->gr_mem; m && *m; ++m)
            if (userName == *m) return true;
    }
    return false;
}

bool ConsoleUserName(std::string& name) {
    char* session = nullptr;
    uid_t uid = 0;
    if (sd_seat_get_active("seat0", &session, &uid) < 0) return false;
    std::free(session);
    const passwd* pw = ::getpwuid(uid);
    if (!pw || !pw->pw_name) return false;
    name = pw->pw_name;
    return true;
}

}  // namespace Platform
