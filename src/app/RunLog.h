#pragma once
// Where the diagnostic log of a run goes.
//
// By default a file per run, ${XDG_STATE_HOME:-~/.local/state}/lumora/
// lumora-setup.log, the previous run's kept as lumora-setup.1.log, each
// capped at kRunLogCapBytes. -log=FILE appends to FILE instead; -log=- (or
// LUMORA_LOG=stderr in the environment; the option wins) keeps the log on
// standard error.
//
// The settings record reads its file, and may log, while static objects are
// built, before main has seen the command line. The executable therefore
// holds every line in memory from its first static constructor on
// (Platform::HoldDebugOutput) and StartRunLog writes the held lines first.
// A process that ends before StartRunLog (--help, --version) drops them.
// Programs that never call these functions (the tools, the tests) log to
// standard error.
#include <cstdint>
#include <string>
#include <vector>

constexpr uint64_t kRunLogCapBytes = 8u << 20;

struct RunLogChoice {
    enum class Kind { DefaultFile, NamedFile, StandardError };
    Kind kind = Kind::DefaultFile;
    std::string path;  // the file, for DefaultFile and NamedFile
};

// From the process arguments (argv[0] included) and the value of LUMORA_LOG
// (null when unset).
RunLogChoice ChooseRunLog(const std::vector<std::wstring>& arguments, const char* lumoraLog);

// The default file's place.
std::string DefaultRunLogPath();
// lumora-setup.log -> lumora-setup.1.log
std::string PreviousRunLogPath(const std::string& path);

// Opens the chosen destination and sends the log there, the held lines
// first. A file that cannot be opened is reported with one sentence on
// standard error, and the log stays there.
void StartRunLog(const RunLogChoice& choice);

// The file this run logs to; empty when the log is on standard error.
const std::string& RunLogPath();
