#pragma once
// The user's well-known folders on Linux, and making folder trees. Paths are
// UTF-8 without a trailing slash.
#include <string>

namespace Platform {

// $HOME, else the home folder of the user's account; "/" as a last resort.
std::string HomeDirectory();
// The home folder the user database gives for this account; empty when it
// has none.
std::string AccountHomeDirectory();
// ${XDG_CONFIG_HOME:-~/.config}
std::string ConfigHome();
// ${XDG_CACHE_HOME:-~/.cache}
std::string CacheHome();
// Where per-user application data goes (APPDATA and local app data):
// ${XDG_DATA_HOME:-~/.local/share}.
std::string AppDataDirectory();
// Where programs go: /opt for root, else ~/.local/opt.
std::string ProgramFilesDirectory();
// The folder shared by all users for documents: /var/tmp.
std::string SharedDocumentsDirectory();

// Makes `path` and its missing parents ("/" separates folders). Folders it
// creates get `mode` (less the umask). False with the reason in *err when a
// level cannot be made or is not a folder.
bool MakeDirectories(const std::string& path, unsigned mode, std::string* err);

}  // namespace Platform
