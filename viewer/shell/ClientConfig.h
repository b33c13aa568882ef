// The viewer's settings, kept in Config.dat, and the autostart entry that follows autoStart.
#pragma once

#include <string>
#include <vector>

namespace kelvo {

struct UserHistoryEntry {
    std::string name;      // GBK
    std::string password;  // GBK; empty when not saved
    int savePassword = 0;
};

// Thread: UI only. Strings are GBK; flags hold 0 or 1.
class ClientConfig {
public:
    // The process-wide settings of the running program.
    static ClientConfig& Instance();
    // programFolder: UTF-8 with a trailing '/'; programFile: the program's full path (UTF-8).
    ClientConfig(std::string programFolder, std::string programFile);

    // Default central server: the simulator on this machine.
    static constexpr const char* kDefaultServer = "127.0.0.1";
    static constexpr int kDefaultPort = 8116;

    void LoadConfig();
    // Writes Config.dat atomically (mode 0600), then updates the autostart entry. False on a write error.
    bool SaveConfig();
    void ClearUserHistory();
    void AddUserHistory(const std::string& name, const std::string& password, int savePassword);
    // Creates (enable) or deletes the XDG autostart entry launching `path` (GBK). False on failure.
    static bool SetAutoStart(const std::string& path, bool enable);
    static std::string AutoStartFile();
    // The same with a path as on disk (UTF-8).
    static bool SetAutoStartOnDisk(const std::string& utf8Path, bool enable);

    // Where Config.dat is read and written: beside the program when that folder is writable,
    // else under $XDG_CONFIG_HOME/KelvoView/.
    std::string ConfigPath() const;
    const std::string& ProgramFolder() const { return m_folder; }

    int autoLogin = 0;
    std::string lastUser;
    std::string lastPassword;
    int savePassword = 0;
    std::string picDirectory;
    std::string recordDirectory;
    int autoStart = 0;
    int displayMode = 0;
    int videoCol = 0, videoRow = 0;
    int firstVideoCol = 0, firstVideoRow = 0;
    std::string serverAddress;
    int serverPort = 0;
    int EnablePortal = 0;
    int hideOffline = 0;
    int restoreLastView = 1;  // reopen the wall of the last session after login
    int alarmBringToFront = 0;  // a new alarm brings the main window to the front
    int tileStates = 1;   // each view says in words what its stream is doing
    int digitalZoom = 1;  // the wheel zooms into a view's picture
    int enableAlarm = 0;
    int EnableAudioAlarm = 0;
    std::string AudioAlarmFile;
    int AlarmDisplayTime = 0;
    int enableTitle = 0;
    int multiRun = 0;
    int autoLayout = 0;
    std::vector<UserHistoryEntry> userHistory;

private:
    std::string FolderGbk() const;
    void ApplyUnreadableDefaults();
    std::string BuildDocument() const;

    std::string m_folder;
    std::string m_file;
};

}  // namespace kelvo
