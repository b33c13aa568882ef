// Config.dat reading and writing, defaults, history rules, atomic save and the autostart entry.
#include "Base64.h"
#include "ClientConfig.h"
#include "ProgramPaths.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <tinyxml.h>
#include <unistd.h>

using kelvo::ClientConfig;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class ClientConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kelvo-cfg-XXXXXX";
        m_root = mkdtemp(tmpl);
        m_prog = m_root + "/prog/";
        mkdir(m_prog.c_str(), 0755);
        m_xdg = m_root + "/xdg";
        // Autostart defaults to on: never let a test write into the real home.
        setenv("XDG_CONFIG_HOME", m_xdg.c_str(), 1);
        setenv("HOME", m_root.c_str(), 1);
    }
    void TearDown() override {
        chmod(m_prog.c_str(), 0755);
        std::string cmd = "rm -rf '" + m_root + "'";
        ASSERT_EQ(0, system(cmd.c_str()));
    }
    void WriteConfig(const std::string& body) { std::ofstream(m_prog + "Config.dat") << body; }
    ClientConfig Make() { return ClientConfig(m_prog, m_prog + "KelvoView"); }
    std::string m_root, m_prog, m_xdg;
};

TEST_F(ClientConfigTest, MissingFileGivesUnreadableColumnAndLeavesTheRest) {
    ClientConfig c = Make();
    c.enableTitle = 0;
    c.hideOffline = 1;
    c.lastUser = "kept";
    c.LoadConfig();
    EXPECT_EQ(m_prog + "Snapshot", c.picDirectory);
    EXPECT_EQ(m_prog + "Record", c.recordDirectory);
    EXPECT_EQ(m_prog + "wav/alarm.wav", c.AudioAlarmFile);
    EXPECT_EQ(1, c.autoStart);
    EXPECT_EQ(1, c.enableAlarm);
    EXPECT_EQ(1, c.displayMode);
    EXPECT_EQ(2, c.videoCol);
    EXPECT_EQ(2, c.videoRow);
    EXPECT_EQ(1, c.firstVideoCol);
    EXPECT_EQ(1, c.firstVideoRow);
    EXPECT_EQ("127.0.0.1", c.serverAddress);
    EXPECT_EQ(8116, c.serverPort);
    EXPECT_EQ(1, c.EnableAudioAlarm);
    EXPECT_EQ(10, c.AlarmDisplayTime);
    // "Unchanged" keys keep what they had.
    EXPECT_EQ(0, c.enableTitle);
    EXPECT_EQ(1, c.hideOffline);
    EXPECT_EQ("kept", c.lastUser);
    EXPECT_EQ(0, c.EnablePortal);
    EXPECT_EQ(0, c.autoLayout);
}

TEST_F(ClientConfigTest, BrokenXmlCountsAsUnreadable) {
    WriteConfig("<config><autoLogin>1</autoLogin");
    ClientConfig c = Make();
    c.LoadConfig();
    EXPECT_EQ(0, c.autoLogin);
    EXPECT_EQ(0, c.enableTitle);
    EXPECT_EQ(8116, c.serverPort);
}

// A file cut in a UTF-8 sequence made TinyXML read past its buffer.
TEST_F(ClientConfigTest, FileCutInAUtf8SequenceIsUnreadableAndBadTextsReadEmpty) {
    WriteConfig("<config><autoLogin>1</autoLogin><lastUser>ab\xd4");
    ClientConfig c = Make();
    c.LoadConfig();  // under ASan: no read past the file
    EXPECT_EQ(0, c.autoLogin);
    EXPECT_EQ(0, c.enableTitle);  // "unchanged" from before any load
    EXPECT_EQ(8116, c.serverPort);
    // A value that is not UTF-8 reads as empty; the rest of the file still counts.
    WriteConfig("<config>\r\n<autoLogin>1</autoLogin>\r\n<lastUser>a\xd4z</lastUser><AudioAlarmFile>/w/\xe5\xbc\xa0.wav"
                "</AudioAlarmFile></config>\r\n");
    c.LoadConfig();
    EXPECT_EQ(1, c.autoLogin);
    EXPECT_EQ("", c.lastUser);
    EXPECT_EQ(std::string("/w/\xd5\xc5.wav"), c.AudioAlarmFile);  // 张 in GBK
}

