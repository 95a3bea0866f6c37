#pragma once
// Starting what the user is to see: an address or document in the desktop's
// default application, or a program on its own.
#include <string>

namespace Platform {

// Opens an address with the desktop's default handler (GIO). False with the
// reason in *err (no handler, no desktop session).
bool OpenAddress(const std::string& uri, std::string* err);

// Starts the program detached from us: its own session, its folder as the
// working folder, standard input, output and error on /dev/null (so it
// never holds pipes that our caller reads). False with the reason in *err.
bool StartDetached(const std::string& program, std::string* err);

}  // namespace Platform
