#pragma once
// The text of the sample package: a /bin/sh program whose payload is
// appended after its last line, and of the uninstaller it installs.
#include <cstdint>
#include <string>

struct SampleOptions {
    std::string outDir;
    std::string name = "lumora-setup-package.exe";
    std::string version = "2.0.0";
    uint64_t payloadBytes = 1536 * 1024;  // the download engine refuses less than 1 MiB
    std::string startup = "AutoStartup";  // StartupStyle= keyword
    std::string encode;                   // Encode= announced first ("UTF8", "936", ...)
    std::string message;                  // Message= sent (in the announced code page)
    bool fail = false;                    // State=Fail
    std::string error;                    // Error=<text>
    bool noFinal = false;                 // ends without a final line
    bool hang = false;                    // never ends
    bool crash = false;                   // dies of SIGSEGV midway
    uint64_t floodStdout = 0;             // bytes of noise on standard output
    uint64_t floodStderr = 0;             // bytes of noise on standard error
    bool crlf = false;                    // CR LF line ends
    bool uninstFail = false;              // its uninstaller answers State=Fail
    std::string uninstError;              // its uninstaller answers Error=<text>
    bool uninstHang = false;              // its uninstaller never ends
};

// The package's script part; `payloadOffset` is where the payload starts
// (the script's own length), written with a fixed width so it does not
// change the length.
std::string PackageScript(const SampleOptions& o, uint64_t payloadOffset);
// The installed uninstaller, uninst.ep.
std::string UninstallerScript(const SampleOptions& o);
// The installed product, lumoraapp.exe.
std::string ProductScript(const SampleOptions& o);
