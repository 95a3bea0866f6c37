#include "platform/Launch.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace Platform {

bool OpenAddress(const std::string& uri, std::string* err) {
    GError* error = nullptr;
    if (!g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error)) {
        if (err) *err = error ? error->message : "cannot open " + uri;
        if (error) g_error_free(error);
        return false;
    }
    return true;
}

bool StartDetached(const std::string& program, std::string* err) {
    std::string folder = ".";
    if (size_t slash = program.rfind('/'); slash != std::string::npos)
        folder = slash == 0 ? "/" : program.substr(0, slash);
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = -1;
    int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        if (err) *err = "cannot start " + program + ": " + std::strerror(rc);
        return false;
    }
    // Not waited for: it is the user's program now. The kernel hands it to
    // init when we exit.
    return true;
}

}  // namespace Platform
