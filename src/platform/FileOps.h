#pragma once
// The few file operations the installation pipeline needs. Paths are in the
// file system's byte form. None throws.
#include <string>
#include <vector>

namespace Platform {

// Something (file, folder, ...) exists at the path.
bool PathExistsAny(const std::string& path);
// A regular file (links followed) exists at the path.
bool IsRegularFile(const std::string& path);
// Copies the file, replacing the target; the copy keeps the source's
// permission bits. False with the reason in *err.
bool CopyFileReplacing(const std::string& from, const std::string& to, std::string* err);
// Deletes a file (not a folder). False with the reason in *err; a missing
// file is a failure too.
bool DeleteFileAt(const std::string& path, std::string* err);
// Names of the entries of `dir` (files and links, not folders) whose name
// begins with `prefix`; empty when the folder cannot be read.
std::vector<std::string> FilesStartingWith(const std::string& dir, const std::string& prefix);
// Creates the file anew for reading and writing (truncating one that is
// there) and closes it. False with the reason in *err.
bool CreateEmptyFile(const std::string& path, std::string* err);

}  // namespace Platform
