#include "EnDeCrypt.h"
#include "Settings.h"
#include "SettingsTable.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

using namespace kestrune::core;

namespace {

namespace fs = std::filesystem;

const std::string kFirstService = "http://first.example/ip";

std::string Folded(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

TEST(EnDeCrypt, ComplementsEveryByteAndUndoesItself)
{
    EXPECT_EQ(enDeCrypt("abc"), "\x9E\x9D\x9C");
    EXPECT_EQ(enDeCrypt("\x9E\x9D\x9C"), "abc");
    EXPECT_EQ(enDeCrypt(""), "");
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    std::string scrambled = enDeCrypt(all);
    ASSERT_EQ(scrambled.size(), 256u);
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(static_cast<unsigned char>(scrambled[b]), 255 - b);
    EXPECT_EQ(enDeCrypt(scrambled), all);
}

TEST(Settings, FirstStartWithoutFile)
{
    TempFolder folder;
    Settings s = loadSettingsFile(folder / "kestrune.ini", kFirstService);
    EXPECT_EQ(s, defaultSettings(kFirstService));
    EXPECT_EQ(s.extDns, kFirstService);
    EXPECT_EQ(s.interval, 30);
    EXPECT_EQ(s.logLines, 100);
    EXPECT_EQ(s.mailSubject, "Feedback from Kestrune");
    EXPECT_EQ(s.mailPort, "25");
    EXPECT_TRUE(s.userDefined);
    EXPECT_TRUE(s.publicOnly);
    EXPECT_FALSE(s.fallback);
    EXPECT_FALSE(s.external);
    EXPECT_EQ(resolveLookupSource(s.external, s.userDefined), LookupSource::UserDefined);
    EXPECT_EQ(s.selectedRouter, -1);
    EXPECT_TRUE(s.routers.empty());
    EXPECT_FALSE(s.sendMail || s.webAuth || s.mailSsl || s.ftpEnable || s.ftpSavePass || s.saveIp || s.saveLog ||
                 s.autoStart || s.minimize || s.startMinimized);
    EXPECT_FALSE(s.mailStartTls || s.mailAnyCertificate || s.ftpPassive || s.ftpTls || s.ftpAnyCertificate);
    EXPECT_TRUE(s.mailTo.empty() && s.ftpPassword.empty() && s.uploadedIp.empty() && s.logFilename.empty());
}

struct IntervalCase {
    std::string Stored;
    int Loaded;
};

class SettingsInterval : public ::testing::TestWithParam<IntervalCase> {};

TEST_P(SettingsInterval, HeldToTheIntervalBoxBounds)
{
    IniFile ini = IniFile::parse("[System]\r\nInterval=" + GetParam().Stored + "\r\n");
    EXPECT_EQ(loadSettings(ini, kFirstService).interval, GetParam().Loaded) << GetParam().Stored;
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsInterval,
                         ::testing::Values(IntervalCase{"5000", 2880}, IntervalCase{"abc", 30},
                                           IntervalCase{"0x3C", 60}, IntervalCase{"-5", 0},
                                           IntervalCase{"2880", 2880}, IntervalCase{"0", 0},
                                           IntervalCase{"\"45\"", 45}));

TEST(Settings, LogLinesAreLoadedAsStored)
{
    IniFile ini = IniFile::parse("[Local]\r\nLines=-3\r\n[System]\r\n");
    EXPECT_EQ(loadSettings(ini, kFirstService).logLines, -3);
    EXPECT_EQ(loadSettings(IniFile::parse("[Local]\r\nLines=100000\r\n"), kFirstService).logLines, 100000);
}

TEST(Settings, StoredMailSecurityKeepsItsMeaning)
{
    Settings s = loadSettings(IniFile::parse("[Mail]\r\nSSL=1\r\n[FTP]\r\nHost=h\r\n"), kFirstService);
    EXPECT_TRUE(s.mailSsl);
    EXPECT_FALSE(s.mailStartTls || s.mailAnyCertificate || s.ftpPassive || s.ftpTls || s.ftpAnyCertificate);
    s = loadSettings(IniFile::parse("[Mail]\r\nStartTLS=1\r\n[FTP]\r\nPassive=1\r\nTLS=1\r\n"), kFirstService);
    EXPECT_TRUE(s.mailStartTls && s.ftpPassive && s.ftpTls);
    EXPECT_FALSE(s.mailSsl);
}

TEST(Settings, LastUploadedAddressIsOneEntryWrittenWithTheWriterCapitals)
{
    IniFile ini = IniFile::parse("[FTP]\r\nUPLoadedIP=1.2.3.4\r\n");
    Settings s = loadSettings(ini, kFirstService);
    EXPECT_EQ(s.uploadedIp, "1.2.3.4");
    saveSettings(s, ini);
    std::string text = ini.text();
    EXPECT_NE(text.find("\r\nUpLoadedIP=1.2.3.4\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("UPLoadedIP"), std::string::npos) << text;
    EXPECT_EQ(Folded(text).find("uploadedip"), Folded(text).rfind("uploadedip")) << text;
}

TEST(Settings, WrittenInOrderWithTheWriterCapitals)
{
    Settings s = defaultSettings(kFirstService);
    s.routers = {{"Home", "1"}, {"Work", "1"}};
    s.routersData = {{"1,192.168.1.1/st.htm,IP:,3", "0"}, {"2,10.0.0.1/s.htm,WAN,5,admin,\x9E", "1"}};
    s.webPass = "abc";
    s.ftpPassword = "abc";
    s.ftpSavePass = true;
    IniFile ini;
    saveSettings(s, ini);
    EXPECT_EQ(ini.text(),
              "[Lookup]\r\nExtDNS=http://first.example/ip\r\nExternal=0\r\nUserDefined=1\r\nFallback=0\r\n"
              "Source=\r\nStunServers=stun.l.google.com:19302, stun.cloudflare.com:3478\r\nConfirm=0\r\nRouterCheck=0\r\n"
              "[Router]\r\nSelectedRouter=-1\r\n"
              "[Routers]\r\nHome=1\r\nWork=1\r\n"
              "[RoutersData]\r\n1,192.168.1.1/st.htm,IP:,3=0\r\n2,10.0.0.1/s.htm,WAN,5,admin,\x9E=1\r\n"
              "[Mail]\r\nSendmail=0\r\nTo=\r\nServer=\r\nFrom=\r\nSubject=Feedback from Kestrune\r\nWebAuth=0\r\n"
              "WebUser=\r\nWebPass=\x9E\x9D\x9C\r\nIP=\r\nPort=25\r\nSSL=0\r\nStartTLS=0\r\nAnyCertificate=0\r\n"
              "[FTP]\r\nEnable=0\r\nHost=\r\nUsername=\r\nPassword=\x9E\x9D\x9C\r\nSavePass=1\r\nLocalFile=\r\n"
              "RemoteFile=\r\nUpLoadedIP=\r\nPassive=0\r\nTLS=0\r\nAnyCertificate=0\r\n"
              "[Local]\r\nSaveIP=0\r\nFilename=\r\nSaveLog=0\r\nLog=\r\nLines=100\r\nRunCommand=0\r\nCommand=\r\nCommandIP=\r\n"
              "[System]\r\nInterval=30\r\nAutoStart=0\r\nMinimize=0\r\nStartMinimized=0\r\nPublicOnly=1\r\nDiagnosis=\r\nMetricsFile=\r\n");
}

Settings Populated()
{
    Settings s = defaultSettings(kFirstService);
    s.extDns = "http://second.example/";
    s.external = true;
    s.userDefined = false;
    s.selectedRouter = 101;
    s.routers = {{"Home", "1"}, {"~2", "~Office%20"}};
    s.routersData = {{"1,192.168.1.1/st.htm,IP:,3", "0"}, {"2,10.0.0.1/s.htm,WAN,5,u,p", "1"}};
    s.sendMail = true;
    s.mailTo = "me@example.org";
    s.mailServer = "smtp.example.org";
    s.mailFrom = "kestrune@example.org";
    s.mailSubject = " IP changed ";
    s.webAuth = true;
    s.webUser = "mailer";
    s.webPass = "\xDF" "pass word\xDF";  // scrambled it begins and ends with a blank
    s.mailedIp = "203.0.113.7";
    s.mailPort = "465";
    s.mailSsl = true;
    s.ftpEnable = true;
    s.ftpHost = "ftp.example.org";
    s.ftpUsername = "web";
    s.ftpPassword = "s3cr\xC3\xA9t";
    s.ftpSavePass = true;
    s.ftpLocalFile = "/home/u/index.tpl";
    s.ftpRemoteFile = "www\\index.html";
    s.uploadedIp = "203.0.113.6";
    s.mailStartTls = true;
    s.mailAnyCertificate = true;
    s.ftpPassive = true;
    s.ftpTls = true;
    s.ftpAnyCertificate = true;
    s.saveIp = true;
    s.ipFilename = "/home/u/ip.txt";
    s.saveLog = true;
    s.logFilename = "/home/u/ip.log";
    s.logLines = 250;
    s.interval = 90;
    s.autoStart = true;
    s.minimize = true;
    s.startMinimized = true;
    s.fallback = true;
    s.publicOnly = false;
    return s;
}

TEST(Settings, EverySettingSurvivesSaveAndLoad)
{
    TempFolder folder;
    Settings s = Populated();
    saveSettingsFile(s, folder / "kestrune.ini");
    EXPECT_EQ(loadSettingsFile(folder / "kestrune.ini", kFirstService), s);
}

TEST(Settings, FtpPasswordIsNotKeptWithoutRememberPassword)
{
    TempFolder folder;
    Settings s = Populated();
    saveSettingsFile(s, folder / "kestrune.ini");
    s.ftpSavePass = false;
    saveSettingsFile(s, folder / "kestrune.ini");
    Settings loaded = loadSettingsFile(folder / "kestrune.ini", kFirstService);
    EXPECT_EQ(loaded.ftpPassword, "");
    EXPECT_EQ(loaded.webPass, s.webPass);
    EXPECT_EQ(ReadFileBytes(folder / "kestrune.ini").find(enDeCrypt(s.ftpPassword)), std::string::npos);
}

TEST(Settings, SaveKeepsUnknownKeysAndReplacesTheLookupLists)
{
    TempFolder folder;
    fs::path file = folder / "kestrune.ini";
    WriteFileBytes(file, "[Mail]\r\nTo=old\r\nSignature=keep\r\n[Routers]\r\nGone=1\r\n[RoutersData]\r\n9,x,y,1=0\r\n"
                         "[Extra]\r\nA=1\r\n");
    Settings s = loadSettingsFile(file, kFirstService);
    ASSERT_EQ(s.routers.size(), 1u);
    s.routers = {{"New", "1"}};
    s.routersData = {{"1,a,b,2", "1"}};
    saveSettingsFile(s, file);
    IniFile saved = IniFile::load(file);
    EXPECT_EQ(saved.readString("Mail", "Signature", ""), "keep");
    EXPECT_EQ(saved.readString("Extra", "A", ""), "1");
    EXPECT_EQ(saved.readSectionKeys("Routers"), (std::vector<std::string>{"New"}));
    EXPECT_EQ(saved.readSectionKeys("RoutersData"), (std::vector<std::string>{"1,a,b,2"}));
}

TEST(Settings, LookupSectionsComeBackWholeInFileOrder)
{
    IniFile ini = IniFile::parse("[Routers]\r\nZed=1\r\n~2=\"~%20a%3Db\"\r\nAlpha=1\r\n"
                                   "[RoutersData]\r\n1,z=1\r\n2,y=0x0\r\n");
    Settings s = loadSettings(ini, kFirstService);
    EXPECT_EQ(s.routers, (IniKeyValues{{"Zed", "1"}, {"~2", "~%20a%3Db"}, {"Alpha", "1"}}));
    EXPECT_EQ(s.routersData, (IniKeyValues{{"1,z", "1"}, {"2,y", "0x0"}}));
}

TEST(Settings, LookupSectionsAreWrittenRowByRowAndRepeatedKeysRefused)
{
    Settings s = defaultSettings(kFirstService);
    s.routers = {{"A", "1"}, {"B", "1"}, {"C", "1"}};
    s.routersData = {{"1,a", "0"}, {"2,b", "1"}};
    IniFile ini = IniFile::parse("[RoutersData]\r\nstale=1\r\n[Routers]\r\nstale=1\r\n");
    saveSettings(s, ini);
    Settings reloaded = loadSettings(ini, kFirstService);
    EXPECT_EQ(reloaded.routers, s.routers);
    EXPECT_EQ(reloaded.routersData, s.routersData);

    s.routers = {{"Router", "1"}, {"ROUTER", "1"}};
    EXPECT_THROW(saveSettings(s, ini), IniError);
    s.routers = {{"a=b", "1"}};
    EXPECT_THROW(saveSettings(s, ini), IniError);
    s.routers = {};
    s.routersData = {{"1,x", "0"}, {"1,X", "1"}};
    EXPECT_THROW(saveSettings(s, ini), IniError);
}

// Runs in well under a second; a lookup of keys by scanning the section made this take minutes.
TEST(Settings, HundredThousandLookupsLoadAndSaveWhole)
{
    constexpr int kRows = 100000;
    std::string text = "[Mail]\r\nTo=kept\r\n[Routers]\r\n";
    for (int i = 0; i < kRows; ++i)
        text += "Lookup" + std::to_string(i) + "=1\r\n";
    text += "[RoutersData]\r\n";
    for (int i = 0; i < kRows; ++i)
        text += std::to_string(i + 1) + ",10.0.0.1/" + std::to_string(i) + ",IP,0=" + std::to_string(i % 2) + "\r\n";
    TempFolder folder;
    fs::path file = folder / "kestrune.ini";
    WriteFileBytes(file, text);

    Settings loaded = loadSettingsFile(file, kFirstService);
    ASSERT_EQ(loaded.routers.size(), static_cast<std::size_t>(kRows));
    ASSERT_EQ(loaded.routersData.size(), static_cast<std::size_t>(kRows));
    EXPECT_EQ(loaded.routers[54321], (std::pair<std::string, std::string>{"Lookup54321", "1"}));
    EXPECT_EQ(loaded.routersData[kRows - 1],
              (std::pair<std::string, std::string>{"100000,10.0.0.1/99999,IP,0", "1"}));
    EXPECT_EQ(loaded.mailTo, "kept");

    saveSettingsFile(loaded, file);
    EXPECT_EQ(loadSettingsFile(file, kFirstService), loaded);
    const std::string saved = ReadFileBytes(file);
    EXPECT_NE(saved.find("\r\nLookup99998=1\r\nLookup99999=1\r\n[RoutersData]\r\n1,10.0.0.1/0,IP,0=0\r\n"),
              std::string::npos);
}

TEST(Settings, ReadOnlySettingsFileFailsTheSaveByName)
{
    TempFolder folder;
    fs::path file = folder / "kestrune.ini";
    WriteFileBytes(file, "[System]\r\nInterval=45\r\n");
    ::chmod(file.c_str(), 0444);
    try {
        saveSettingsFile(Populated(), file);
        FAIL() << "saved over a read-only settings file";
    } catch (const IniError& e) {
        EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFileBytes(file), "[System]\r\nInterval=45\r\n");
}

TEST(LookupSource, RestoredInReadOrder)
{
    EXPECT_EQ(resolveLookupSource(false, true), LookupSource::UserDefined);
    EXPECT_EQ(resolveLookupSource(true, false), LookupSource::External);
    EXPECT_EQ(resolveLookupSource(true, true), LookupSource::UserDefined);
    EXPECT_EQ(resolveLookupSource(false, false), LookupSource::Neither);
}

TEST(SettingsTable, EachStoredValueOnceAndEveryOrderComplete)
{
    std::set<std::string> keys;
    for (const SettingDef& def : settingsTable()) {
        EXPECT_EQ(Folded(std::string(def.readKey)), Folded(std::string(def.writeKey)));
        if (!def.readKey.empty()) {
            EXPECT_TRUE(keys.insert(Folded(std::string(def.section) + "/" + std::string(def.readKey))).second)
                << def.section << "/" << def.readKey;
        }
    }
    EXPECT_EQ(keys.size(), 59u);
    std::set<Setting> read(kSettingsReadOrder.begin(), kSettingsReadOrder.end());
    EXPECT_EQ(read.size(), kSettingCount);
    std::set<Setting> written(kSettingsWriteOrder.begin(), kSettingsWriteOrder.end());
    EXPECT_EQ(written.size(), kSettingsWriteOrder.size());
    EXPECT_FALSE(written.count(Setting::RoutersData) || written.count(Setting::RouterCredentials));
}

} // namespace
