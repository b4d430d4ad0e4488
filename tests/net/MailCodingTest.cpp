#include "MailCoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kestrune::net;

using namespace mailcoding;

namespace {

struct TextCase {
    std::string input;
    std::string expected;
};

std::string Repeat(const std::string &text, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += text;
    return out;
}

} // namespace

TEST(MailCodingTest, EncodedWordsCoverOnlyRunsOfNonAsciiWords)
{
    const std::vector<TextCase> cases = {
        {"IP changed", "IP changed"},
        {"", ""},
        {"Adresse geändert", "Adresse =?UTF-8?Q?ge=C3=A4ndert?="},
        {"Grüße aus Köln heute", "=?UTF-8?Q?Gr=C3=BC=C3=9Fe?= aus =?UTF-8?Q?K=C3=B6ln?= heute"},
        {"Zoë Ève x", "=?UTF-8?Q?Zo=C3=AB_=C3=88ve?= x"},
        {"  é  x", "  =?UTF-8?Q?=C3=A9?=  x"},
        {"é  è", "=?UTF-8?Q?=C3=A9__=C3=A8?="},
        {"café=1?_.", "=?UTF-8?Q?caf=C3=A9=3D1=3F=5F=2E?="},
        {"\xF0\x9F\x98\x80", "=?UTF-8?Q?=F0=9F=98=80?="},
        {"a\tb", "=?UTF-8?Q?a=09b?="},
        {"bad \xC3 byte", "bad =?UTF-8?Q?=C3?= byte"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(encodeHeaderWords(c.input), c.expected) << c.input;
}

TEST(MailCodingTest, LongRunsContinueInFurtherWordsAtWholeCharacters)
{
    // 10 of "=C3=A9" fill a word to 72 characters; the eleventh would pass 75.
    const std::string tenAccents = "=?UTF-8?Q?" + Repeat("=C3=A9", 10) + "?=";
    EXPECT_EQ(encodeHeaderWords(Repeat("é", 30)), tenAccents + "\r\n\t" + tenAccents + "\r\n\t" + tenAccents);
    EXPECT_EQ(encodeHeaderWords("aaaa" + Repeat("é", 10)),
              "=?UTF-8?Q?aaaa" + Repeat("=C3=A9", 9) + "?=\r\n\t=?UTF-8?Q?=C3=A9?=");
    EXPECT_EQ(encodeHeaderWords("aaaa" + Repeat("€", 7)),
              "=?UTF-8?Q?aaaa" + Repeat("=E2=82=AC", 6) + "?=\r\n\t=?UTF-8?Q?=E2=82=AC?=");
    EXPECT_EQ(encodeHeaderWords("aaaaaaa" + Repeat("😀", 5)),
              "=?UTF-8?Q?aaaaaaa" + Repeat("=F0=9F=98=80", 4) + "?=\r\n\t=?UTF-8?Q?=F0=9F=98=80?=");

    const std::string encoded = encodeHeaderWords(Repeat("xé€😀 ", 40));
    std::size_t start = 0;
    while (start < encoded.size()) {
        const std::size_t end = encoded.find("\r\n\t", start);
        const std::string word = encoded.substr(start, end == std::string::npos ? std::string::npos : end - start);
        EXPECT_LE(word.size(), 75u) << word;
        EXPECT_EQ(word.rfind("=?UTF-8?Q?", 0), 0u) << word;
        // A continuation byte (80..BF) never opens a word: characters are not cut.
        const std::string firstByte = word.substr(10, 3);
        EXPECT_FALSE(firstByte[0] == '=' && (firstByte[1] == '8' || firstByte[1] == '9' || firstByte[1] == 'A' ||
                                             firstByte[1] == 'B'))
            << word;
        start = end == std::string::npos ? encoded.size() : end + 3;
    }
}

TEST(MailCodingTest, FoldingSplitsAtBlanksWithinTheLimit)
{
    struct FoldCase {
        std::string line;
        std::vector<std::string> pieces;
    };
    const std::string longWord(100, 'a');
    const std::vector<FoldCase> cases = {
        {"Subject: short", {"Subject: short"}},
        {"To: aaaa@example.org, bbbb@example.org, cccc@example.org, dddd@example.org, eeee@example.org",
         {"To: aaaa@example.org, bbbb@example.org, cccc@example.org, dddd@example.org,", " eeee@example.org"}},
        {"X-Long: " + longWord, {"X-Long: " + longWord}},
        {"X-Long: " + longWord + " tail", {"X-Long: " + longWord, " tail"}},
        {"Subject: " + std::string(70, 'b') + " " + std::string(70, 'c') + " " + std::string(70, 'd'),
         {"Subject: " + std::string(70, 'b'), " " + std::string(70, 'c'), " " + std::string(70, 'd')}},
        {"Subject: =?UTF-8?Q?x?=\r\n\t=?UTF-8?Q?y?=", {"Subject: =?UTF-8?Q?x?=", "\t=?UTF-8?Q?y?="}},
        {std::string(78, 'x'), {std::string(78, 'x')}},
        {"Subject: " + std::string(60, 'b') + "  " + std::string(30, 'c'),
         {"Subject: " + std::string(60, 'b'), "  " + std::string(30, 'c')}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(foldHeaderLine(c.line), c.pieces) << c.line;
}

TEST(MailCodingTest, FoldingNeverLeavesTheFirstLineWithoutAValue)
{
    const std::string line = "X-Long: " + std::string(120, 'a');
    EXPECT_EQ(foldHeaderLine(line), std::vector<std::string>{line});
}

TEST(MailCodingTest, DotStuffingDoublesOnlyALeadingDot)
{
    const std::vector<TextCase> cases = {
        {".", ".."}, {".hidden", "..hidden"}, {"..", "..."}, {"a.b", "a.b"}, {"", ""}, {" .", " ."},
    };
    for (const auto &c : cases)
        EXPECT_EQ(dotStuff(c.input), c.expected) << c.input;
}

TEST(MailCodingTest, SplitLinesAcceptsEveryLineEnd)
{
    struct SplitCase {
        std::string text;
        std::vector<std::string> lines;
    };
    const std::vector<SplitCase> cases = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"\r\n", {""}},
        {"a\n\rb", {"a", "", "b"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(splitLines(c.text), c.lines) << c.text;
}

TEST(MailCodingTest, LineBreakOrNulIsFound)
{
    EXPECT_FALSE(hasLineBreakOrNul("plain text"));
    EXPECT_TRUE(hasLineBreakOrNul("a\rb"));
    EXPECT_TRUE(hasLineBreakOrNul("a\nb"));
    EXPECT_TRUE(hasLineBreakOrNul(std::string("a\0b", 3)));
}