TEST_F(ClientConfigTest, EmptyConfigElementGivesReadColumn) {
    WriteConfig("<?xml version=\"1.0\"?><config><picDirectory></picDirectory></config>");
    ClientConfig c = Make();
    c.hideOffline = 1;
    c.autoStart = 0;
    c.userHistory.push_back({"old", "", 0});
    c.LoadConfig();
    EXPECT_EQ(1, c.enableTitle);
    EXPECT_EQ(1, c.autoLayout);
    EXPECT_EQ(1, c.EnablePortal);
    EXPECT_EQ(0, c.hideOffline);
    EXPECT_EQ(1, c.autoStart);
    EXPECT_EQ(0, c.multiRun);
    EXPECT_EQ(m_prog + "Snapshot", c.picDirectory);
    EXPECT_TRUE(c.userHistory.empty());
}

TEST_F(ClientConfigTest, FileWithoutConfigRootReadsAsAllMissing) {
    WriteConfig("<?xml version=\"1.0\"?><settings><autoLogin>1</autoLogin><serverPort>9</serverPort>"
                "<userHistroy><user><name>x</name></user></userHistroy></settings>");
    ClientConfig c = Make();
    c.LoadConfig();
    EXPECT_EQ(0, c.autoLogin);
    EXPECT_EQ(8116, c.serverPort);
    EXPECT_EQ(1, c.enableTitle);
    EXPECT_TRUE(c.userHistory.empty());
}

TEST_F(ClientConfigTest, AutoLoginForcesSavePasswordAndFlagsReadAsOneOnly) {
    WriteConfig("<config><autoLogin>1</autoLogin><savePassword>0</savePassword><hideOffline>2</hideOffline>"
                "<multiRun>yes</multiRun><enableTitle>0</enableTitle></config>");
    ClientConfig c = Make();
    c.LoadConfig();
    EXPECT_EQ(1, c.savePassword);
    EXPECT_EQ(0, c.hideOffline);
    EXPECT_EQ(0, c.multiRun);
    EXPECT_EQ(0, c.enableTitle);
    ASSERT_TRUE(c.SaveConfig());
    EXPECT_NE(std::string::npos, ReadAll(m_prog + "Config.dat").find("<savePassword>1</savePassword>"));
}

