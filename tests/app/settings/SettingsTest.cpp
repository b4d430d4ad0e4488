#include "EnDeCrypt.h"
#include "Settings.h"
#include "SettingsTable.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

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
    EXPECT_EQ(EnDeCrypt("abc"), "\x9E\x9D\x9C");
    EXPECT_EQ(EnDeCrypt("\x9E\x9D\x9C"), "abc");
    EXPECT_EQ(EnDeCrypt(""), "");
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    std::string scrambled = EnDeCrypt(all);
    ASSERT_EQ(scrambled.size(), 256u);
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(static_cast<unsigned char>(scrambled[b]), 255 - b);
    EXPECT_EQ(EnDeCrypt(scrambled), all);
}

TEST(Settings, FirstStartWithoutFile)
{
    TTempFolder folder;
    TSettings s = LoadSettingsFile(folder / "kestrune.ini", kFirstService);
    EXPECT_EQ(s, DefaultSettings(kFirstService));
    EXPECT_EQ(s.ExtDNS, kFirstService);
    EXPECT_EQ(s.Interval, 30);
    EXPECT_EQ(s.LogLines, 100);
    EXPECT_EQ(s.MailSubject, "Feedback from Kestrune");
    EXPECT_EQ(s.MailPort, "25");
    EXPECT_TRUE(s.UserDefined);
    EXPECT_TRUE(s.PublicOnly);
    EXPECT_FALSE(s.Fallback);
    EXPECT_FALSE(s.External);
    EXPECT_EQ(ResolveLookupSource(s.External, s.UserDefined), ELookupSource::UserDefined);
    EXPECT_EQ(s.SelectedRouter, -1);
    EXPECT_TRUE(s.Routers.empty());
    EXPECT_FALSE(s.SendMail || s.WebAuth || s.MailSSL || s.FtpEnable || s.FtpSavePass || s.SaveIP || s.SaveLog ||
                 s.AutoStart || s.Minimize || s.StartMinimized);
    EXPECT_TRUE(s.MailTo.empty() && s.FtpPassword.empty() && s.UploadedIP.empty() && s.LogFilename.empty());
}

struct TIntervalCase {
    std::string Stored;
    int Loaded;
};

class SettingsInterval : public ::testing::TestWithParam<TIntervalCase> {};

TEST_P(SettingsInterval, HeldToTheIntervalBoxBounds)
{
    TIniFile ini = TIniFile::Parse("[System]\r\nInterval=" + GetParam().Stored + "\r\n");
    EXPECT_EQ(LoadSettings(ini, kFirstService).Interval, GetParam().Loaded) << GetParam().Stored;
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsInterval,
                         ::testing::Values(TIntervalCase{"5000", 2880}, TIntervalCase{"abc", 30},
                                           TIntervalCase{"0x3C", 60}, TIntervalCase{"-5", 0},
                                           TIntervalCase{"2880", 2880}, TIntervalCase{"0", 0},
                                           TIntervalCase{"\"45\"", 45}));

TEST(Settings, LogLinesAreLoadedAsStored)
{
    TIniFile ini = TIniFile::Parse("[Local]\r\nLines=-3\r\n[System]\r\n");
    EXPECT_EQ(LoadSettings(ini, kFirstService).LogLines, -3);
    EXPECT_EQ(LoadSettings(TIniFile::Parse("[Local]\r\nLines=100000\r\n"), kFirstService).LogLines, 100000);
}

