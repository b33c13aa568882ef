// KelvoView: the viewer program. Start-up and shutdown in order; the main
// window with the login window over it; one running copy unless allowed.
#include <CPaintManagerUI.h>
#include <CWindowWnd.h>
#include <SDL.h>
#include <TextCodec.h>

#include <pthread.h>

#include <csignal>
#include <cstdio>
#include <thread>

#include "ClientConfig.h"
#include "CrashReport.h"
#include "MainForm.h"
#include "ViewerMessages.h"
#include "platform/SingleInstance.h"
#include "SoundPlayer.h"

namespace {

const char* kInstanceName = "{D84441F9-EDC1-4a2a-83DF-5AA8D4701169}";

// Before the main window exists: stderr, never a blocking dialog.
void EarlyMessage(const char* gbkText) {
    std::fprintf(stderr, "KelvoView: %s\n", DuiLib::GbkToUtf8Lenient(gbkText).c_str());
}

}  // namespace

// SIGTERM and SIGINT end the program the way closing the main window
// does (streams stopped, logout, settings saved), without the question: they
// are waited for on a thread of their own and turned into a posted message.
void WatchTermination(DuiLib::HWND mainWindow, sigset_t set) {
    std::thread([mainWindow, set] {
        int sig = 0;
        if (sigwait(&set, &sig) == 0) DuiLib::PostMessage(mainWindow, WM_QUIT_REQUEST, 0, 0);
    }).detach();
}

int main() {
    kelvo::CrashReport::Install(kelvo::CrashReportSettings());
    // The library sends with MSG_NOSIGNAL; this covers everything else.
    std::signal(SIGPIPE, SIG_IGN);
    // Blocked before any thread starts, so every thread inherits the mask.
    sigset_t terminate;
    sigemptyset(&terminate);
    sigaddset(&terminate, SIGTERM);
    sigaddset(&terminate, SIGINT);
    pthread_sigmask(SIG_BLOCK, &terminate, nullptr);
    // COM, OLE and the rich-edit library have no counterpart here; sockets
    // need no start-up on this platform.
    DuiLib::CPaintManagerUI::SetInstance(nullptr);
    if (!DuiLib::CPaintManagerUI::EnsureVideo()) {
        EarlyMessage("窗口初始化失败!");
        return 0;
    }

    auto* form = new kelvo::MainForm;  // deletes itself when its window is destroyed
    if (!form->Create(nullptr, "MainForm", 0x000F0000u, 0, 0, 0, 0, 0)) {
        EarlyMessage("窗口初始化失败!");
        delete form;
        return 0;
    }
    form->CenterWindow();
    const DuiLib::HWND mainWindow = form->GetHWND();

    platform::SingleInstance instance(kInstanceName);
    const bool first = instance.Acquire();
    if (!first && instance.Failed()) {
        EarlyMessage("无法创建互斥变量!");
        DuiLib::DestroyWindow(mainWindow);
        DuiLib::CPaintManagerUI::Term();
        return 0;
    }
    if (!first && !kelvo::ClientConfig::Instance().multiRun) {
        EarlyMessage("程序已经在内存中运行!");
        instance.AskFirstToRaise();
        DuiLib::DestroyWindow(mainWindow);
        DuiLib::CPaintManagerUI::Term();
        kelvo::CrashReport::Uninstall();
        return -1;
    }
    if (first)
        instance.Listen([mainWindow] { DuiLib::PostMessage(mainWindow, WM_RAISE_MAIN, 0, 0); });

    WatchTermination(mainWindow, terminate);
    form->ShowWindow(true, true);
    DuiLib::MaximizeWindow(mainWindow);
    if (DuiLib::IsWindow(mainWindow)) form->ShowLogin(true);
    if (DuiLib::IsWindow(mainWindow)) DuiLib::CPaintManagerUI::MessageLoop();

    // The mixer goes before SDL itself: its static owner would otherwise
    // close it during exit, after SDL_Quit, and hang there.
    kelvo::SoundPlayer::Instance().Close();
    DuiLib::CPaintManagerUI::Term();
    SDL_Quit();
    kelvo::CrashReport::Uninstall();
    return 0;
}
