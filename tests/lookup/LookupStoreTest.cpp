#include "IniFile.h"
#include "LookupRecord.h"
#include "LookupStore.h"

#include <gtest/gtest.h>

namespace {

// The settings file between a save and the next start: written, turned into text, parsed again.
TLookupSections ThroughSettingsFile(const TLookupSections& sections)
{
    TIniFile ini;
    ini.EraseSection("Routers");
    ini.EraseSection("RoutersData");
    for (std::size_t row = 0; row < sections.Routers.size(); ++row) {
        ini.WriteString("Routers", sections.Routers[row].first, sections.Routers[row].second);
        ini.WriteString("RoutersData", sections.RoutersData[row].first, sections.RoutersData[row].second);
    }
    TIniFile reread = TIniFile::Parse(ini.Text());
    TLookupSections back;
    for (const std::string& key : reread.ReadSectionKeys("Routers"))
        back.Routers.emplace_back(key, reread.ReadRaw("Routers", key).value_or(""));
    for (const std::string& key : reread.ReadSectionKeys("RoutersData"))
        back.RoutersData.emplace_back(key, reread.ReadRaw("RoutersData", key).value_or(""));
    return back;
}

TLookupRecord Record(std::string url, std::string keyword, std::string skip, bool credentials = false,
                     std::string user = "", std::string password = "")
{
    return {std::move(url), std::move(keyword), std::move(skip), std::move(user), std::move(password), credentials};
}

TLookupEntry Entry(std::string name, std::size_t sequence, const TLookupRecord& record)
{
    return {std::move(name), StoredLookupRecord(sequence, record), record.Credentials};
}

TEST(LookupStore, NamesAndRecordsStayPairedThroughTheSettingsFile)
{
    const std::vector<TLookupEntry> entries = {
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
    TLookupSections stored = StoreLookupEntries(entries);
    ASSERT_EQ(stored.Routers.size(), entries.size());
    ASSERT_EQ(stored.RoutersData.size(), entries.size());

    std::vector<TLookupEntry> loaded = LoadLookupEntries(ThroughSettingsFile(stored));
    ASSERT_EQ(loaded.size(), entries.size());
    for (std::size_t row = 0; row < entries.size(); ++row) {
        EXPECT_EQ(loaded[row].Name, entries[row].Name) << row;
        EXPECT_EQ(loaded[row].Credentials, entries[row].Credentials) << row;
        EXPECT_EQ(ParseStoredLookupRecord(loaded[row].StoredRecord, loaded[row].Credentials),
                  ParseStoredLookupRecord(entries[row].StoredRecord, entries[row].Credentials))
            << row;
    }
    // A second save of what was loaded writes the same file.
    EXPECT_EQ(StoreLookupEntries(loaded).Routers, stored.Routers);
    EXPECT_EQ(StoreLookupEntries(loaded).RoutersData, stored.RoutersData);
}

TEST(LookupStore, NamesLikeTheStandInKeysKeepTheirRows)
{
    const std::vector<TLookupEntry> entries = {
        Entry("~3", 1, Record("h", "k", "1")),
        Entry("a=b", 2, Record("h", "k", "2")),
        Entry("x=y", 3, Record("h", "k", "3")),  // stands in as "~3"
        Entry("~2", 4, Record("h", "k", "4")),
    };
    std::vector<TLookupEntry> loaded = LoadLookupEntries(ThroughSettingsFile(StoreLookupEntries(entries)));
    ASSERT_EQ(loaded.size(), entries.size());
    for (std::size_t row = 0; row < entries.size(); ++row)
        EXPECT_EQ(loaded[row], entries[row]) << row;
}

TEST(LookupStore, EntryAcceptingAnyCertificateComesBackAndOldEntriesStayByteIdentical)
{
    TLookupRecord router = Record("https://192.168.1.1/status", "WAN", "2", true, "admin", "pw");
    router.AcceptAnyCertificate = true;
    const TLookupSections old = {{{"Home", "1"}, {"Work", "1"}},
                                 {{"1,192.168.1.1/st.htm,IP:,3", "0"}, {"2,10.0.0.1/s.htm,WAN,5,admin,\x9E", "1"}}};
    std::vector<TLookupEntry> entries = LoadLookupEntries(old);
    entries.push_back(Entry("Router", 3, router));
    const TLookupSections stored = StoreLookupEntries(entries);
    EXPECT_EQ(std::vector(stored.Routers.begin(), stored.Routers.begin() + 2), old.Routers);
    EXPECT_EQ(std::vector(stored.RoutersData.begin(), stored.RoutersData.begin() + 2), old.RoutersData);
    const std::vector<TLookupEntry> loaded = LoadLookupEntries(ThroughSettingsFile(stored));
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_EQ(ParseStoredLookupRecord(loaded[2].StoredRecord, loaded[2].Credentials), router);
    EXPECT_FALSE(ParseStoredLookupRecord(loaded[0].StoredRecord, false).AcceptAnyCertificate);
}

TEST(LookupStore, PlainEntriesKeepTheClassicLayout)
{
    const std::vector<TLookupEntry> entries = {
        Entry("Linksys copy", 1, Record("192.168.1.1/Status.htm", "<!--WAN head-->", "365", true, "admin", "rivet")),
        Entry("Office", 2, Record("10.0.0.1/s.htm", "<b>", "3")),
    };
    TLookupSections stored = StoreLookupEntries(entries);
    EXPECT_EQ(stored.Routers, (TKeyValues{{"Linksys copy", "1"}, {"Office", "1"}}));
    EXPECT_EQ(stored.RoutersData,
              (TKeyValues{{"1,192.168.1.1/Status.htm,<!--WAN head-->,365,admin,\x8D\x96\x89\x9A\x8B", "1"},
                          {"2,10.0.0.1/s.htm,<b>,3", "0"}}));
}

TEST(LookupStore, ReadsFilesWrittenInTheClassicLayout)
{
    TLookupSections old;
    old.Routers = {{"Netgear", "1"}, {"Office", "1"}};
    old.RoutersData = {{"1,192.168.0.1/setup.cgi?next_file\xA7s_status.htm,P Address </b>,25,admin,\x9E", "1"},
                       {"2,10.0.0.1/s.htm,<b>,3", "0"},
                       {"3,10.0.0.9/x.htm,<i>,4", "0x1"}};  // its name collapsed into an earlier one
    std::vector<TLookupEntry> loaded = LoadLookupEntries(old);
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_EQ(loaded[0].Name, "Netgear");
    EXPECT_TRUE(loaded[0].Credentials);
    EXPECT_EQ(ParseStoredLookupRecord(loaded[0].StoredRecord, true),
              Record("192.168.0.1/setup.cgi?next_file=s_status.htm", "P Address </b>", "25", true, "admin", "a"));
    EXPECT_FALSE(loaded[1].Credentials);
    EXPECT_EQ(loaded[2].Name, "10.0.0.9/x.htm");
    EXPECT_TRUE(loaded[2].Credentials);

    const std::pair<std::string, bool> flags[] = {
        {"1", true}, {"0", false}, {"", false}, {"yes", false}, {"-1", true}, {"0x0", false}, {"+2", true},
        {"99999999999", false},
    };
    for (const auto& [value, flag] : flags) {
        TLookupSections one{{{"n", "1"}}, {{"1,h,k,0", value}}};
        EXPECT_EQ(LoadLookupEntries(one).at(0).Credentials, flag) << value;
    }
}

} // namespace
