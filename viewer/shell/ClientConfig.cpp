#include "ClientConfig.h"

#include "Base64.h"
#include "ProgramPaths.h"

#include <TextCodec.h>
#include <XmlFile.h>

#include <cerrno>
#include <cstdlib>
#include <set>
#include <sys/stat.h>
#include <tinyxml.h>
#include <unistd.h>

namespace kelvo {
namespace {
constexpr size_t kMaxHistoryNames = 6;

const TiXmlElement* Child(const TiXmlElement* root, const char* key) {
    return root ? root->FirstChildElement(key) : nullptr;
}

// Text of a key; false when the element or its text is missing.
bool Text(const TiXmlElement* root, const char* key, std::string& out) {
    const TiXmlElement* e = Child(root, key);
    const char* t = e ? e->GetText() : nullptr;
    if (!t || !*t) return false;
    out = t;
    return true;
}

int ReadFlag(const TiXmlElement* root, const char* key, int def) {
    std::string t;
    if (!Text(root, key, t)) return def;
    return std::strtol(t.c_str(), nullptr, 10) == 1 ? 1 : 0;
}

int ReadInt(const TiXmlElement* root, const char* key, int def) {
    std::string t;
    if (!Text(root, key, t)) return def;
    return static_cast<int>(std::strtol(t.c_str(), nullptr, 10));
}

std::string FromUtf8(const std::string& utf8) {
    std::string gbk;
    return DuiLib::Utf8ToGbk(utf8, gbk) ? gbk : std::string();
}

std::string ToUtf8(const std::string& gbk) {
    std::string utf8;
    return DuiLib::GbkToUtf8(gbk, utf8) ? utf8 : std::string();
}

std::string ReadString(const TiXmlElement* root, const char* key) {
    std::string t;
    return Text(root, key, t) ? FromUtf8(t) : std::string();
}

// A stored folder or file that is not an absolute path (a Windows "D:\Pics") counts as missing.
std::string ReadPath(const TiXmlElement* root, const char* key, const std::string& def) {
    std::string v = ReadString(root, key);
    return (v.empty() || v[0] != '/') ? def : v;
}

std::string ReadPassword(const TiXmlElement* e) {
    const char* t = e ? e->GetText() : nullptr;
    std::string bytes;
    if (!t || !Base64Decode(t, bytes)) return std::string();
    return bytes;
}

void Add(TiXmlElement& parent, const char* key, const std::string& text) {
    TiXmlElement e(key);
    e.InsertEndChild(TiXmlText(text.c_str()));
    parent.InsertEndChild(e);
}

void Add(TiXmlElement& parent, const char* key, int value) { Add(parent, key, std::to_string(value)); }

bool IsWritableDir(const std::string& dir) { return access(dir.c_str(), W_OK) == 0; }

// Exec= value: quoted per the desktop-entry rules, then escaped as a string value.
std::string DesktopExec(const std::string& path) {
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') { quoted += "%%"; continue; }
        quoted += c;
    }
    quoted += '"';
    std::string out;
    for (char c : quoted) {
        if (c == '\\') out += "\\\\";
        else out += c;
    }
    return out;
}

std::string DesktopString(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\') out += "\\\\";
        else if (c == ' ' && i == 0) out += "\\s";
        else out += c;
    }
    return out;
}
}  // namespace

ClientConfig& ClientConfig::Instance() {
    static ClientConfig config(kelvo::ProgramFolder(), kelvo::ProgramFile());
    return config;
}

ClientConfig::ClientConfig(std::string programFolder, std::string programFile)
    : m_folder(std::move(programFolder)), m_file(std::move(programFile)) {
    if (!m_folder.empty() && m_folder.back() != '/') m_folder += '/';
}

std::string ClientConfig::FolderGbk() const { return DuiLib::Utf8ToGbkLenient(m_folder); }

std::string ClientConfig::ConfigPath() const {
    if (IsWritableDir(m_folder)) return m_folder + "Config.dat";
    std::string home = UserConfigHome();
    if (home.empty()) return m_folder + "Config.dat";
    std::string xdg = home + "/KelvoView/Config.dat";
    // An installed copy may ship defaults beside the program; the user's own file wins once written.
    if (access(xdg.c_str(), F_OK) != 0 && access((m_folder + "Config.dat").c_str(), R_OK) == 0)
        return m_folder + "Config.dat";
    return xdg;
}

