// Config.dat: the settings reader on any bytes, then a save and a second read,
// which must give back what the first read held (the file is the only copy).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "ClientConfig.h"

namespace {

const std::string& Folder() {
    static const std::string folder = [] {
        char tmpl[] = "/tmp/kelvo-fuzz-cfg-XXXXXX";
        std::string root = mkdtemp(tmpl);
        // Saving also writes the autostart entry: keep it out of the real home.
        setenv("XDG_CONFIG_HOME", (root + "/xdg").c_str(), 1);
        setenv("HOME", root.c_str(), 1);
        return root + "/";
    }();
    return folder;
}

// TinyXML folds runs of blanks when it reads text, so compare with them folded.
std::string Fold(const std::string& s) {
    std::string out;
    bool blank = false;
    for (char c : s) {
        bool b = c == ' ' || c == '\t' || c == '\n' || c == '\r';
        if (b) {
            blank = true;
            continue;
        }
        if (blank && !out.empty()) out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "Config.dat round trip changed %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& folder = Folder();
    std::ofstream(folder + "Config.dat", std::ios::binary).write(reinterpret_cast<const char*>(data), size);
    kelvo::ClientConfig first(folder, folder + "KelvoView");
    first.LoadConfig();
    if (!first.SaveConfig()) return 0;
    kelvo::ClientConfig second(folder, folder + "KelvoView");
    second.LoadConfig();

    Check(first.autoLogin == second.autoLogin && first.savePassword == second.savePassword, "login flags");
    Check(Fold(first.lastUser) == Fold(second.lastUser), "lastUser");
    Check(first.lastPassword == second.lastPassword, "lastPassword");
    Check(Fold(first.picDirectory) == Fold(second.picDirectory), "picDirectory");
    Check(Fold(first.recordDirectory) == Fold(second.recordDirectory), "recordDirectory");
    Check(Fold(first.AudioAlarmFile) == Fold(second.AudioAlarmFile), "AudioAlarmFile");
    Check(Fold(first.serverAddress) == Fold(second.serverAddress), "serverAddress");
    Check(first.autoStart == second.autoStart && first.enableAlarm == second.enableAlarm &&
              first.enableTitle == second.enableTitle && first.autoLayout == second.autoLayout &&
              first.multiRun == second.multiRun && first.hideOffline == second.hideOffline &&
              first.EnablePortal == second.EnablePortal && first.EnableAudioAlarm == second.EnableAudioAlarm,
          "flags");
    Check(first.displayMode == second.displayMode && first.videoCol == second.videoCol &&
              first.videoRow == second.videoRow && first.firstVideoCol == second.firstVideoCol &&
              first.firstVideoRow == second.firstVideoRow && first.serverPort == second.serverPort &&
              first.AlarmDisplayTime == second.AlarmDisplayTime,
          "integers");
    // The save keeps the first six distinct names; every kept entry must come back whole.
    Check(second.userHistory.size() <= 6 && second.userHistory.size() <= first.userHistory.size(), "history size");
    for (const auto& e : second.userHistory) {
        bool found = false;
        for (const auto& f : first.userHistory) {
            if (Fold(f.name) != Fold(e.name)) continue;
            Check(f.savePassword == e.savePassword, "history savePassword");
            Check(e.password == (f.savePassword ? f.password : std::string()), "history password");
            found = true;
            break;
        }
        Check(found, "history name");
    }
    return 0;
}
