#include "NativeUserTracker.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

#include "Console.h"
#include "QvTypes.h"
#include "TrackerSystem.h"
#include "platform/Process.h"
#include "platform/ProfileIni.h"
#include "platform/SystemRelease.h"

namespace tamik::beacon {
namespace {

using beacon_analytics::ConsoleLine;

constexpr const char* kBase = "Base";

std::string Slashes(std::string s) {
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

bool MakeFolder(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (std::filesystem::is_directory(path, ec)) return true;
    ConsoleLine("Cannot create the tracker folder " + path);
    return false;
}

std::string FallbackDeviceId() {
    std::mt19937 engine;  // default seed 5489
    std::uniform_int_distribution<uint32_t> draw(0, 2147483646);
    uint32_t g[8];
    for (uint32_t& v : g) v = draw(engine) + draw(engine);
    g[3] = (g[3] & 0x0FFF) | 0x4000;
    g[4] = (g[4] % 0x3FFF) + 0x8000;
    char buf[96];
    std::snprintf(buf, sizeof buf, "%x%x-%x-%x-%x-%x%x%x", g[0], g[1], g[2], g[3], g[4], g[5], g[6],
                  g[7]);
    return buf;
}

// The INI layer reads whatever it is given; a folder or a device where the
// identity file belongs is refused here, with a reason, and left alone.
bool UsableFile(const std::string& path) {
    std::error_code ec;
    const auto st = std::filesystem::status(path, ec);
    if (ec || st.type() == std::filesystem::file_type::not_found) return true;
    if (st.type() == std::filesystem::file_type::regular) return true;
    ConsoleLine("The identity file " + path + " is not a regular file; the identity is not kept");
    return false;
}

// The locator "Set.ini" in `dir`, whatever the case of its name: the
// installer writes "set.ini", and file names here are case-sensitive. An
// exact "Set.ini" wins; among other spellings the first in name order.
// Empty when there is none.
std::string FindLocator(const std::string& dir) {
    if (Platform::PathExists(dir + "Set.ini")) return dir + "Set.ini";
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
        std::string name = e.path().filename().string();
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower == "set.ini") names.push_back(name);
    }
    if (names.empty()) return {};
    std::sort(names.begin(), names.end());
    return dir + names.front();
}

}  // namespace

void NativeUserTracker::ResolvePaths(TrackerState& state, const std::string& appName,
                                     const std::string& exeDirArg) {
    std::string exeDir = exeDirArg;
    if (exeDir.empty()) {
        exeDir = Platform::ExecutablePath();
        exeDir = exeDir.substr(0, exeDir.rfind('/') + 1);
    }
    if (!exeDir.empty() && exeDir.back() != '/') exeDir += '/';

    std::string identity;
    const std::string locator = exeDir.empty() ? std::string() : FindLocator(exeDir);
    if (!locator.empty() && UsableFile(locator))
        identity =
            Slashes(Platform::ReadProfileString(locator, "Install", "QVBeaconAnalyticsIni", ""));

    bool located = identity.find('/') != std::string::npos;
    if (located) {
        state.dataFolder = identity.substr(0, identity.rfind('/') + 1);
        if (!MakeFolder(state.dataFolder)) {
            // A locator naming an unusable place: keep the identity where a
            // locator-less run keeps it.
            ConsoleLine("Ignoring the identity file named in " + locator);
            located = false;
        }
    }
    if (located) {
        state.identityPath = identity;
    } else {
        const std::string base = sys::LocalAppDataFolder();
        state.dataFolder = (base.empty() ? std::string(".") : base) + "/RIRivez/" + appName + "/";
        MakeFolder(state.dataFolder);
        state.identityPath = state.dataFolder + appName + "_QVSConfigure.ini";
    }
    if (state.logPath.empty()) state.logPath = state.dataFolder + appName + "_QVSLog.txt";
}

std::string NativeUserTracker::StagingPath(const TrackerState& state, const std::string& appName) {
    return state.dataFolder + appName + "_QVSStaging.txt";
}

void NativeUserTracker::LoadIdentity(TrackerState& state) {
    state.isLogin = false;
    const std::string& p = state.identityPath;
    if (Platform::PathExists(p) && UsableFile(p)) {
        if (std::FILE* f = std::fopen(p.c_str(), "rb")) {
            std::fclose(f);
        } else {
            ConsoleLine("Cannot read the identity file " + p);
        }
        state.distinctId = Platform::ReadProfileString(p, kBase, "DistinctId", "");
        state.primaryDistinctId = Platform::ReadProfileString(p, kBase, "PrimaryDistinctId", "");
        state.userId = Platform::ReadProfileString(p, kBase, "UserId", "");
        state.vipLevel = Platform::ReadProfileInt(p, kBase, "UserVipLevel", 0);
        state.storedUrl = Platform::ReadProfileString(p, kBase, "URL", "");
        state.isLogin = Platform::ReadProfileString(p, kBase, "isLogined", "") == "OK";
        if (state.primaryDistinctId.empty()) state.primaryDistinctId = state.distinctId;
    }
    if (state.distinctId.empty()) {
        state.distinctId = NewDeviceId();
        SaveIdentity(state);
    }
}

