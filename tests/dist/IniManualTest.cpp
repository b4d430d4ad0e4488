// The generated kestrune.ini(5) against the keys the program really writes.
#include "PublishSettings.h"
#include "RunStatus.h"
#include "Settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

using namespace kestrune::core;

namespace {

// "[Section] Key" for every key the page describes (".SS [Section]" then ".B Key").
std::set<std::string> PageKeys(const std::string& page)
{
    std::set<std::string> keys;
    std::istringstream lines(page);
    std::string section;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(".SS [") && line.ends_with("]"))
            section = line.substr(4);
        else if (line.starts_with(".B ") && !section.empty())
            keys.insert(section + " " + line.substr(3));
    }
    return keys;
}

// Every key a settings file holds once everything is in use: one lookup, one DNS entry, one retry, the
// status of every channel. Numbered keys count as "<i>", free names as the page names them.
std::set<std::string> WrittenKeys()
{
    Settings settings = defaultSettings("http://first.example/");
    settings.routers = {{"Home", "1"}};
    settings.routersData = {{"1,router/status.htm,WAN IP:,0", "0"}};
    DnsUpdateEntry entry;
    entry.provider = "dyndns2";
    entry.refreshDays = 7;  // written only when set
    settings.dnsUpdates = {entry};
    settings.notices = {NoticeEntry{}};
    settings.noticeState.failedInARow = 2;  // written only while lookups fail
    settings.ipv6Enabled = true;  // the [IPv6] section is written only when it holds something
    settings.pendingRetries = {{"dns1", "10.0.0.2", 1, 100, false}};
    RunStatus status;
    status.lastCheck = 1;
    for (const char* channel : {"Upload", "Mail", "IpFile", "Log", "Command", "DNS1"})
        status.published[channel] = {"10.0.0.2", 1};
    IniFile ini;
    saveSettings(settings, ini);
    saveRunStatus(status, ini);

    std::set<std::string> keys;
    for (const std::string& section : ini.sectionNames()) {
        for (std::string key : ini.readSectionKeys(section)) {
            if (section == "Routers")
                key = "<name>";
            else if (section == "RoutersData")
                key = "<record>";
            else if (key != "Count" && key.ends_with('1'))  // every list above has one entry
                key = key.substr(0, key.size() - 1) + "<i>";
            keys.insert("[" + section + "] " + key);
        }
    }
    return keys;
}

} // namespace

TEST(IniManual, DescribesEveryKeyTheProgramWritesAndNoOther)
{
    std::ifstream in(KESTRUNE_INI_MANUAL, std::ios::binary);
    ASSERT_TRUE(in) << KESTRUNE_INI_MANUAL;
    const std::string page(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(PageKeys(page), WrittenKeys());
    EXPECT_NE(page.find(".SH EXAMPLES"), std::string::npos);
}
