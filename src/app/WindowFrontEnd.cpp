#include "app/WindowFrontEnd.h"

#include <cstdio>
#include <string>

#include "app/InstallerConfig.h"
#include "app/Interruption.h"
#include "app/SessionSetup.h"
#include "app/SingleInstanceMutex.h"
#include "platform/StopSignals.h"
#include "toolkit/Toolkit.h"
#include "toolkit/UIMessageLoop.h"
#include "ui/MainWnd.h"
#include "ui/WndShadow.h"
#include "utils/Log.h"
#include "utils/Text.h"

WindowFrontEnd::WindowFrontEnd() = default;

WindowFrontEnd::~WindowFrontEnd() { DestroyWindowObject(); }

int WindowFrontEnd::Run(const InstallerConfig& config) {
    std::string why;
    if (!Toolkit::UseGtkBackend(&why)) {
        std::fprintf(stderr,
                     "lumora-setup: %s, which the installer window needs; run "
                     "lumora-setup -silent=true to install without a window.\n",
                     why.c_str());
        return kExitNoDisplay;
    }
    CWndShadow::Initialize();

    MainWndSettings settings;
    settings.session = SessionSettingsFrom(config);
    settings.makeDownloader = DownloaderMakerFrom(config);
    settings.languageIndex = config.m_LanguageIndex;
    m_Window = std::make_unique<CMainWnd>(std::move(settings));
    // Created hidden and shown by the modal run once centred, so it never
    // appears first at the default place.
    if (m_Window->Create(0, L"Lumora", Toolkit::WS_OVERLAPPEDWINDOW, 0) == 0) {
        std::fputs("lumora-setup: the installer window could not be created.\n", stderr);
        return 1;
    }
    m_Window->CenterWindow();
    // A stop signal ends the run on any page: the pipeline starts nothing
    // more at once and every modal loop (a prompt's too) ends; the children
    // are stopped below, on this thread.
    CInstallSession* session = m_Window->GetSession();
    Platform::SetStopHandler([session](int) {
        if (session) session->RequestCancel();
        Toolkit::CMessageLoop::Instance().PostQuit();
    });
    const Toolkit::WindowHandle window = m_Window->GetHWND();
    std::string socketWhy;
    if (!m_Messages.Start(
            Utils::ToUtf8(std::wstring(SingleInstanceMutex::kPrefix) + kInstallerLockName),
            {kDownloaderStartedMessage},
            [window](uint32_t message) {
                LOG(L"message %u from another process", message);
                Toolkit::PostMessage(window, message);
            },
            &socketWhy))
        LOG(L"no messages from other processes: %ls", Utils::FromUtf8(socketWhy).c_str());
    m_Window->ShowModal();
    m_Messages.Stop();
    Platform::SetStopHandler(nullptr);
    if (const int signal = Platform::StopSignalReceived()) {
        const InstallStage stage = session ? session->Cancel() : InstallStage::Idle;
        std::fprintf(
            stderr, "lumora-setup: %s\n",
            InterruptionSentence(signal, stage, session ? session->InstallPath() : L"").c_str());
        return InterruptedStatus(signal);
    }
    return 0;
}

void WindowFrontEnd::DestroyWindowObject() { m_Window.reset(); }
