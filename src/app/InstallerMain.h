#pragma once
#include <chrono>
#include <string>
#include <vector>

// The installer's start-up and shut-down spine; returns the exit status
// (255 when another instance holds the lock).
int InstallerMain(const std::vector<std::wstring>& arguments);

// Shut-down's libcurl step: curl_global_cleanup (or `cleanup`, for tests)
// once no Utils::CurlUser is left, waiting at most `limit`. False, and
// libcurl left initialised, when some are still running then.
bool CleanUpLibcurl(std::chrono::milliseconds limit, void (*cleanup)() = nullptr);

struct BeaconIdentity;
class InstallerConfig;

// The reporting layer's identity from the settings as they stand before the
// command line is applied, with the collector address the command line
// gives, if any.
BeaconIdentity InstallerBeaconIdentity(const InstallerConfig& config,
                                       const std::vector<std::wstring>& arguments);