TEST_F(ClientConfigTest, RoundTripKeepsEveryFieldAndWritesInOrder) {
    ClientConfig c = Make();
    c.LoadConfig();
    c.autoLogin = 0;
    c.savePassword = 1;
    c.lastUser = "\xd6\xb5\xb0\xe0";  // GBK
    c.lastPassword = "p\xc3\xdc!";
    c.picDirectory = "/data/\xcd\xbc\xc6\xac";
    c.recordDirectory = "/data/rec";
    c.autoStart = 0;
    c.displayMode = 2;
    c.videoCol = 4; c.videoRow = 3; c.firstVideoCol = 2; c.firstVideoRow = 2;
    c.serverAddress = "cloud.example";
    c.serverPort = 9000;
    c.EnablePortal = 0; c.hideOffline = 1; c.enableAlarm = 0; c.EnableAudioAlarm = 0;
    c.AudioAlarmFile = "/snd/a.wav";
    c.AlarmDisplayTime = 30;
    c.enableTitle = 0; c.multiRun = 1; c.autoLayout = 0;
    c.AddUserHistory("\xd6\xb5\xb0\xe0", "secret", 1);
    c.AddUserHistory("bob", "hidden", 0);
    ASSERT_TRUE(c.SaveConfig());

    std::string text = ReadAll(m_prog + "Config.dat");
    EXPECT_EQ(0u, text.find("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>"));
    EXPECT_NE(std::string::npos, text.find("<lastUser>值班</lastUser>"));  // UTF-8 on disk
    EXPECT_NE(std::string::npos, text.find("<lastPassword>" + kelvo::Base64Encode("p\xc3\xdc!") + "</lastPassword>"));
    EXPECT_EQ(std::string::npos, text.find("hidden"));  // an unsaved password is never written
    TiXmlDocument doc;
    doc.Parse(text.c_str());
    std::vector<std::string> order;
    for (TiXmlElement* e = doc.RootElement()->FirstChildElement(); e; e = e->NextSiblingElement()) order.push_back(e->Value());
    const std::vector<std::string> expected = {"autoLogin", "savePassword", "lastUser", "lastPassword", "picDirectory",
        "recordDirectory", "autoStart", "enableAlarm", "enableTitle", "autoLayout", "multiRun", "hideOffline", "restoreLastView", "alarmBringToFront",
        "tileStates", "digitalZoom",
        "displayMode", "videoCol", "videoRow", "firstVideoCol", "firstVideoRow", "serverAddress", "serverPort",
        "AlarmDisplayTime", "EnableAudioAlarm", "AudioAlarmFile", "EnablePortal", "userHistroy"};
    EXPECT_EQ(expected, order);

    ClientConfig r = Make();
    r.LoadConfig();
    EXPECT_EQ(c.lastUser, r.lastUser);
    EXPECT_EQ(c.lastPassword, r.lastPassword);
    EXPECT_EQ(c.picDirectory, r.picDirectory);
    EXPECT_EQ(c.recordDirectory, r.recordDirectory);
    EXPECT_EQ(0, r.autoStart);
    EXPECT_EQ(2, r.displayMode);
    EXPECT_EQ(4, r.videoCol);
    EXPECT_EQ(3, r.videoRow);
    EXPECT_EQ(2, r.firstVideoCol);
    EXPECT_EQ("cloud.example", r.serverAddress);
    EXPECT_EQ(9000, r.serverPort);
    EXPECT_EQ(0, r.EnablePortal);
    EXPECT_EQ(1, r.hideOffline);
    EXPECT_EQ(0, r.enableAlarm);
    EXPECT_EQ("/snd/a.wav", r.AudioAlarmFile);
    EXPECT_EQ(30, r.AlarmDisplayTime);
    EXPECT_EQ(0, r.enableTitle);
    EXPECT_EQ(1, r.multiRun);
    EXPECT_EQ(0, r.autoLayout);
    ASSERT_EQ(2u, r.userHistory.size());
    EXPECT_EQ("secret", r.userHistory[0].password);
    EXPECT_EQ(1, r.userHistory[0].savePassword);
    EXPECT_EQ("bob", r.userHistory[1].name);
    EXPECT_EQ("", r.userHistory[1].password);
    EXPECT_EQ(0, r.userHistory[1].savePassword);
}

TEST_F(ClientConfigTest, HistoryKeepsFirstSixDistinctNames) {
    ClientConfig c = Make();
    c.LoadConfig();
    c.AddUserHistory("a", "first", 1);
    c.AddUserHistory("a", "second", 1);
    for (const char* n : {"b", "c", "d", "e", "f", "g"}) c.AddUserHistory(n, "", 0);
    c.AddUserHistory("", "", 0);
    ASSERT_TRUE(c.SaveConfig());
    ClientConfig r = Make();
    r.LoadConfig();
    ASSERT_EQ(6u, r.userHistory.size());
    EXPECT_EQ("a", r.userHistory[0].name);
    EXPECT_EQ("first", r.userHistory[0].password);
    EXPECT_EQ("f", r.userHistory[5].name);
}

TEST_F(ClientConfigTest, BadValuesReadSafely) {
    WriteConfig("<config><lastPassword>abc</lastPassword><picDirectory>D:\\Pics</picDirectory>"
                "<AudioAlarmFile>alarm.wav</AudioAlarmFile><recordDirectory>/ok/rec</recordDirectory>"
                "<userHistroy><user><name>u1</name><password>@@@@</password><savePassword>1</savePassword></user>"
                "<user><name></name><password>YWJj</password></user>"
                "<user><name>u2</name><password>YW=j</password><savePassword>1</savePassword></user>"
                "<user><name>u3</name><password>YWI=</password><savePassword>1</savePassword></user></userHistroy></config>");
    ClientConfig c = Make();
    c.LoadConfig();
    EXPECT_EQ("", c.lastPassword);
    EXPECT_EQ(m_prog + "Snapshot", c.picDirectory);        // not absolute: missing
    EXPECT_EQ(m_prog + "wav/alarm.wav", c.AudioAlarmFile);
    EXPECT_EQ("/ok/rec", c.recordDirectory);
    ASSERT_EQ(3u, c.userHistory.size());                   // the nameless entry is dropped
    EXPECT_EQ("", c.userHistory[0].password);
    EXPECT_EQ("", c.userHistory[1].password);
    EXPECT_EQ("ab", c.userHistory[2].password);
}

