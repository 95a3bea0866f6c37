#pragma once
// Who runs this process and who sits at the console.
#include <string>

namespace Platform {

// This process runs with administrator rights: effective uid 0.
bool ProcessIsElevated();
// The account is an administrator: root, or a member of "sudo", "wheel" or
// "admin" (as its primary group or a listed member). False for an unknown
// name or an empty one.
bool AccountIsAdministrator(const std::string& userName);
// True and the user name of the active session on seat0 (sd-login); false
// and `name` untouched when there is no such session or it cannot be asked.
bool ConsoleUserName(std::string& name);

}  // namespace Platform