bool NativeUserTracker::SaveIdentity(const TrackerState& state) {
    if (state.identityPath.empty() || !UsableFile(state.identityPath)) return false;
    // One write for the whole identity, so an end half-way cannot leave a
    // new distinct id beside an old primary id.
    const Platform::ProfileEntries values = {
        {"DistinctId", state.distinctId}, {"PrimaryDistinctId", state.primaryDistinctId},
        {"UserId", state.userId},         {"UserVipLevel", std::to_string(state.vipLevel)},
        {"URL", state.storedUrl},         {"isLogined", state.isLogin ? "OK" : "NG"},
    };
    std::string err;
    if (!Platform::WriteProfileStrings(state.identityPath, kBase, values, &err)) {
        ConsoleLine("Cannot save the identity: " + err);
        return false;
    }
    return true;
}

void NativeUserTracker::ResetForCollector(TrackerState& state, const std::string& serverUrl) {
    if (state.storedUrl != serverUrl || state.distinctId.empty()) {
        state.userId.clear();
        state.isLogin = false;
        if (state.primaryDistinctId.empty()) {
            state.distinctId = NewDeviceId();
            state.primaryDistinctId = state.distinctId;
        } else {
            state.distinctId = state.primaryDistinctId;
        }
        state.storedUrl = serverUrl;
        SaveIdentity(state);
    }
    if (state.userId.empty()) state.isLogin = false;
}

void NativeUserTracker::WriteAppRecord(const TrackerState& state, const std::string& appName,
                                       const std::string& appVersion, const std::string& appStore) {
    if (state.identityPath.empty() || !UsableFile(state.identityPath)) return;
    std::string err;
    if (!Platform::WriteProfileStrings(
            state.identityPath, "UninstallInfo",
            {{"AppStore", appStore}, {"AppName", appName}, {"AppVersion", appVersion}}, &err))
        ConsoleLine("Cannot write the application record: " + err);
}

std::string NativeUserTracker::NewDeviceId() { return NewDeviceId(sys::NewGuidText); }

std::string NativeUserTracker::NewDeviceId(const std::function<bool(std::string*)>& guidSource) {
    std::string text;
    for (int attempt = 0; attempt < 11; ++attempt)
        if (guidSource(&text)) return text;
    return FallbackDeviceId();
}

void NativeUserTracker::OsName(std::string& os, std::string& osVersion) {
    os = "Linux";
    osVersion = Platform::KernelRelease();
}

bool NativeUserTracker::Is64BitOs() { return Platform::KernelIs64Bit(); }

std::string NativeUserTracker::UserAgent() {
    std::string os, version;
    OsName(os, version);
    return "Mozilla/5.0(" + os + " " + version + "; X" + (Is64BitOs() ? "64;)" : "32;)");
}

bool NativeUserTracker::SystemLocale(std::string& language, std::string& country,
                                     std::string& locale) {
    std::string l, c;
    if (!sys::UserLocale(&l, &c)) return false;
    language = l;
    country = c;
    locale = l + "_" + c;
    return true;
}

bool NativeUserTracker::SplitLocale(const std::string& locale, std::string& language,
                                    std::string& country) {
    const size_t sep = locale.find('_');
    if (sep == std::string::npos) return false;
    language = locale.substr(0, sep);
    country = locale.substr(sep + 1);
    return true;
}

void NativeUserTracker::LocalisationValues(const TrackerState& state, std::string& locale,
                                           std::string& language, std::string& country) {
    locale.clear();
    language.clear();
    country.clear();
    if (!state.locale.empty() && SplitLocale(state.locale, language, country)) {
        locale = state.locale;
        return;
    }
    if (language.empty() && !SystemLocale(language, country, locale)) {
        language.clear();
        country.clear();
        locale.clear();
    }
}

void NativeUserTracker::AddLocalisation(const TrackerState& state,
                                        beacon_analytics::PropertiesNode& node) {
    std::string locale, language, country;
    LocalisationValues(state, locale, language, country);
    node.SetString("qv_l10n_locale", locale);
    node.SetString("qv_l10n_language", language);
    node.SetString("qv_l10n_country", country);
}

beacon_analytics::PropertiesNode NativeUserTracker::CommonProperties(const TrackerState& state,
                                                                     const TrackerConfig& config) {
    std::string os, osVersion;
    OsName(os, osVersion);
    beacon_analytics::PropertiesNode p;
    p.SetString("qv_app_id", config.appName);
    p.SetString("$app_version", config.appVersion);
    p.SetString("$app_id", config.appName);
    p.SetString("qv_app_store", config.appStore);
    p.SetString("qv_edition", toString(static_cast<QvEdition>(config.edition)));
    if (!config.dlAppId.empty()) p.SetString("qv_dlapp_id", config.dlAppId);
    if (!config.dlAppVersion.empty()) p.SetString("qv_dlapp_version", config.dlAppVersion);
    p.SetString("qv_app_platform", os);
    p.SetString("qv_track_type", "Client");
    p.SetString("qv_sdk_version", "3.3.8");
    p.SetString("qv_sdk", "WindowsCPP");
    p.SetString("$os", os);
    p.SetString("$os_version", osVersion);
    AddLocalisation(state, p);
    int width = 0, height = 0;
    sys::ScreenSize(&width, &height);
    p.SetInteger("$screen_height", height);
    p.SetInteger("$screen_width", width);
    if (!state.userId.empty()) p.SetString("qv_user_id", state.userId);
    return p;
}

}  // namespace tamik::beacon
