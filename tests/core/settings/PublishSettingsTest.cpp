// The "[DNSUpdate]", "[Retry]" and command keys through a real settings file.
#include "EnDeCrypt.h"
#include "PublishSettings.h"
#include "Settings.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

using namespace kestrune::core;

namespace {

using kestrune::core::DnsUpdateEntry;
using kestrune::core::PendingRetry;

DnsUpdateEntry entry(bool enabled, std::string provider, std::string hosts, std::string password, std::string lastIp,
                     std::string hold)
{
    DnsUpdateEntry e;
    e.enabled = enabled;
    e.provider = std::move(provider);
    e.hosts = std::move(hosts);
    e.password = std::move(password);
    e.lastIp = std::move(lastIp);
    e.hold = std::move(hold);
    return e;
}

std::string FileText(const std::filesystem::path& file) { return ReadFileBytes(file); }

TEST(PublishSettings, EntriesRetriesAndCommandSurviveTheFileWithPasswordsScrambled)
{
    TempFolder folder;
    const auto file = folder / "kestrune.ini";
    WriteFileBytes(file, "[Other]\nKeep=1\n[DNSUpdate]\nCount=3\nEnabled1=1\nProvider1=noip\nHosts1=a.example\n"
                         "Password1=" + enDeCrypt("old") + "\n");
    Settings s = loadSettingsFile(file, "");
    ASSERT_EQ(s.dnsUpdates.size(), 3u);  // missing rows read as empty entries
    EXPECT_TRUE(s.dnsUpdates[0].enabled);
    EXPECT_EQ(s.dnsUpdates[0].password, "old");
    EXPECT_EQ(s.dnsUpdates[2], DnsUpdateEntry{});

    DnsUpdateEntry dual = entry(true, "dyndns2", "a.example,b.example", "s3cret p", "10.1.2.3", "");
    dual.server = "dns.example:8443";
    dual.user = "me";
    dual.family = 46;
    dual.lastIp6 = "2001:db8::1";
    dual.updated = 1700000000;
    dual.answer = "good";
    dual.proof = "answering since 12:00 (after 2 s)";
    DnsUpdateEntry own = entry(false, "rfc2136", "h.example.org", "c2VjcmV0", "", "BADKEY");
    own.zone = "example.org";
    own.algorithm = "hmac-sha512";
    own.ttl = 60;
    own.verify = "127.0.0.1:5353";
    own.refreshDays = 0;
    s.dnsUpdates = {dual, own};
    s.dnsUpdates[1].holdFor = dnsEntryFingerprint(s.dnsUpdates[1]);
    s.pendingRetries = {{"mail", "10.1.2.3", 2, 1700000123, false}, {"dns1", "10.1.2.3", 1, 1700001800, true}};
    s.runCommand = true;
    s.command = "\"/opt/my tools/notify\" --ip {IP}";
    saveSettingsFile(s, file);

    const std::string text = FileText(file);
    EXPECT_EQ(text.find("s3cret"), std::string::npos);
    EXPECT_NE(text.find("Password1=" + enDeCrypt("s3cret p")), std::string::npos);
    EXPECT_NE(text.find("Keep=1"), std::string::npos);
    EXPECT_EQ(text.find("Enabled3"), std::string::npos);  // the section is written whole again
    EXPECT_EQ(loadSettingsFile(file, ""), s);

    // Emptied lists leave no section behind.
    s.dnsUpdates.clear();
    s.pendingRetries.clear();
    saveSettingsFile(s, file);
    EXPECT_EQ(FileText(file).find("[DNSUpdate]"), std::string::npos);
    EXPECT_EQ(FileText(file).find("[Retry]"), std::string::npos);
}

TEST(PublishSettings, NoticesAndTheirRetriesSurviveTheFileWithTokensScrambled)
{
    TempFolder folder;
    const auto file = folder / "kestrune.ini";
    WriteFileBytes(file, "[Notify]\nCount=1\nURL1=https://ntfy.example/t\n");
    Settings s = loadSettingsFile(file, "");
    ASSERT_EQ(s.notices.size(), 1u);
    // Missing keys read as a new entry's defaults.
    EXPECT_EQ(s.notices[0], (NoticeEntry{false, "ntfy", "https://ntfy.example/t", "", "ip4,ip6,lookup,failed,retry", "", ""}));
    EXPECT_EQ(s.noticeState.lookupFailures, 3);

    s.notices = {{true, "matrix", "https://m.example/_matrix/{TXN}", "syt_t0ken", "ip4,retry", "",
                  R"({"msgtype":"m.text","body":"{DETAILS} \"q\""})"},
                 {false, "gotify", "https://g.example", "AppT0ken", "", "{EVENT}", ""}};
    s.noticeState = {5, "203.0.113.7", "2001:db8::7", 2};
    s.pendingRetries = {{"notice1|ip4|1700000000|198.51.100.1|It \"changed\" | {IP}", "203.0.113.7", 1, 1700000060, false}};
    saveSettingsFile(s, file);

