// The crash reporter: on a fatal signal it writes the signal and a
// backtrace into a report file under its folder, then lets the signal end
// the process as it would have. No memory dump, no environment (the
// password is in memory), no mail.
// Thread: Install and Uninstall from the main thread, once each; the
// handler runs on whichever thread faulted, on an alternate stack.
#pragma once

#include <string>

namespace kelvo {

// The settings record of the reporter (the mail fields of other platforms
// have no meaning here and are not kept).
struct CrashReportSettings {
    std::string applicationName = "zuzur";
    std::string applicationVersion = "3.0.0";
    std::string reportFolder = "./log";  // relative paths count from the program folder
    std::string restartCommand = "/restart";
    unsigned flags = 0x19FFF;
};

class CrashReport {
public:
    // Installs the handlers for SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT.
    static bool Install(const CrashReportSettings& settings);
    // Restores the handlers that were there before.
    static void Uninstall();
    // The folder reports go to, resolved when installed.
    static std::string Folder();
};

}  // namespace kelvo