void ClientConfig::ApplyUnreadableDefaults() {
    std::string folder = FolderGbk();
    picDirectory = folder + "Snapshot";
    recordDirectory = folder + "Record";
    autoStart = 1;
    enableAlarm = 1;
    displayMode = 1;
    videoCol = 2;
    videoRow = 2;
    firstVideoCol = 1;
    firstVideoRow = 1;
    serverAddress = kDefaultServer;
    serverPort = kDefaultPort;
    EnableAudioAlarm = 1;
    AudioAlarmFile = folder + "wav/alarm.wav";
    AlarmDisplayTime = 10;
}

void ClientConfig::LoadConfig() {
    TiXmlDocument doc;
    if (!DuiLib::LoadXmlFile(doc, ConfigPath())) {
        ApplyUnreadableDefaults();
        return;
    }
    // A document whose root is not "config" reads as if every key were missing.
    const TiXmlElement* root = doc.RootElement();
    if (root && root->ValueStr() != "config") root = nullptr;
    std::string folder = FolderGbk();

    autoLogin = ReadFlag(root, "autoLogin", 0);
    savePassword = ReadFlag(root, "savePassword", 0) || autoLogin ? 1 : 0;
    lastUser = ReadString(root, "lastUser");
    lastPassword = ReadPassword(Child(root, "lastPassword"));
    picDirectory = ReadPath(root, "picDirectory", folder + "Snapshot");
    recordDirectory = ReadPath(root, "recordDirectory", folder + "Record");
    enableTitle = ReadFlag(root, "enableTitle", 1);
    autoLayout = ReadFlag(root, "autoLayout", 1);
    multiRun = ReadFlag(root, "multiRun", 0);
    autoStart = ReadFlag(root, "autoStart", 1);
    enableAlarm = ReadFlag(root, "enableAlarm", 1);
    hideOffline = ReadFlag(root, "hideOffline", 0);
    restoreLastView = ReadFlag(root, "restoreLastView", 1);
    alarmBringToFront = ReadFlag(root, "alarmBringToFront", 0);
    tileStates = ReadFlag(root, "tileStates", 1);
    digitalZoom = ReadFlag(root, "digitalZoom", 1);
    displayMode = ReadInt(root, "displayMode", 1);
    videoCol = ReadInt(root, "videoCol", 2);
    videoRow = ReadInt(root, "videoRow", 2);
    firstVideoCol = ReadInt(root, "firstVideoCol", 1);
    firstVideoRow = ReadInt(root, "firstVideoRow", 1);
    if (!Text(root, "serverAddress", serverAddress)) serverAddress = kDefaultServer;
    serverPort = ReadInt(root, "serverPort", kDefaultPort);
    EnablePortal = ReadFlag(root, "EnablePortal", 1);
    EnableAudioAlarm = ReadFlag(root, "EnableAudioAlarm", 1);
    AudioAlarmFile = ReadPath(root, "AudioAlarmFile", folder + "wav/alarm.wav");
    AlarmDisplayTime = ReadInt(root, "AlarmDisplayTime", 10);

    userHistory.clear();
    const TiXmlElement* hist = Child(root, "userHistroy");
    for (const TiXmlElement* u = hist ? hist->FirstChildElement("user") : nullptr; u; u = u->NextSiblingElement("user")) {
        UserHistoryEntry entry;
        entry.name = ReadString(u, "name");
        entry.password = ReadPassword(u->FirstChildElement("password"));
        entry.savePassword = ReadFlag(u, "savePassword", 0);
        if (!entry.name.empty()) userHistory.push_back(std::move(entry));
    }
}