    const std::string text = FileText(file);
    EXPECT_EQ(text.find("syt_t0ken"), std::string::npos);
    EXPECT_EQ(text.find("AppT0ken"), std::string::npos);
    EXPECT_EQ(loadSettingsFile(file, ""), s);

    s.notices.clear();
    s.noticeState = defaultSettings("").noticeState;
    saveSettingsFile(s, file);
    EXPECT_EQ(FileText(file).find("[Notify]"), std::string::npos);
}

TEST(PublishSettings, EditingWhatIsSentLiftsTheHold)
{
    const DnsUpdateEntry held = entry(true, "duckdns", "home", "token", "10.1.2.3", "KO");
    DnsUpdateEntry renamed = held;
    renamed.hosts = "house";
    EXPECT_EQ(kestrune::core::editedDnsUpdateEntry(held, renamed).hold, "");
    EXPECT_EQ(kestrune::core::editedDnsUpdateEntry(held, renamed).lastIp, "");
    // Saving the dialog unchanged keeps the entry stopped.
    EXPECT_EQ(kestrune::core::editedDnsUpdateEntry(held, held).hold, "KO");
}

// However the file was edited, a hold lifts once what the entry sends differs from what was refused.
TEST(PublishSettings, AHoldLiftsWhenTheFileChangesWhatTheEntrySends)
{
    const std::vector<std::tuple<const char*, std::optional<std::string>, bool>> edits = {
        {"Provider1", "noip", true}, {"Server1", "other.example", true}, {"Hosts1", "house.example", true},
        {"User1", "you", true}, {"Password1", enDeCrypt("right"), true}, {"URL1", "https://x.example/?ip={IP}", true},
        {"Zone1", "example.org", true}, {"Family1", "46", true},
        {"Enabled1", "0", false}, {"LastIP1", "10.9.9.9", false}, {"Verify1", "off", false},
        {"HoldFor1", std::nullopt, false}};  // a file written before holds were fingerprinted
    TempFolder folder;
    const auto file = folder / "kestrune.ini";
    for (const auto& [key, value, lifted] : edits) {
        Settings s = defaultSettings("");
        DnsUpdateEntry held = entry(true, "dyndns2", "home.example", "wrong", "10.1.2.3", "badauth");
        held.server = "dns.example";
        held.user = "me";
        s.dnsUpdates = {held};
        s.dnsUpdates[0].holdFor = dnsEntryFingerprint(s.dnsUpdates[0]);
        saveSettingsFile(s, file);
        IniFile ini = IniFile::load(file);
        value ? ini.writeString("DNSUpdate", key, *value) : ini.deleteKey("DNSUpdate", key);
        ini.save(file);
        EXPECT_EQ(loadSettingsFile(file, "").dnsUpdates.at(0).hold, lifted ? "" : "badauth") << key;
    }
}

} // namespace
