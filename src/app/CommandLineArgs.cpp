#include "app/CommandLineArgs.h"

#include <cmath>
#include <limits>

#include "app/InstallerConfig.h"
#include "utils/CommandLineSplit.h"
#include "utils/NumberParse.h"

CommandLineArgs::CommandLineArgs(const std::vector<std::wstring>& arguments) {
    for (const std::wstring& arg : arguments) {
        size_t eq = arg.find(L'=');
        if (!arg.empty() && arg[0] == L'-' && eq != std::wstring::npos)
            m_Entries.emplace(arg.substr(0, eq), arg.substr(eq + 1));
        else
            m_Entries.emplace(arg, std::wstring());
    }
}

std::wstring CommandLineArgs::GetString(const std::wstring& key) const {
    auto it = m_Entries.find(key);
    return it == m_Entries.end() ? std::wstring() : it->second;
}

int CommandLineArgs::GetInt(const std::wstring& key) const {
    auto it = m_Entries.find(key);
    if (it == m_Entries.end()) return 0;
    return Utils::ParseInt32(it->second).value_or(0);
}

bool CommandLineArgs::GetBool(const std::wstring& key) const { return GetString(key) == L"true"; }

double CommandLineArgs::GetDouble(const std::wstring& key, double fallback) const {
    auto it = m_Entries.find(key);
    if (it == m_Entries.end()) return fallback;
    return Utils::ParseDecimal(it->second).value_or(fallback);
}

CommandLineArgs ParseCommandLine(const std::wstring& commandLine) {
    return CommandLineArgs(Utils::SplitCommandLine(commandLine));
}

void ApplyCommandLine(const std::vector<std::wstring>& arguments, InstallerConfig& config) {
    const CommandLineArgs args(arguments);
    auto intOption = [&](const wchar_t* key, int& field) {
        if (!args.Has(key)) return;
        if (auto v = Utils::ParseInt32(args.GetString(key))) field = *v;  // out of range: keep
    };

    if (args.Has(L"-downloadurl")) config.SetDownloadUrl(args.GetString(L"-downloadurl"));
    intOption(L"-downloadtype", config.m_DownloadType);
    if (args.Has(L"-downloadscale")) {
        double v = args.GetDouble(L"-downloadscale", std::numeric_limits<double>::quiet_NaN());
        if (!std::isnan(v)) config.m_DownloadScale = v;  // not a number: keep
    }
    if (args.Has(L"-ischecknet")) config.m_IsCheckNet = args.GetBool(L"-ischecknet");
    if (args.Has(L"-isenableappbeacon"))
        config.m_IsEnableAppBeacon = args.GetBool(L"-isenableappbeacon");
    if (args.Has(L"-dlappnamesuffix"))
        config.m_DlAppNameSuffix = args.GetString(L"-dlappnamesuffix");
    if (args.Has(L"-dlappversion")) config.m_DlAppVersion = args.GetString(L"-dlappversion");
    if (args.Has(L"-instcmd")) config.m_InstCmd = args.GetString(L"-instcmd");
    intOption(L"-language", config.m_LanguageIndex);
    if (args.Has(L"-insnew")) config.m_InsNew = args.GetBool(L"-insnew");

    // Linux additions.
    if (args.Has(L"-beaconserverurl"))
        config.m_BeaconServerUrl = args.GetString(L"-beaconserverurl");
    if (args.Has(L"-silent")) config.m_Silent = args.GetBool(L"-silent");
    if (args.Has(L"-installdir")) config.m_SilentInstallDir = args.GetString(L"-installdir");
    if (args.Has(L"-norun")) config.m_NoRun = args.GetBool(L"-norun");
}
