#pragma once
#include <string>
#include <vector>

// The installer's start-up and shut-down spine; returns the exit status
// (255 when another instance holds the lock).
int InstallerMain(const std::vector<std::wstring>& arguments);

struct BeaconIdentity;
class InstallerConfig;

// The reporting layer's identity from the settings as they stand before the
// command line is applied, with the collector address the command line
// gives, if any.
BeaconIdentity InstallerBeaconIdentity(const InstallerConfig& config,
                                       const std::vector<std::wstring>& arguments);
