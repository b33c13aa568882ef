#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "CrashReport.h"

namespace {

std::string MakeTempDir() {
    char tmpl[] = "/tmp/kelvo-crash-XXXXXX";
    return mkdtemp(tmpl) ? tmpl : "";
}

std::vector<std::string> Reports(const std::string& dir) {
    std::vector<std::string> out;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::string(e->d_name).rfind("crash-", 0) == 0) out.push_back(dir + "/" + e->d_name);
        closedir(d);
    }
    return out;
}

// Runs `crash` in a child with the reporter installed; returns the signal
// that ended it and the report's text.
int CrashChild(const std::string& dir, void (*crash)(), std::string* report) {
    pid_t pid = fork();
    if (pid == 0) {
        setenv("KELVO_SECRET", "hunter2-in-the-environment", 1);
        kelvo::CrashReportSettings s;
        s.reportFolder = dir;
        kelvo::CrashReport::Install(s);
        crash();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    auto files = Reports(dir);
    if (files.size() == 1) {
        std::ifstream f(files[0]);
        std::stringstream ss;
        ss << f.rdbuf();
        *report = ss.str();
    }
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

void Segv() { raise(SIGSEGV); }
void Abort() { std::abort(); }

}  // namespace

TEST(CrashReport, FatalSignalWritesAReportAndStillEndsTheProcess) {
    for (auto c : {std::make_pair(&Segv, SIGSEGV), std::make_pair(&Abort, SIGABRT)}) {
        const std::string dir = MakeTempDir();
        ASSERT_FALSE(dir.empty());
        std::string report;
        EXPECT_EQ(CrashChild(dir, c.first, &report), c.second);
        EXPECT_NE(report.find("zuzur 3.0.0 crash report"), std::string::npos) << report;
        EXPECT_NE(report.find("signal " + std::to_string(c.second)), std::string::npos) << report;
        EXPECT_NE(report.find("backtrace:\n"), std::string::npos);
        EXPECT_GT(std::count(report.begin(), report.end(), '\n'), 5) << "frames expected";
        EXPECT_EQ(report.find("hunter2"), std::string::npos) << "the environment must stay out";
        std::string rm = "rm -rf '" + dir + "'";
        EXPECT_EQ(std::system(rm.c_str()), 0);
    }
}

TEST(CrashReport, UninstallRestoresThePreviousHandlers) {
    struct sigaction before{}, during{}, after{};
    sigaction(SIGFPE, nullptr, &before);
    const std::string dir = MakeTempDir();
    kelvo::CrashReportSettings s;
    s.reportFolder = dir;
    ASSERT_TRUE(kelvo::CrashReport::Install(s));
    sigaction(SIGFPE, nullptr, &during);
    EXPECT_NE(during.sa_sigaction, before.sa_sigaction);
    kelvo::CrashReport::Uninstall();
    sigaction(SIGFPE, nullptr, &after);
    EXPECT_EQ(after.sa_sigaction, before.sa_sigaction);
    EXPECT_EQ(kelvo::CrashReport::Folder(), dir);
    rmdir(dir.c_str());
}
