#pragma once
// What the front-ends hand to the install session: the settings it needs,
// copied from the settings record, and the maker of the configured
// downloader. UI thread, before any worker exists.
#include "install/InstallSession.h"

class InstallerConfig;

SessionSettings SessionSettingsFrom(const InstallerConfig& config);
// `reportSize`, when given, learns the package's size on a worker thread.
DownloaderMaker DownloaderMakerFrom(const InstallerConfig& config,
                                    DownloadSizeReporter reportSize = {});
