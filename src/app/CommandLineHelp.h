#pragma once
// --help, -h, -? and --version: answered before anything else starts, so
// they need neither the single-instance lock nor the tracker.
#include <optional>
#include <string>
#include <vector>

// The text to print when an argument after the program path asks for help
// or the version (the first such argument decides); nothing otherwise.
std::optional<std::string> InformationRequestAnswer(const std::vector<std::wstring>& arguments);

std::string UsageText();
// "lumora-setup 1.7.9"
std::string VersionText();