TEST(Settings, LastUploadedAddressIsOneEntryWrittenWithTheWriterCapitals)
{
    TIniFile ini = TIniFile::Parse("[FTP]\r\nUPLoadedIP=1.2.3.4\r\n");
    TSettings s = LoadSettings(ini, kFirstService);
    EXPECT_EQ(s.UploadedIP, "1.2.3.4");
    SaveSettings(s, ini);
    std::string text = ini.Text();
    EXPECT_NE(text.find("\r\nUpLoadedIP=1.2.3.4\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("UPLoadedIP"), std::string::npos) << text;
    EXPECT_EQ(Folded(text).find("uploadedip"), Folded(text).rfind("uploadedip")) << text;
}

TEST(Settings, WrittenInOrderWithTheWriterCapitals)
{
    TSettings s = DefaultSettings(kFirstService);
    s.Routers = {{"Home", "1"}, {"Work", "1"}};
    s.RoutersData = {{"1,192.168.1.1/st.htm,IP:,3", "0"}, {"2,10.0.0.1/s.htm,WAN,5,admin,\x9E", "1"}};
    s.WebPass = "abc";
    s.FtpPassword = "abc";
    s.FtpSavePass = true;
    TIniFile ini;
    SaveSettings(s, ini);
    EXPECT_EQ(ini.Text(),
              "[Lookup]\r\nExtDNS=http://first.example/ip\r\nExternal=0\r\nUserDefined=1\r\nFallback=0\r\n"
              "[Router]\r\nSelectedRouter=-1\r\n"
              "[Routers]\r\nHome=1\r\nWork=1\r\n"
              "[RoutersData]\r\n1,192.168.1.1/st.htm,IP:,3=0\r\n2,10.0.0.1/s.htm,WAN,5,admin,\x9E=1\r\n"
              "[Mail]\r\nSendmail=0\r\nTo=\r\nServer=\r\nFrom=\r\nSubject=Feedback from Kestrune\r\nWebAuth=0\r\n"
              "WebUser=\r\nWebPass=\x9E\x9D\x9C\r\nIP=\r\nPort=25\r\nSSL=0\r\n"
              "[FTP]\r\nEnable=0\r\nHost=\r\nUsername=\r\nPassword=\x9E\x9D\x9C\r\nSavePass=1\r\nLocalFile=\r\n"
              "RemoteFile=\r\nUpLoadedIP=\r\n"
              "[Local]\r\nSaveIP=0\r\nFilename=\r\nSaveLog=0\r\nLog=\r\nLines=100\r\nRunCommand=0\r\nCommand=\r\nCommandIP=\r\n"
              "[System]\r\nInterval=30\r\nAutoStart=0\r\nMinimize=0\r\nStartMinimized=0\r\nPublicOnly=1\r\n");
}

TSettings Populated()
{
    TSettings s = DefaultSettings(kFirstService);
    s.ExtDNS = "http://second.example/";
    s.External = true;
    s.UserDefined = false;
    s.SelectedRouter = 101;
    s.Routers = {{"Home", "1"}, {"~2", "~Office%20"}};
    s.RoutersData = {{"1,192.168.1.1/st.htm,IP:,3", "0"}, {"2,10.0.0.1/s.htm,WAN,5,u,p", "1"}};
    s.SendMail = true;
    s.MailTo = "me@example.org";
    s.MailServer = "smtp.example.org";
    s.MailFrom = "kestrune@example.org";
    s.MailSubject = " IP changed ";
    s.WebAuth = true;
    s.WebUser = "mailer";
    s.WebPass = "\xDF" "pass word\xDF";  // scrambled it begins and ends with a blank
    s.MailedIP = "203.0.113.7";
    s.MailPort = "465";
    s.MailSSL = true;
    s.FtpEnable = true;
    s.FtpHost = "ftp.example.org";
    s.FtpUsername = "web";
    s.FtpPassword = "s3cr\xC3\xA9t";
    s.FtpSavePass = true;
    s.FtpLocalFile = "/home/u/index.tpl";
    s.FtpRemoteFile = "www\\index.html";
    s.UploadedIP = "203.0.113.6";
    s.SaveIP = true;
    s.IPFilename = "/home/u/ip.txt";
    s.SaveLog = true;
    s.LogFilename = "/home/u/ip.log";
    s.LogLines = 250;
    s.Interval = 90;
    s.AutoStart = true;
    s.Minimize = true;
    s.StartMinimized = true;
    s.Fallback = true;
    s.PublicOnly = false;
    return s;
}

TEST(Settings, EverySettingSurvivesSaveAndLoad)
{
    TTempFolder folder;
    TSettings s = Populated();
    SaveSettingsFile(s, folder / "kestrune.ini");
    EXPECT_EQ(LoadSettingsFile(folder / "kestrune.ini", kFirstService), s);
}

TEST(Settings, FtpPasswordIsNotKeptWithoutRememberPassword)
{
    TTempFolder folder;
    TSettings s = Populated();
    SaveSettingsFile(s, folder / "kestrune.ini");
    s.FtpSavePass = false;
    SaveSettingsFile(s, folder / "kestrune.ini");
    TSettings loaded = LoadSettingsFile(folder / "kestrune.ini", kFirstService);
    EXPECT_EQ(loaded.FtpPassword, "");
    EXPECT_EQ(loaded.WebPass, s.WebPass);
    EXPECT_EQ(ReadFileBytes(folder / "kestrune.ini").find(EnDeCrypt(s.FtpPassword)), std::string::npos);
}

TEST(Settings, SaveKeepsUnknownKeysAndReplacesTheLookupLists)
{
    TTempFolder folder;
    fs::path file = folder / "kestrune.ini";
    WriteFileBytes(file, "[Mail]\r\nTo=old\r\nSignature=keep\r\n[Routers]\r\nGone=1\r\n[RoutersData]\r\n9,x,y,1=0\r\n"
                         "[Extra]\r\nA=1\r\n");
    TSettings s = LoadSettingsFile(file, kFirstService);
    ASSERT_EQ(s.Routers.size(), 1u);
    s.Routers = {{"New", "1"}};
    s.RoutersData = {{"1,a,b,2", "1"}};
    SaveSettingsFile(s, file);
    TIniFile saved = TIniFile::Load(file);
    EXPECT_EQ(saved.ReadString("Mail", "Signature", ""), "keep");
    EXPECT_EQ(saved.ReadString("Extra", "A", ""), "1");
    EXPECT_EQ(saved.ReadSectionKeys("Routers"), (std::vector<std::string>{"New"}));
    EXPECT_EQ(saved.ReadSectionKeys("RoutersData"), (std::vector<std::string>{"1,a,b,2"}));
}

TEST(Settings, LookupSectionsComeBackWholeInFileOrder)
{
    TIniFile ini = TIniFile::Parse("[Routers]\r\nZed=1\r\n~2=\"~%20a%3Db\"\r\nAlpha=1\r\n"
                                   "[RoutersData]\r\n1,z=1\r\n2,y=0x0\r\n");
    TSettings s = LoadSettings(ini, kFirstService);
    EXPECT_EQ(s.Routers, (TIniKeyValues{{"Zed", "1"}, {"~2", "~%20a%3Db"}, {"Alpha", "1"}}));
    EXPECT_EQ(s.RoutersData, (TIniKeyValues{{"1,z", "1"}, {"2,y", "0x0"}}));
}

TEST(Settings, LookupSectionsAreWrittenRowByRowAndRepeatedKeysRefused)
{
    TSettings s = DefaultSettings(kFirstService);
    s.Routers = {{"A", "1"}, {"B", "1"}, {"C", "1"}};
    s.RoutersData = {{"1,a", "0"}, {"2,b", "1"}};
    TIniFile ini = TIniFile::Parse("[RoutersData]\r\nstale=1\r\n[Routers]\r\nstale=1\r\n");
    SaveSettings(s, ini);
    TSettings reloaded = LoadSettings(ini, kFirstService);
    EXPECT_EQ(reloaded.Routers, s.Routers);
    EXPECT_EQ(reloaded.RoutersData, s.RoutersData);

    s.Routers = {{"Router", "1"}, {"ROUTER", "1"}};
    EXPECT_THROW(SaveSettings(s, ini), EIniError);
    s.Routers = {{"a=b", "1"}};
    EXPECT_THROW(SaveSettings(s, ini), EIniError);
    s.Routers = {};
    s.RoutersData = {{"1,x", "0"}, {"1,X", "1"}};
    EXPECT_THROW(SaveSettings(s, ini), EIniError);
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
    TTempFolder folder;
    fs::path file = folder / "kestrune.ini";
    WriteFileBytes(file, text);

    TSettings loaded = LoadSettingsFile(file, kFirstService);
    ASSERT_EQ(loaded.Routers.size(), static_cast<std::size_t>(kRows));
    ASSERT_EQ(loaded.RoutersData.size(), static_cast<std::size_t>(kRows));
    EXPECT_EQ(loaded.Routers[54321], (std::pair<std::string, std::string>{"Lookup54321", "1"}));
    EXPECT_EQ(loaded.RoutersData[kRows - 1],
              (std::pair<std::string, std::string>{"100000,10.0.0.1/99999,IP,0", "1"}));
    EXPECT_EQ(loaded.MailTo, "kept");

    SaveSettingsFile(loaded, file);
    EXPECT_EQ(LoadSettingsFile(file, kFirstService), loaded);
    const std::string saved = ReadFileBytes(file);
    EXPECT_NE(saved.find("\r\nLookup99998=1\r\nLookup99999=1\r\n[RoutersData]\r\n1,10.0.0.1/0,IP,0=0\r\n"),
              std::string::npos);
}

TEST(Settings, ReadOnlySettingsFileFailsTheSaveByName)
{
    TTempFolder folder;
    fs::path file = folder / "kestrune.ini";
    WriteFileBytes(file, "[System]\r\nInterval=45\r\n");
    ::chmod(file.c_str(), 0444);
    try {
        SaveSettingsFile(Populated(), file);
        FAIL() << "saved over a read-only settings file";
    } catch (const EIniError& e) {
        EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFileBytes(file), "[System]\r\nInterval=45\r\n");
}

TEST(LookupSource, RestoredInReadOrder)
{
    EXPECT_EQ(ResolveLookupSource(false, true), ELookupSource::UserDefined);
    EXPECT_EQ(ResolveLookupSource(true, false), ELookupSource::External);
    EXPECT_EQ(ResolveLookupSource(true, true), ELookupSource::UserDefined);
    EXPECT_EQ(ResolveLookupSource(false, false), ELookupSource::Neither);
}

TEST(SettingsTable, EachStoredValueOnceAndEveryOrderComplete)
{
    std::set<std::string> keys;
    for (const TSettingDef& def : SettingsTable()) {
        EXPECT_EQ(Folded(std::string(def.ReadKey)), Folded(std::string(def.WriteKey)));
        if (!def.ReadKey.empty()) {
            EXPECT_TRUE(keys.insert(Folded(std::string(def.Section) + "/" + std::string(def.ReadKey))).second)
                << def.Section << "/" << def.ReadKey;
        }
    }
    EXPECT_EQ(keys.size(), 37u);
    std::set<ESetting> read(kSettingsReadOrder.begin(), kSettingsReadOrder.end());
    EXPECT_EQ(read.size(), kSettingCount);
    std::set<ESetting> written(kSettingsWriteOrder.begin(), kSettingsWriteOrder.end());
    EXPECT_EQ(written.size(), kSettingsWriteOrder.size());
    EXPECT_FALSE(written.count(ESetting::RoutersData) || written.count(ESetting::RouterCredentials));
}

} // namespace
