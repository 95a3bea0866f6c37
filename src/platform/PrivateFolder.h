#pragma once
// Folders that only this user may use: the private temporary folder.
#include <string>

namespace Platform {

// The user's temporary folder: $TMPDIR when set and not empty, else /tmp.
// No trailing slash.
std::string UserTempDirectory();

// Programs can be started from files under `path`: its file system is not
// mounted noexec. True when that cannot be asked.
bool AllowsExecution(const std::string& path);

// `path` made with mode 0700 when missing, and returned only when it is a
// real folder (not a link) owned by this user that no one else may enter or
// write. Empty with the reason in *err otherwise: /tmp is shared by every
// user, and a folder someone else made first could have our files replaced.
std::string EnsurePrivateFolder(const std::string& path, std::string* err);

}  // namespace Platform