std::string ClientConfig::BuildDocument() const {
    TiXmlDocument doc;
    doc.InsertEndChild(TiXmlDeclaration("1.0", "UTF-8", ""));
    TiXmlElement root("config");
    Add(root, "autoLogin", autoLogin);
    Add(root, "savePassword", savePassword);
    Add(root, "lastUser", ToUtf8(lastUser));
    Add(root, "lastPassword", Base64Encode(lastPassword));
    Add(root, "picDirectory", ToUtf8(picDirectory));
    Add(root, "recordDirectory", ToUtf8(recordDirectory));
    Add(root, "autoStart", autoStart);
    Add(root, "enableAlarm", enableAlarm);
    Add(root, "enableTitle", enableTitle);
    Add(root, "autoLayout", autoLayout);
    Add(root, "multiRun", multiRun);
    Add(root, "hideOffline", hideOffline);
    Add(root, "restoreLastView", restoreLastView);
    Add(root, "alarmBringToFront", alarmBringToFront);
    Add(root, "tileStates", tileStates);
    Add(root, "digitalZoom", digitalZoom);
    Add(root, "displayMode", displayMode);
    Add(root, "videoCol", videoCol);
    Add(root, "videoRow", videoRow);
    Add(root, "firstVideoCol", firstVideoCol);
    Add(root, "firstVideoRow", firstVideoRow);
    Add(root, "serverAddress", serverAddress);
    Add(root, "serverPort", serverPort);
    Add(root, "AlarmDisplayTime", AlarmDisplayTime);
    Add(root, "EnableAudioAlarm", EnableAudioAlarm);
    Add(root, "AudioAlarmFile", ToUtf8(AudioAlarmFile));
    Add(root, "EnablePortal", EnablePortal);
    TiXmlElement hist("userHistroy");
    std::set<std::string> written;
    for (const auto& e : userHistory) {
        if (written.count(e.name)) continue;
        if (written.size() >= kMaxHistoryNames) break;
        written.insert(e.name);
        TiXmlElement user("user");
        Add(user, "name", ToUtf8(e.name));
        if (e.savePassword) Add(user, "password", Base64Encode(e.password));
        Add(user, "savePassword", e.savePassword ? 1 : 0);
        hist.InsertEndChild(user);
    }
    root.InsertEndChild(hist);
    doc.InsertEndChild(root);
    TiXmlPrinter printer;
    printer.SetIndent("    ");
    doc.Accept(&printer);
    return printer.Str();
}

bool ClientConfig::SaveConfig() {
    std::string path = ConfigPath();
    size_t slash = path.rfind('/');
    bool ok = slash != std::string::npos && MakeDirs(path.substr(0, slash));
    ok = ok && WriteFileAtomic(path, BuildDocument(), 0600);
    SetAutoStartOnDisk(m_file, autoStart != 0);  // the program's own path, as on disk
    return ok;
}

void ClientConfig::ClearUserHistory() { userHistory.clear(); }

void ClientConfig::AddUserHistory(const std::string& name, const std::string& password, int save) {
    userHistory.push_back(UserHistoryEntry{name, password, save ? 1 : 0});
}

std::string ClientConfig::AutoStartFile() {
    std::string home = UserConfigHome();
    return home.empty() ? std::string() : home + "/autostart/KelvoClient.desktop";
}

bool ClientConfig::SetAutoStart(const std::string& path, bool enable) {
    std::string utf8;
    if (enable && (path.empty() || !DuiLib::GbkToUtf8(path, utf8))) return false;
    return SetAutoStartOnDisk(utf8, enable);
}

bool ClientConfig::SetAutoStartOnDisk(const std::string& utf8, bool enable) {
    std::string file = AutoStartFile();
    if (file.empty()) return false;
    if (!enable) return unlink(file.c_str()) == 0 || errno == ENOENT;
    if (utf8.empty()) return false;
    for (unsigned char c : utf8)
        if (c < 0x20 || c == 0x7F) return false;  // cannot be written into a desktop entry
    std::string folder = utf8.substr(0, utf8.rfind('/') + 1);
    std::string entry = "[Desktop Entry]\nType=Application\nName=KelvoView\nExec=" + DesktopExec(utf8) +
                        "\nPath=" + DesktopString(folder) + "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
    return MakeDirs(file.substr(0, file.rfind('/'))) && WriteFileAtomic(file, entry, 0644);
}

}  // namespace kelvo
