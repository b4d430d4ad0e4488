#include "LookupRecord.h"
#include "LookupTexts.h"
#include "RouterPresets.h"

#include <gtest/gtest.h>

using namespace kestrune::lookup;

namespace {

LookupRecord Record(std::string url, std::string keyword, std::string skip)
{
    return {std::move(url), std::move(keyword), std::move(skip), "", "", false};
}

LookupRecord WithCredentials(LookupRecord record, std::string user, std::string password)
{
    record.username = std::move(user);
    record.password = std::move(password);
    record.credentials = true;
    return record;
}

const std::string kNetgearURL = "192.168.0.1/setup.cgi?next_file=s_status.htm";

TEST(StoredLookupRecord, ClassicFormIsByteExact)
{
    LookupRecord netgear = WithCredentials(Record(kNetgearURL, "P Address </b>", "25"), "admin", "lanterns");
    EXPECT_EQ(storedLookupRecord(1, netgear),
              "1,192.168.0.1/setup.cgi?next_file\xA7s_status.htm,P Address </b>,25,admin,"
              "\x93\x9E\x91\x8B\x9A\x8D\x91\x8C");
    EXPECT_EQ(storedLookupRecord(2, Record("10.0.0.1/s.htm", "<b>", "3")), "2,10.0.0.1/s.htm,<b>,3");
    EXPECT_NE(storedLookupRecord(1, Record("a", "b", "0")), storedLookupRecord(2, Record("a", "b", "0")));
    EXPECT_EQ(parseStoredLookupRecord(storedLookupRecord(1, netgear), true), netgear);
    // Without the flag the credentials are not part of the record.
    LookupRecord unchecked = netgear;
    unchecked.credentials = false;
    EXPECT_EQ(storedLookupRecord(4, unchecked), "4,192.168.0.1/setup.cgi?next_file\xA7s_status.htm,P Address </b>,25");
}

struct StoredCase {
    std::string Stored;
    bool Credentials;
    LookupRecord Expected;
};

TEST(StoredLookupRecord, OldRecordsReadAsTheyAlwaysWere)
{
    const StoredCase cases[] = {
        {"7,a\xA7" "b,kw,5", false, Record("a=b", "kw", "5")},
        {"1,url,key,word,5", false, Record("url", "key", "word,5")},  // a comma ends the keyword
        {"1,url,key,word,5,user", true, WithCredentials(Record("url", "key", "word"), "5", "\x8A\x8C\x9A\x8D")},
        {"2,u,k,3,admin,\x9E\xD3\x9D", true, WithCredentials(Record("u", "k", "3"), "admin", "a,b")},
        {"2,u,k,3,admin,\xA7\xC2", true, WithCredentials(Record("u", "k", "3"), "admin", "\xC2=")},
        {"3,u,k", false, Record("u", "k", "")},
        {"3,u,k,1", true, WithCredentials(Record("u", "k", "1"), "", "")},
        {"9", false, Record("", "", "")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseStoredLookupRecord(c.Stored, c.Credentials), c.Expected) << c.Stored;
}

TEST(StoredLookupRecord, EveryRecordReadsBackWhole)
{
    const LookupRecord cases[] = {
        WithCredentials(Record("h/x", "k", "1"), "admin", "X"),          // complement of "X" is 0xA7
        WithCredentials(Record("h/x", "k", "1"), "admin", "aXb=X"),
        Record("h/fa\xC3\xA7" "ade", "Fa\xC3\xA7" "ade:", "2"),         // "ç" holds the byte 0xA7
        WithCredentials(Record("h", "k", "0"), "Fran\xC3\xA7ois", "gar\xC3\xA7on"),
        Record(kNetgearURL, "IP, WAN", "4"),                             // comma in the keyword
        WithCredentials(Record("h", "k", "1,2"), "u,v", "p,q"),
        WithCredentials(Record("h", "k", "1"), "u", "\xF2\xF5\xFF"),     // complements are CR, LF, NUL
        WithCredentials(Record("h", "k", "1"), "u", "ends\xDF"),         // complement ends in a blank
        Record("h", "k", "5 "),
        Record("h", "k\r\nl\tm", "-3"),
        Record("h", "%41 \"q\" 'r' [s]", "0"),
        Record("", "", ""),
        WithCredentials(Record("h", "k", "1"), "", ""),
    };
    for (const auto& record : cases) {
        for (std::size_t sequence : {1u, 12u}) {
            std::string stored = storedLookupRecord(sequence, record);
            EXPECT_TRUE(isUsableSettingsKey(stored)) << stored;
            EXPECT_EQ(parseStoredLookupRecord(stored, record.credentials), record) << stored;
        }
    }
}

TEST(StoredLookupRecord, EscapedFormOnlyWhereTheClassicOneFails)
{
    EXPECT_EQ(storedLookupRecord(3, Record("h", "IP, WAN", "4")), "~3,h,IP%2C%20WAN,4");
    EXPECT_EQ(storedLookupRecord(1, WithCredentials(Record("h", "k", "1"), "u", "X")), "~1,h,k,1,u,%A7");
    EXPECT_EQ(storedLookupRecord(1, Record("h", "\xC3\xA7=", "0")), "~1,h,%C3%A7%3D,0");
    // "é" has no 0xA7 byte and stays in the classic form as it is.
    EXPECT_EQ(storedLookupRecord(1, Record("h", "\xC3\xA9", "0")), "1,h,\xC3\xA9,0");
    // A "~" anywhere after the start belongs to the classic form.
    EXPECT_EQ(parseStoredLookupRecord("1,h/~u,k,0", false), Record("h/~u", "k", "0"));
}

TEST(StoredLookupRecord, AcceptAnyCertificateTravelsInTheFirstFieldOfHttpsPagesOnly)
{
    LookupRecord router = WithCredentials(Record("HTTPS://192.168.1.1/status", "WAN", "2"), "admin", "X");
    router.acceptAnyCertificate = true;
    LookupRecord plain = Record("https://192.168.1.1/s", "WAN", "2");
    plain.acceptAnyCertificate = true;
    EXPECT_EQ(storedLookupRecord(3, plain), "3*,https://192.168.1.1/s,WAN,2");
    EXPECT_EQ(storedLookupRecord(4, router), "~4*,HTTPS://192.168.1.1/status,WAN,2,admin,%A7");
    for (const LookupRecord& record : {plain, router}) {
        const std::string stored = storedLookupRecord(5, record);
        EXPECT_EQ(parseStoredLookupRecord(stored, record.credentials), record) << stored;
        // Read by the rules that ignore the mark, every field is the same.
        std::string unmarked = stored;
        unmarked.erase(unmarked.find('*'), 1);
        LookupRecord withoutMark = record;
        withoutMark.acceptAnyCertificate = false;
        EXPECT_EQ(parseStoredLookupRecord(unmarked, record.credentials), withoutMark) << unmarked;
    }
    // Only an "https://" page keeps the box; older records carry no mark and gain none.
    LookupRecord http = Record("192.168.1.1/s", "WAN", "2");
    http.acceptAnyCertificate = true;
    EXPECT_EQ(storedLookupRecord(6, http), "6,192.168.1.1/s,WAN,2");
    EXPECT_FALSE(parseStoredLookupRecord("6,https://192.168.1.1/s,WAN,2", false).acceptAnyCertificate);
    EXPECT_EQ(storedLookupRecord(6, parseStoredLookupRecord("6,https://192.168.1.1/s,WAN,2", false)),
              "6,https://192.168.1.1/s,WAN,2");
}

TEST(LookupRecordText, PresetsAreTheBuiltInRouters)
{
    auto presets = routerPresets();
    ASSERT_EQ(presets.size(), 3u);
    EXPECT_EQ(presets[0].name, "Linksys BEFSRU31");
    EXPECT_EQ(presetRecord(presets[0]),
              WithCredentials(Record("192.168.1.1/Status.htm", "<!--WAN head-->", "365"), "admin", "rivet"));
    EXPECT_EQ(presets[1].name, "Mentor MR4A/UK");
    EXPECT_EQ(presetRecord(presets[1]), Record("192.168.8.1/home/hstatus.sht", "or=#FFFFFF><b>", "1"));
    EXPECT_EQ(presets[2].name, "Netgear DG834 (G)");
    EXPECT_EQ(presetRecord(presets[2]), WithCredentials(Record(kNetgearURL, "P Address </b>", "25"), "admin", "lanterns"));
    for (const auto& preset : presets)
        EXPECT_EQ(lookupRecordText(presetRecord(preset)), preset.record);
}

TEST(EntryFields, ChecksInOrder)
{
    const std::pair<LookupRecord, std::optional<std::string_view>> cases[] = {
        {Record("", "", ""), lookuptexts::kUrlMissing},
        {Record("h", "", ""), lookuptexts::kKeywordMissing},
        {WithCredentials(Record("h", "k", ""), "", ""), lookuptexts::kPasswordRequired},
        {WithCredentials(Record("h", "k", ""), "", "p"), lookuptexts::kUsernameRequired},
        {WithCredentials(Record("h", "k", ""), "u", "p"), std::nullopt},
        {Record("h", "k", ""), std::nullopt},  // the skip count is not checked
    };
    for (const auto& [fields, problem] : cases)
        EXPECT_EQ(entryFieldsProblem(fields), problem);
    EXPECT_EQ(withoutHttpPrefix("http://192.168.1.1/a"), "192.168.1.1/a");
    EXPECT_EQ(withoutHttpPrefix("http://http://h"), "h");
    EXPECT_EQ(withoutHttpPrefix("https://h"), "https://h");
    EXPECT_EQ(withoutHttpPrefix("HTTP://h"), "HTTP://h");
}

} // namespace
