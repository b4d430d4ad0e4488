#include "IniFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TReadCase {
    const char* Name;
    std::string Text;
    std::string Section;
    std::string Key;
    std::string Expected;
};

class IniReadString : public ::testing::TestWithParam<TReadCase> {};

TEST_P(IniReadString, ReadsAsTheProfileFunctionsDo)
{
    const TReadCase& c = GetParam();
    EXPECT_EQ(TIniFile::Parse(c.Text).ReadString(c.Section, c.Key, "<default>"), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniReadString,
    ::testing::Values(
        TReadCase{"Plain", "[Mail]\r\nTo=a@b.c\r\n", "Mail", "To", "a@b.c"},
        TReadCase{"SectionAndKeyCaseBlind", "[mail]\r\nto=x\r\n", "MAIL", "To", "x"},
        TReadCase{"MixedCapitalsKey", "[FTP]\r\nUpLoadedIP=1.2.3.4\r\n", "FTP", "UPLoadedIP", "1.2.3.4"},
        TReadCase{"BlanksTrimmed", "[S]\r\n  Key \t=   value with inner blanks \t \r\n", "S", "Key",
                  "value with inner blanks"},
        TReadCase{"DoubleQuotesRemoved", "[S]\r\nK=\" padded \"\r\n", "S", "K", " padded "},
        TReadCase{"SingleQuotesRemoved", "[S]\r\nK='x'\r\n", "S", "K", "x"},
        TReadCase{"OnlyOnePairRemoved", "[S]\r\nK=\"\"x\"\"\r\n", "S", "K", "\"x\""},
        TReadCase{"MismatchedQuotesKept", "[S]\r\nK=\"x'\r\n", "S", "K", "\"x'"},
        TReadCase{"LoneQuoteKept", "[S]\r\nK=\"\r\n", "S", "K", "\""},
        TReadCase{"EqualsInValue", "[S]\r\nK=a=b=c\r\n", "S", "K", "a=b=c"},
        TReadCase{"EmptyValue", "[S]\r\nK=\r\n", "S", "K", ""},
        TReadCase{"MissingKey", "[S]\r\nK=1\r\n", "S", "Other", "<default>"},
        TReadCase{"MissingSection", "[S]\r\nK=1\r\n", "T", "K", "<default>"},
        TReadCase{"KeyOfOtherSectionNotSeen", "[A]\r\nK=1\r\n[B]\r\nX=2\r\n", "B", "K", "<default>"},
        TReadCase{"FirstDuplicateWins", "[S]\r\nK=first\r\nk=second\r\n", "S", "K", "first"},
        TReadCase{"LfLineEnds", "[S]\nA=1\nK=v\n", "S", "K", "v"},
        TReadCase{"LastLineWithoutBreak", "[S]\r\nK=v", "S", "K", "v"},
        TReadCase{"IndentedSectionHeader", "  [ S ]  \r\nK=v\r\n", "S", "K", "v"},
        TReadCase{"ByteOrderMarkIgnored", "\xEF\xBB\xBF[S]\r\nK=v\r\n", "S", "K", "v"},
        TReadCase{"HighBytesKept", "[S]\r\nK=\x9E\x9D\x9C\xFF\r\n", "S", "K", "\x9E\x9D\x9C\xFF"}),
    [](const auto& info) { return std::string(info.param.Name); });

struct TIntCase {
    std::string Value;
    int Expected;
};

class IniReadInteger : public ::testing::TestWithParam<TIntCase> {};

TEST_P(IniReadInteger, DecimalOrHexElseDefault)
{
    TIniFile ini = TIniFile::Parse("[System]\r\nInterval=" + GetParam().Value + "\r\n");
    EXPECT_EQ(ini.ReadInteger("System", "Interval", -77), GetParam().Expected) << "value: " << GetParam().Value;
}

INSTANTIATE_TEST_SUITE_P(Cases, IniReadInteger,
                         ::testing::Values(TIntCase{"30", 30}, TIntCase{"5000", 5000}, TIntCase{"-12", -12},
                                           TIntCase{"+7", 7}, TIntCase{"007", 7}, TIntCase{"0x3C", 60},
                                           TIntCase{"0X3c", 60}, TIntCase{"0x7FFFFFFF", 2147483647},
                                           TIntCase{"'45'", 45}, TIntCase{"abc", -77}, TIntCase{"", -77},
                                           TIntCase{"0x", -77}, TIntCase{"0xG1", -77}, TIntCase{"12abc", -77},
                                           TIntCase{"1.5", -77}, TIntCase{"1 2", -77}, TIntCase{"--1", -77},
                                           TIntCase{"+-1", -77}, TIntCase{"99999999999", -77},
                                           TIntCase{"0x123456789", -77}, TIntCase{"$3C", -77}));

struct TBoolCase {
    std::string Value;
    bool WhenDefaultFalse;
    bool WhenDefaultTrue;
};

class IniReadBool : public ::testing::TestWithParam<TBoolCase> {};

TEST_P(IniReadBool, AnyNonZeroIntegerIsTrue)
{
    TIniFile ini = TIniFile::Parse("[S]\r\nB=" + GetParam().Value + "\r\n");
    EXPECT_EQ(ini.ReadBool("S", "B", false), GetParam().WhenDefaultFalse) << GetParam().Value;
    EXPECT_EQ(ini.ReadBool("S", "B", true), GetParam().WhenDefaultTrue) << GetParam().Value;
}

INSTANTIATE_TEST_SUITE_P(Cases, IniReadBool,
                         ::testing::Values(TBoolCase{"1", true, true}, TBoolCase{"0", false, false},
                                           TBoolCase{"2", true, true}, TBoolCase{"-1", true, true},
                                           TBoolCase{"0x0", false, false}, TBoolCase{"true", false, true},
                                           TBoolCase{"", false, true}));

TEST(IniFile, ValuesLongerThan2047CharactersAreCut)
{
    std::string exact(2047, 'a');
    std::string longer(3000, 'b');
    // A two-byte character straddling the limit is dropped whole rather than split.
    std::string straddling = std::string(2046, 'c') + "\xC3\xA9";
    TIniFile ini = TIniFile::Parse("[S]\r\nExact=" + exact + "\r\nLonger=" + longer + "\r\nUtf8=" + straddling + "\r\n");
    EXPECT_EQ(ini.ReadString("S", "Exact", ""), exact);
    EXPECT_EQ(ini.ReadString("S", "Longer", ""), std::string(2047, 'b'));
    EXPECT_EQ(ini.ReadString("S", "Utf8", ""), std::string(2046, 'c'));
    EXPECT_EQ(ini.ReadRaw("S", "Longer")->size(), 3000u);
}

TEST(IniFile, SectionKeysInFileOrderUpToTheListSize)
{
    TIniFile ini = TIniFile::Parse("[Routers]\r\nZeta=1\r\nalpha=1\r\n\r\nnot a key\r\nMid=1\r\n[Other]\r\nX=1\r\n");
    EXPECT_EQ(ini.ReadSectionKeys("routers"), (std::vector<std::string>{"Zeta", "alpha", "Mid"}));
    EXPECT_TRUE(ini.ReadSectionKeys("Missing").empty());

    std::string text = "[Big]\r\n";
    for (int i = 0; i < 200; ++i) {
        std::string key = std::to_string(1000 + i);
        text += key + std::string(100 - key.size(), 'k') + "=1\r\n";
    }
    TIniFile big = TIniFile::Parse(text);
    EXPECT_EQ(big.ReadSectionKeys("Big").size(), 200u);
    // 101 bytes per key: 162 keys fill 16362 of the 16384 bytes; the 163rd would not fit whole.
    std::vector<std::string> capped = big.ReadSectionKeys("Big", TIniFile::kKeyListBytes);
    ASSERT_EQ(capped.size(), 162u);
    EXPECT_EQ(capped.back().substr(0, 4), "1161");
}

TEST(IniFile, WritingKeepsPlaceTakesWriterSpellingAndAddsNewKeysAtSectionEnd)
{
    TIniFile ini = TIniFile::Parse("; kept comment\r\n[FTP]\r\nHost = h\r\nUPLoadedIP=1.2.3.4\r\nTail=t\r\n\r\n"
                                   "[Custom]\r\nX=1\r\n");
    ini.WriteString("FTP", "UpLoadedIP", "5.6.7.8");
    ini.WriteString("ftp", "Enable", "1");
    ini.WriteString("New", "Key", "v");
    EXPECT_EQ(ini.Text(), "; kept comment\r\n[FTP]\r\nHost = h\r\nUpLoadedIP=5.6.7.8\r\nTail=t\r\nEnable=1\r\n\r\n"
                          "[Custom]\r\nX=1\r\n[New]\r\nKey=v\r\n");
}

TEST(IniFile, WrittenValuesComeBackAsWritten)
{
    const std::vector<std::string> values = {"plain", "", " leading", "trailing ", "\tboth\t", "\"quoted\"",
                                             "'single'", "\"open", "a = b", "\xDF\x9E\xDF", "  "};
    TIniFile ini;
    for (std::size_t i = 0; i < values.size(); ++i)
        ini.WriteString("S", "K" + std::to_string(i), values[i]);
    TIniFile reread = TIniFile::Parse(ini.Text());
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(reread.ReadString("S", "K" + std::to_string(i), "<missing>"), values[i]) << "value #" << i;
}

TEST(IniFile, ValueIsCutAtLineBreakSoNoLinesCanBeSlippedIn)
{
    TIniFile ini;
    ini.WriteString("Mail", "Subject", "Hi\r\n[FTP]\r\nHost=evil");
    ini.WriteString("Mail", "To", std::string("a\0b", 3));
    TIniFile reread = TIniFile::Parse(ini.Text());
    EXPECT_EQ(reread.ReadString("Mail", "Subject", ""), "Hi");
    EXPECT_EQ(reread.ReadString("Mail", "To", ""), "a");
    EXPECT_FALSE(reread.SectionExists("FTP"));
}

TEST(IniFile, NamesThatCannotComeBackAreRefused)
{
    TIniFile ini;
    for (const std::string& key : {std::string("a=b"), std::string(" lead"), std::string("trail "),
                                   std::string("[x"), std::string(""), std::string("a\nb")})
        EXPECT_THROW(ini.WriteString("S", key, "1"), EIniError) << "key: " << key;
    EXPECT_THROW(ini.WriteString("a]b", "k", "1"), EIniError);
    EXPECT_THROW(ini.WriteString("", "k", "1"), EIniError);
    EXPECT_NO_THROW(ini.WriteString("S", "1,192.168.1.1/st.htm,IP:,3", "1"));
    EXPECT_EQ(TIniFile::Parse(ini.Text()).ReadSectionKeys("S"), (std::vector<std::string>{"1,192.168.1.1/st.htm,IP:,3"}));
}

TEST(IniFile, EraseSectionRemovesEveryCopyAndDeleteKeyOneKey)
{
    TIniFile ini = TIniFile::Parse("[Routers]\r\nA=1\r\n[Mail]\r\nTo=x\r\nFrom=y\r\n[ROUTERS]\r\nB=1\r\n");
    ini.EraseSection("routers");
    ini.DeleteKey("MAIL", "to");
    EXPECT_EQ(ini.Text(), "[Mail]\r\nFrom=y\r\n");
    EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Mail"}));
}

TEST(IniFile, LookupsFollowEveryEditOfTheFile)
{
    TIniFile ini = TIniFile::Parse("[A]\r\nx=1\r\n[B]\r\nk=first\r\nK=second\r\n\r\n[C]\r\ny=2\r\n");
    EXPECT_EQ(ini.ReadString("b", "K", ""), "first");
    ini.DeleteKey("B", "k");
    EXPECT_EQ(ini.ReadString("B", "k", ""), "second");
    ini.EraseSection("a");
    EXPECT_EQ(ini.ReadString("c", "Y", ""), "2");
    ini.WriteString("B", "New", "n");
    ini.WriteString("b", "NEW", "m");
    ini.WriteString("D", "z", "3");
    ini.WriteString("d", "Z", "4");
    EXPECT_EQ(ini.Text(), "[B]\r\nK=second\r\nNEW=m\r\n\r\n[C]\r\ny=2\r\n[D]\r\nZ=4\r\n");
}

} // namespace
