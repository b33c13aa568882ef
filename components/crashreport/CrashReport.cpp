#include "CrashReport.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace kelvo {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

// Everything the handler reads is prepared at install time: a signal
// handler may not allocate.
char g_folder[PATH_MAX];
char g_header[512];
struct sigaction g_previous[kSignalCount];
bool g_installed = false;
char g_altStack[64 * 1024];

void WriteAll(int fd, const char* text, size_t n) {
    while (n > 0) {
        ssize_t w = write(fd, text, n);
        if (w <= 0) return;
        text += w;
        n -= static_cast<size_t>(w);
    }
}

void WriteText(int fd, const char* text) { WriteAll(fd, text, strlen(text)); }

// Async-signal-safe unsigned to text at `out` (room for 20 digits);
// returns the digits written.
size_t FormatNumber(char* out, unsigned long v) {
    char buf[24];
    int i = sizeof buf;
    do {
        buf[--i] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v && i > 0);
    const size_t n = sizeof buf - static_cast<size_t>(i);
    memcpy(out, buf + i, n);
    return n;
}

void WriteNumber(int fd, unsigned long v) {
    char buf[24];
    WriteAll(fd, buf, FormatNumber(buf, v));
}

void OnFatalSignal(int sig, siginfo_t* info, void*) {
    char path[PATH_MAX + 64];
    // Name: crash-<seconds>-<pid>.txt, built without stdio.
    size_t n = strlen(g_folder);
    memcpy(path, g_folder, n);
    const char* stem = "/crash-";
    memcpy(path + n, stem, strlen(stem));
    n += strlen(stem);
    n += FormatNumber(path + n, static_cast<unsigned long>(time(nullptr)));
    path[n++] = '-';
    n += FormatNumber(path + n, static_cast<unsigned long>(getpid()));
    memcpy(path + n, ".txt", 5);

    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        WriteText(fd, g_header);
        WriteText(fd, "signal ");
        WriteNumber(fd, static_cast<unsigned long>(sig));
        WriteText(fd, " (");
        WriteText(fd, sig == SIGSEGV ? "SIGSEGV" : sig == SIGBUS ? "SIGBUS" : sig == SIGFPE ? "SIGFPE"
                      : sig == SIGILL ? "SIGILL" : "SIGABRT");
        WriteText(fd, ") code ");
        WriteNumber(fd, static_cast<unsigned long>(info ? info->si_code : 0));
        WriteText(fd, "\nthread ");
        WriteNumber(fd, static_cast<unsigned long>(gettid()));
        WriteText(fd, "\nbacktrace:\n");
        void* frames[64];
        int count = backtrace(frames, 64);
        backtrace_symbols_fd(frames, count, fd);
        close(fd);
    }
    // Let the signal do what it would have done without us.
    signal(sig, SIG_DFL);
    raise(sig);
}

}  // namespace

bool CrashReport::Install(const CrashReportSettings& settings) {
    if (g_installed) return true;
    std::string folder = settings.reportFolder;
    if (folder.empty() || folder[0] != '/') {
        char exe[PATH_MAX];
        ssize_t len = readlink("/proc/self/exe", exe, sizeof exe - 1);
        std::string base = ".";
        if (len > 0) {
            exe[len] = '\0';
            base = exe;
            base = base.substr(0, base.rfind('/'));
        }
        if (folder.rfind("./", 0) == 0) folder = folder.substr(2);
        folder = base + "/" + folder;
    }
    if (folder.size() >= sizeof g_folder) return false;
    mkdir(folder.c_str(), 0700);
    strcpy(g_folder, folder.c_str());
    snprintf(g_header, sizeof g_header, "%s %s crash report\nrestart: %s\nflags: 0x%X\n",
             settings.applicationName.c_str(), settings.applicationVersion.c_str(),
             settings.restartCommand.c_str(), settings.flags);

    stack_t ss{};
    ss.ss_sp = g_altStack;
    ss.ss_size = sizeof g_altStack;
    sigaltstack(&ss, nullptr);
    struct sigaction sa{};
    sa.sa_sigaction = &OnFatalSignal;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&sa.sa_mask);
    // backtrace() loads libgcc on first use: do it now, not in the handler.
    void* warm[1];
    backtrace(warm, 1);
    for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &sa, &g_previous[i]);
    g_installed = true;
    return true;
}

void CrashReport::Uninstall() {
    if (!g_installed) return;
    for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
    g_installed = false;
}

std::string CrashReport::Folder() { return g_folder; }

}  // namespace kelvo
