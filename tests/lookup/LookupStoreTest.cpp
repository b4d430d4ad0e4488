#include "IniFile.h"
#include "LookupRecord.h"
#include "LookupStore.h"

#include <gtest/gtest.h>

using namespace kestrune::core;
using namespace kestrune::lookup;

namespace {

// The settings file between a save and the next start: written, turned into text, parsed again.
LookupSections ThroughSettingsFile(const LookupSections& sections)
{
    IniFile ini;
    ini.eraseSection("Routers");
    ini.eraseSection("RoutersData");
    for (std::size_t row = 0; row < sections.routers.size(); ++row) {
        ini.writeString("Routers", sections.routers[row].first, sections.routers[row].second);
        ini.writeString("RoutersData", sections.routersData[row].first, sections.routersData[row].second);
    }
    IniFile reread = IniFile::parse(ini.text());
    LookupSections back;
    for (const std::string& key : reread.readSectionKeys("Routers"))
        back.routers.emplace_back(key, reread.readRaw("Routers", key).value_or(""));
    for (const std::string& key : reread.readSectionKeys("RoutersData"))
        back.routersData.emplace_back(key, reread.readRaw("RoutersData", key).value_or(""));
    return back;
}

LookupRecord Record(std::string url, std::string keyword, std::string skip, bool credentials = false,
                     std::string user = "", std::string password = "")
{
    return {std::move(url), std::move(keyword), std::move(skip), std::move(user), std::move(password), credentials};
}

LookupEntry Entry(std::string name, std::size_t sequence, const LookupRecord& record)
{
    return {std::move(name), storedLookupRecord(sequence, record), record.credentials};
}

TEST(LookupStore, NamesAndRecordsStayPairedThroughTheSettingsFile)
{
    const std::vector<LookupEntry> entries = {
        Entry("Home", 1, Record("192.168.0.1/setup.cgi?next_file=s_status.htm", "P Address </b>", "25", true,
                                "admin", "lanterns")),
        Entry("home", 2, Record("10.0.0.1/a", "k", "1")),              // equal to "Home" without regard to case
        Entry("Home", 3, Record("10.0.0.2/b", "k", "2")),              // a duplicate confirmed with Yes
        Entry("a=b", 4, Record("h", "k", "3")),
        Entry("  padded  ", 5, Record("h", "k", "4")),
        Entry("~1", 6, Record("h", "k", "5")),
        Entry("\"quoted\"", 7, Record("h", "k", "6")),
        Entry("[section]", 8, Record("h", "k", "7")),
        Entry("Fran\xC3\xA7ois 100%", 9, Record("h/\xC3\xA7", "\xC3\xA7:", "8", true, "Fran\xC3\xA7ois", "X=\xC3\xA7")),
        Entry("same", 2, Record("10.0.0.1/a", "k", "1")),              // a record repeated with its number
        Entry("SAME", 2, Record("10.0.0.1/A", "K", "1")),              // equal to it without regard to case
        Entry("", 12, Record("h", "k", "9")),
    };
    LookupSections stored = storeLookupEntries(entries);
    ASSERT_EQ(stored.routers.size(), entries.size());
    ASSERT_EQ(stored.routersData.size(), entries.size());

    std::vector<LookupEntry> loaded = loadLookupEntries(ThroughSettingsFile(stored));
    ASSERT_EQ(loaded.size(), entries.size());
    for (std::size_t row = 0; row < entries.size(); ++row) {
        EXPECT_EQ(loaded[row].name, entries[row].name) << row;
        EXPECT_EQ(loaded[row].credentials, entries[row].credentials) << row;
        EXPECT_EQ(parseStoredLookupRecord(loaded[row].storedRecord, loaded[row].credentials),
                  parseStoredLookupRecord(entries[row].storedRecord, entries[row].credentials))
            << row;
    }
    // A second save of what was loaded writes the same file.
    EXPECT_EQ(storeLookupEntries(loaded).routers, stored.routers);
    EXPECT_EQ(storeLookupEntries(loaded).routersData, stored.routersData);
}

TEST(LookupStore, NamesLikeTheStandInKeysKeepTheirRows)
{
    const std::vector<LookupEntry> entries = {
        Entry("~3", 1, Record("h", "k", "1")),
        Entry("a=b", 2, Record("h", "k", "2")),
        Entry("x=y", 3, Record("h", "k", "3")),  // stands in as "~3"
        Entry("~2", 4, Record("h", "k", "4")),
    };
    std::vector<LookupEntry> loaded = loadLookupEntries(ThroughSettingsFile(storeLookupEntries(entries)));
    ASSERT_EQ(loaded.size(), entries.size());
    for (std::size_t row = 0; row < entries.size(); ++row)
        EXPECT_EQ(loaded[row], entries[row]) << row;
}

TEST(LookupStore, EntryAcceptingAnyCertificateComesBackAndOldEntriesStayByteIdentical)
{
    LookupRecord router = Record("https://192.168.1.1/status", "WAN", "2", true, "admin", "pw");
    router.acceptAnyCertificate = true;
    const LookupSections old = {{{"Home", "1"}, {"Work", "1"}},
                                 {{"1,192.168.1.1/st.htm,IP:,3", "0"}, {"2,10.0.0.1/s.htm,WAN,5,admin,\x9E", "1"}}};
    std::vector<LookupEntry> entries = loadLookupEntries(old);
    entries.push_back(Entry("Router", 3, router));
    const LookupSections stored = storeLookupEntries(entries);
    EXPECT_EQ(std::vector(stored.routers.begin(), stored.routers.begin() + 2), old.routers);
    EXPECT_EQ(std::vector(stored.routersData.begin(), stored.routersData.begin() + 2), old.routersData);
    const std::vector<LookupEntry> loaded = loadLookupEntries(ThroughSettingsFile(stored));
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_EQ(parseStoredLookupRecord(loaded[2].storedRecord, loaded[2].credentials), router);
    EXPECT_FALSE(parseStoredLookupRecord(loaded[0].storedRecord, false).acceptAnyCertificate);
}

TEST(LookupStore, PlainEntriesKeepTheClassicLayout)
{
    const std::vector<LookupEntry> entries = {
        Entry("Linksys copy", 1, Record("192.168.1.1/Status.htm", "<!--WAN head-->", "365", true, "admin", "rivet")),
        Entry("Office", 2, Record("10.0.0.1/s.htm", "<b>", "3")),
    };
    LookupSections stored = storeLookupEntries(entries);
    EXPECT_EQ(stored.routers, (KeyValues{{"Linksys copy", "1"}, {"Office", "1"}}));
    EXPECT_EQ(stored.routersData,
              (KeyValues{{"1,192.168.1.1/Status.htm,<!--WAN head-->,365,admin,\x8D\x96\x89\x9A\x8B", "1"},
                          {"2,10.0.0.1/s.htm,<b>,3", "0"}}));
}

TEST(LookupStore, ReadsFilesWrittenInTheClassicLayout)
{
    LookupSections old;
    old.routers = {{"Netgear", "1"}, {"Office", "1"}};
    old.routersData = {{"1,192.168.0.1/setup.cgi?next_file\xA7s_status.htm,P Address </b>,25,admin,\x9E", "1"},
                       {"2,10.0.0.1/s.htm,<b>,3", "0"},
                       {"3,10.0.0.9/x.htm,<i>,4", "0x1"}};  // its name collapsed into an earlier one
    std::vector<LookupEntry> loaded = loadLookupEntries(old);
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_EQ(loaded[0].name, "Netgear");
    EXPECT_TRUE(loaded[0].credentials);
    EXPECT_EQ(parseStoredLookupRecord(loaded[0].storedRecord, true),
              Record("192.168.0.1/setup.cgi?next_file=s_status.htm", "P Address </b>", "25", true, "admin", "a"));
    EXPECT_FALSE(loaded[1].credentials);
    EXPECT_EQ(loaded[2].name, "10.0.0.9/x.htm");
    EXPECT_TRUE(loaded[2].credentials);

    const std::pair<std::string, bool> flags[] = {
        {"1", true}, {"0", false}, {"", false}, {"yes", false}, {"-1", true}, {"0x0", false}, {"+2", true},
        {"99999999999", false},
    };
    for (const auto& [value, flag] : flags) {
        LookupSections one{{{"n", "1"}}, {{"1,h,k,0", value}}};
        EXPECT_EQ(loadLookupEntries(one).at(0).credentials, flag) << value;
    }
}

} // namespace
