#pragma once
// Whether a place on disk can be trusted to hold a program we run: nobody but
// this user (and root) can change what is in it or swap it for something
// else between our check of the program and its start.
#include <string>

namespace Platform {

// True when `dir` is a real folder (not a link) owned by this user or root
// and not writable by group or others, and every folder above it, both as
// the path names them and where links among them lead, is owned by this
// user or root and is either not writable by group or others or sticky
// (like /tmp, where only the owner of an entry may move or delete it). Each
// link on the way must be this user's or root's. False with the reason in
// *why.
bool IsPrivateFolderTree(const std::string& dir, std::string* why);

// A regular file (not a link) owned by this user, not writable by group or
// others, in a folder that IsPrivateFolderTree accepts.
bool IsPrivateFile(const std::string& path, std::string* why);

}  // namespace Platform
