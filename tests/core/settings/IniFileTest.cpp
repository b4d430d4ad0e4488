#include "IniFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kestrune::core;

namespace {

struct ReadCase {
    const char* Name;
    std::string Text;
    std::string Section;
    std::string Key;
    std::string Expected;
};

class IniReadString : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReadString, ReadsAsTheProfileFunctionsDo)
{
    const ReadCase& c = GetParam();
    EXPECT_EQ(IniFile::parse(c.Text).readString(c.Section, c.Key, "<default>"), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniReadString,
    ::testing::Values(
        ReadCase{"Plain", "[Mail]\r\nTo=a@b.c\r\n", "Mail", "To", "a@b.c"},
        ReadCase{"SectionAndKeyCaseBlind", "[mail]\r\nto=x\r\n", "MAIL", "To", "x"},
        ReadCase{"MixedCapitalsKey", "[FTP]\r\nUpLoadedIP=1.2.3.4\r\n", "FTP", "UPLoadedIP", "1.2.3.4"},
        ReadCase{"BlanksTrimmed", "[S]\r\n  Key \t=   value with inner blanks \t \r\n", "S", "Key",
                  "value with inner blanks"},
        ReadCase{"DoubleQuotesRemoved", "[S]\r\nK=\" padded \"\r\n", "S", "K", " padded "},
        ReadCase{"SingleQuotesRemoved", "[S]\r\nK='x'\r\n", "S", "K", "x"},
        ReadCase{"OnlyOnePairRemoved", "[S]\r\nK=\"\"x\"\"\r\n", "S", "K", "\"x\""},
        ReadCase{"MismatchedQuotesKept", "[S]\r\nK=\"x'\r\n", "S", "K", "\"x'"},
        ReadCase{"LoneQuoteKept", "[S]\r\nK=\"\r\n", "S", "K", "\""},
        ReadCase{"EqualsInValue", "[S]\r\nK=a=b=c\r\n", "S", "K", "a=b=c"},
        ReadCase{"EmptyValue", "[S]\r\nK=\r\n", "S", "K", ""},
        ReadCase{"MissingKey", "[S]\r\nK=1\r\n", "S", "Other", "<default>"},
        ReadCase{"MissingSection", "[S]\r\nK=1\r\n", "T", "K", "<default>"},
        ReadCase{"KeyOfOtherSectionNotSeen", "[A]\r\nK=1\r\n[B]\r\nX=2\r\n", "B", "K", "<default>"},
        ReadCase{"FirstDuplicateWins", "[S]\r\nK=first\r\nk=second\r\n", "S", "K", "first"},
        ReadCase{"LfLineEnds", "[S]\nA=1\nK=v\n", "S", "K", "v"},
        ReadCase{"LastLineWithoutBreak", "[S]\r\nK=v", "S", "K", "v"},
        ReadCase{"IndentedSectionHeader", "  [ S ]  \r\nK=v\r\n", "S", "K", "v"},
        ReadCase{"ByteOrderMarkIgnored", "\xEF\xBB\xBF[S]\r\nK=v\r\n", "S", "K", "v"},
        ReadCase{"HighBytesKept", "[S]\r\nK=\x9E\x9D\x9C\xFF\r\n", "S", "K", "\x9E\x9D\x9C\xFF"}),
    [](const auto& info) { return std::string(info.param.Name); });

struct IntCase {
    std::string Value;
    int Expected;
};

class IniReadInteger : public ::testing::TestWithParam<IntCase> {};

TEST_P(IniReadInteger, DecimalOrHexElseDefault)
{
    IniFile ini = IniFile::parse("[System]\r\nInterval=" + GetParam().Value + "\r\n");
    EXPECT_EQ(ini.readInteger("System", "Interval", -77), GetParam().Expected) << "value: " << GetParam().Value;
}

INSTANTIATE_TEST_SUITE_P(Cases, IniReadInteger,
                         ::testing::Values(IntCase{"30", 30}, IntCase{"5000", 5000}, IntCase{"-12", -12},
                                           IntCase{"+7", 7}, IntCase{"007", 7}, IntCase{"0x3C", 60},
                                           IntCase{"0X3c", 60}, IntCase{"0x7FFFFFFF", 2147483647},
                                           IntCase{"'45'", 45}, IntCase{"abc", -77}, IntCase{"", -77},
                                           IntCase{"0x", -77}, IntCase{"0xG1", -77}, IntCase{"12abc", -77},
                                           IntCase{"1.5", -77}, IntCase{"1 2", -77}, IntCase{"--1", -77},
                                           IntCase{"+-1", -77}, IntCase{"99999999999", -77},
                                           IntCase{"0x123456789", -77}, IntCase{"$3C", -77}));

struct BoolCase {
    std::string Value;
    bool WhenDefaultFalse;
    bool WhenDefaultTrue;
};

class IniReadBool : public ::testing::TestWithParam<BoolCase> {};

TEST_P(IniReadBool, AnyNonZeroIntegerIsTrue)
{
    IniFile ini = IniFile::parse("[S]\r\nB=" + GetParam().Value + "\r\n");
    EXPECT_EQ(ini.readBool("S", "B", false), GetParam().WhenDefaultFalse) << GetParam().Value;
    EXPECT_EQ(ini.readBool("S", "B", true), GetParam().WhenDefaultTrue) << GetParam().Value;
}

INSTANTIATE_TEST_SUITE_P(Cases, IniReadBool,
                         ::testing::Values(BoolCase{"1", true, true}, BoolCase{"0", false, false},
                                           BoolCase{"2", true, true}, BoolCase{"-1", true, true},
                                           BoolCase{"0x0", false, false}, BoolCase{"true", false, true},
                                           BoolCase{"", false, true}));

TEST(IniFile, ValuesLongerThan2047CharactersAreCut)
{
    std::string exact(2047, 'a');
    std::string longer(3000, 'b');
    // A two-byte character straddling the limit is dropped whole rather than split.
    std::string straddling = std::string(2046, 'c') + "\xC3\xA9";
    IniFile ini = IniFile::parse("[S]\r\nExact=" + exact + "\r\nLonger=" + longer + "\r\nUtf8=" + straddling + "\r\n");
    EXPECT_EQ(ini.readString("S", "Exact", ""), exact);
    EXPECT_EQ(ini.readString("S", "Longer", ""), std::string(2047, 'b'));
    EXPECT_EQ(ini.readString("S", "Utf8", ""), std::string(2046, 'c'));
    EXPECT_EQ(ini.readRaw("S", "Longer")->size(), 3000u);
}

TEST(IniFile, SectionKeysInFileOrderUpToTheListSize)
{
    IniFile ini = IniFile::parse("[Routers]\r\nZeta=1\r\nalpha=1\r\n\r\nnot a key\r\nMid=1\r\n[Other]\r\nX=1\r\n");
    EXPECT_EQ(ini.readSectionKeys("routers"), (std::vector<std::string>{"Zeta", "alpha", "Mid"}));
    EXPECT_TRUE(ini.readSectionKeys("Missing").empty());

    std::string text = "[Big]\r\n";
    for (int i = 0; i < 200; ++i) {
        std::string key = std::to_string(1000 + i);
        text += key + std::string(100 - key.size(), 'k') + "=1\r\n";
    }
    IniFile big = IniFile::parse(text);
    EXPECT_EQ(big.readSectionKeys("Big").size(), 200u);
    // 101 bytes per key: 162 keys fill 16362 of the 16384 bytes; the 163rd would not fit whole.
    std::vector<std::string> capped = big.readSectionKeys("Big", IniFile::kKeyListBytes);
    ASSERT_EQ(capped.size(), 162u);
    EXPECT_EQ(capped.back().substr(0, 4), "1161");
}

TEST(IniFile, WritingKeepsPlaceTakesWriterSpellingAndAddsNewKeysAtSectionEnd)
{
    IniFile ini = IniFile::parse("; kept comment\r\n[FTP]\r\nHost = h\r\nUPLoadedIP=1.2.3.4\r\nTail=t\r\n\r\n"
                                   "[Custom]\r\nX=1\r\n");
    ini.writeString("FTP", "UpLoadedIP", "5.6.7.8");
    ini.writeString("ftp", "Enable", "1");
    ini.writeString("New", "Key", "v");
    EXPECT_EQ(ini.text(), "; kept comment\r\n[FTP]\r\nHost = h\r\nUpLoadedIP=5.6.7.8\r\nTail=t\r\nEnable=1\r\n\r\n"
                          "[Custom]\r\nX=1\r\n[New]\r\nKey=v\r\n");
}

TEST(IniFile, WrittenValuesComeBackAsWritten)
{
    const std::vector<std::string> values = {"plain", "", " leading", "trailing ", "\tboth\t", "\"quoted\"",
                                             "'single'", "\"open", "a = b", "\xDF\x9E\xDF", "  "};
    IniFile ini;
    for (std::size_t i = 0; i < values.size(); ++i)
        ini.writeString("S", "K" + std::to_string(i), values[i]);
    IniFile reread = IniFile::parse(ini.text());
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(reread.readString("S", "K" + std::to_string(i), "<missing>"), values[i]) << "value #" << i;
}

TEST(IniFile, ValueIsCutAtLineBreakSoNoLinesCanBeSlippedIn)
{
    IniFile ini;
    ini.writeString("Mail", "Subject", "Hi\r\n[FTP]\r\nHost=evil");
    ini.writeString("Mail", "To", std::string("a\0b", 3));
    IniFile reread = IniFile::parse(ini.text());
    EXPECT_EQ(reread.readString("Mail", "Subject", ""), "Hi");
    EXPECT_EQ(reread.readString("Mail", "To", ""), "a");
    EXPECT_FALSE(reread.sectionExists("FTP"));
}

TEST(IniFile, NamesThatCannotComeBackAreRefused)
{
    IniFile ini;
    for (const std::string& key : {std::string("a=b"), std::string(" lead"), std::string("trail "),
                                   std::string("[x"), std::string(""), std::string("a\nb")})
        EXPECT_THROW(ini.writeString("S", key, "1"), IniError) << "key: " << key;
    EXPECT_THROW(ini.writeString("a]b", "k", "1"), IniError);
    EXPECT_THROW(ini.writeString("", "k", "1"), IniError);
    EXPECT_NO_THROW(ini.writeString("S", "1,192.168.1.1/st.htm,IP:,3", "1"));
    EXPECT_EQ(IniFile::parse(ini.text()).readSectionKeys("S"), (std::vector<std::string>{"1,192.168.1.1/st.htm,IP:,3"}));
}

TEST(IniFile, EraseSectionRemovesEveryCopyAndDeleteKeyOneKey)
{
    IniFile ini = IniFile::parse("[Routers]\r\nA=1\r\n[Mail]\r\nTo=x\r\nFrom=y\r\n[ROUTERS]\r\nB=1\r\n");
    ini.eraseSection("routers");
    ini.deleteKey("MAIL", "to");
    EXPECT_EQ(ini.text(), "[Mail]\r\nFrom=y\r\n");
    EXPECT_EQ(ini.sectionNames(), (std::vector<std::string>{"Mail"}));
}

TEST(IniFile, LookupsFollowEveryEditOfTheFile)
{
    IniFile ini = IniFile::parse("[A]\r\nx=1\r\n[B]\r\nk=first\r\nK=second\r\n\r\n[C]\r\ny=2\r\n");
    EXPECT_EQ(ini.readString("b", "K", ""), "first");
    ini.deleteKey("B", "k");
    EXPECT_EQ(ini.readString("B", "k", ""), "second");
    ini.eraseSection("a");
    EXPECT_EQ(ini.readString("c", "Y", ""), "2");
    ini.writeString("B", "New", "n");
    ini.writeString("b", "NEW", "m");
    ini.writeString("D", "z", "3");
    ini.writeString("d", "Z", "4");
    EXPECT_EQ(ini.text(), "[B]\r\nK=second\r\nNEW=m\r\n\r\n[C]\r\ny=2\r\n[D]\r\nZ=4\r\n");
}

} // namespace
