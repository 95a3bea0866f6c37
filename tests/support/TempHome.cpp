#include "support/TempHome.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testsupport {
namespace {

std::string g_CurrentHome;

std::string BaseTemp() {
    // The base is fixed at the first call, before any test changed TMPDIR.
    static const std::string base = [] {
        const char* t = std::getenv("LUMORA_TEST_TMP");
        if (!t || !*t) t = std::getenv("TMPDIR");
        return std::string(t && *t ? t : "/tmp");
    }();
    return base;
}

}  // namespace

TempHome::TempHome() {
    std::string templ = BaseTemp() + "/lumora-test-XXXXXX";
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    m_Root = templ;
    const std::pair<const char*, const char*> vars[] = {
        {"HOME", "/home"},
        {"XDG_CONFIG_HOME", "/home/.config"},
        {"XDG_DATA_HOME", "/home/.local/share"},
        {"XDG_CACHE_HOME", "/home/.cache"},
        {"XDG_STATE_HOME", "/home/.local/state"},
        {"XDG_RUNTIME_DIR", "/run"},
        {"TMPDIR", "/tmp"},
    };
    for (auto [name, sub] : vars) {
        std::string p = m_Root + sub;
        std::filesystem::create_directories(p);
        ::chmod(p.c_str(), 0700);
        ::setenv(name, p.c_str(), 1);
    }
    g_CurrentHome = m_Root;
}

TempHome::~TempHome() {
    if (!std::getenv("LUMORA_KEEP_TEST_HOME")) {
        std::error_code ec;
        std::filesystem::permissions(m_Root, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_Root, ec);
    }
    if (g_CurrentHome == m_Root) g_CurrentHome.clear();
}

const std::string& CurrentTestHome() { return g_CurrentHome; }

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) throw std::runtime_error("cannot write " + path);
    f << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

void MakeDirs(const std::string& path) { std::filesystem::create_directories(path); }

}  // namespace testsupport