TEST_F(ClientConfigTest, Base64EdgeCases) {
    std::string out;
    EXPECT_TRUE(kelvo::Base64Decode("YWJj", out));
    EXPECT_EQ("abc", out);
    EXPECT_TRUE(kelvo::Base64Decode("YQ==", out));
    EXPECT_EQ("a", out);
    EXPECT_FALSE(kelvo::Base64Decode("YQ=", out));
    EXPECT_FALSE(kelvo::Base64Decode("", out));
    EXPECT_FALSE(kelvo::Base64Decode("Y===", out));
    EXPECT_FALSE(kelvo::Base64Decode("YQ==YWJj", out));    // padding in the middle
    for (std::string s : {std::string(""), std::string("a"), std::string("ab"), std::string("\xff\x00\x80", 3)}) {
        std::string enc = kelvo::Base64Encode(s), dec;
        if (s.empty()) { EXPECT_EQ("", enc); continue; }
        ASSERT_TRUE(kelvo::Base64Decode(enc, dec));
        EXPECT_EQ(s, dec);
    }
}

TEST_F(ClientConfigTest, SaveIsAtomicAndPrivate) {
    ClientConfig c = Make();
    c.LoadConfig();
    c.lastPassword = "pw";
    ASSERT_TRUE(c.SaveConfig());
    struct stat st;
    ASSERT_EQ(0, stat((m_prog + "Config.dat").c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
    // Nothing but the file itself (and the program) is left in the folder.
    DIR* d = opendir(m_prog.c_str());
    int entries = 0;
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        ++entries;
        EXPECT_EQ("Config.dat", n);
    }
    closedir(d);
    EXPECT_EQ(1, entries);
    // A failed write leaves the old file whole.
    std::string before = ReadAll(m_prog + "Config.dat");
    EXPECT_FALSE(kelvo::WriteFileAtomic(m_prog + "missing-dir/Config.dat", "x"));
    EXPECT_EQ(before, ReadAll(m_prog + "Config.dat"));
}

TEST_F(ClientConfigTest, ReadOnlyProgramFolderUsesXdgConfig) {
    if (geteuid() == 0) {
        // root ignores directory permissions; use a folder that cannot be created instead.
        m_prog = "/proc/kelvo-readonly/";
    } else {
        chmod(m_prog.c_str(), 0555);
    }
    ClientConfig c = Make();
    EXPECT_EQ(m_xdg + "/KelvoView/Config.dat", c.ConfigPath());
    c.LoadConfig();
    c.serverPort = 7000;
    ASSERT_TRUE(c.SaveConfig());
    ClientConfig r = Make();
    r.LoadConfig();
    EXPECT_EQ(7000, r.serverPort);
}

TEST_F(ClientConfigTest, AutostartEntryFollowsTheFlag) {
    ClientConfig c = Make();
    c.LoadConfig();
    ASSERT_EQ(1, c.autoStart);
    ASSERT_TRUE(c.SaveConfig());
    std::string file = m_xdg + "/autostart/KelvoClient.desktop";
    EXPECT_EQ(file, ClientConfig::AutoStartFile());
    std::string entry = ReadAll(file);
    EXPECT_NE(std::string::npos, entry.find("Exec=\"" + m_prog + "KelvoView\"\n"));
    EXPECT_NE(std::string::npos, entry.find("Path=" + m_prog + "\n"));
    c.autoStart = 0;
    ASSERT_TRUE(c.SaveConfig());
    EXPECT_NE(0, access(file.c_str(), F_OK));
    // Quoting per the desktop-entry rules: $ " ` \ escaped inside quotes, then \ doubled; % doubled.
    ASSERT_TRUE(ClientConfig::SetAutoStart("/opt/a b/$x\"y`z\\w%1", true));
    entry = ReadAll(file);
    EXPECT_NE(std::string::npos, entry.find("Exec=\"/opt/a b/\\\\$x\\\\\"y\\\\`z\\\\\\\\w%%1\"\n")) << entry;
    EXPECT_FALSE(ClientConfig::SetAutoStart("/opt/bad\npath", true));
    EXPECT_TRUE(ClientConfig::SetAutoStart("", false));
    EXPECT_TRUE(ClientConfig::SetAutoStart("", false));  // deleting twice is fine
}

}  // namespace
