#pragma once
#include <string>
#include <vector>

// The installer's start-up and shut-down spine; returns the exit status
// (255 when another instance holds the lock).
int InstallerMain(const std::vector<std::wstring>& arguments);
