#include "ActionErrors.h"
#include "TempFolder.h"
#include "TemplateFile.h"

#include "Raises.h"

#include <gtest/gtest.h>

using namespace kestrune::actions;

using testsupport::ExpectRaiseNaming;

namespace {

namespace fs = std::filesystem;

struct TextCase {
    std::string In;
    std::string Out;
};

class IpMarkers : public ::testing::TestWithParam<TextCase> {};

TEST_P(IpMarkers, EveryMarkerInAnyCaseIsReplaced)
{
    EXPECT_EQ(replaceIpMarkers(GetParam().In, "203.0.113.7"), GetParam().Out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IpMarkers,
    ::testing::Values(TextCase{"<a href=\"http://{IP}/\">{ip}</a>", "<a href=\"http://203.0.113.7/\">203.0.113.7</a>"},
                      TextCase{"{Ip}{iP}", "203.0.113.7203.0.113.7"}, TextCase{"{{IP}}", "{203.0.113.7}"},
                      TextCase{"{I P} {IP {IPX} IP}", "{I P} {IP {IPX} IP}"}, TextCase{"no marker", "no marker"},
                      TextCase{"", ""}, TextCase{"{", "{"}, TextCase{"x{IP}", "x203.0.113.7"}));

class FilledTemplate : public ::testing::TestWithParam<TextCase> {};

TEST_P(FilledTemplate, EveryLineEndsInCrLf)
{
    EXPECT_EQ(fillTemplate(GetParam().In, "10.0.0.1"), GetParam().Out);
}

INSTANTIATE_TEST_SUITE_P(Cases, FilledTemplate,
                         ::testing::Values(TextCase{"", ""}, TextCase{"{IP} and {ip}\n", "10.0.0.1 and 10.0.0.1\r\n"},
                                           TextCase{"a\r\nb", "a\r\nb\r\n"}, TextCase{"a\nb\n", "a\r\nb\r\n"},
                                           TextCase{"\n", "\r\n"}, TextCase{"\r\n\r\n", "\r\n\r\n"},
                                           TextCase{"x\r", "x\r\n"}));

TEST(Makefile, WritesTheFilledTemplate)
{
    TempFolder folder;
    WriteFileBytes(folder / "page.htm", "<p>{IP}</p>\n<p>{ip}</p>");
    makeUploadFile(folder / "page.htm", folder / "kestrune.tmp", "203.0.113.7");
    EXPECT_EQ(ReadFileBytes(folder / "kestrune.tmp"), "<p>203.0.113.7</p>\r\n<p>203.0.113.7</p>\r\n");

    WriteFileBytes(folder / "empty.htm", "");
    makeUploadFile(folder / "empty.htm", folder / "kestrune.tmp", "203.0.113.7");
    EXPECT_TRUE(fs::exists(folder / "kestrune.tmp"));
    EXPECT_EQ(fs::file_size(folder / "kestrune.tmp"), 0u);
}

TEST(Makefile, MissingTemplateOrUnwritableUploadFileIsAnErrorNamingTheFile)
{
    TempFolder folder;
    WriteFileBytes(folder / "kestrune.tmp", "previous upload");
    ExpectRaiseNaming<FileActionError>([&] { makeUploadFile(folder / "absent.htm", folder / "kestrune.tmp", "1.2.3.4"); },
                                        {(folder / "absent.htm").string()});
    EXPECT_EQ(ReadFileBytes(folder / "kestrune.tmp"), "previous upload");

    WriteFileBytes(folder / "page.htm", "{IP}");
    fs::path unwritable = folder.Path / "missing" / "kestrune.tmp";
    ExpectRaiseNaming<FileActionError>([&] { makeUploadFile(folder / "page.htm", unwritable, "1.2.3.4"); },
                                        {unwritable.string()});
}

class RemoteName : public ::testing::TestWithParam<TextCase> {};

TEST_P(RemoteName, TextAfterTheLastBackslashOrColon)
{
    EXPECT_EQ(remoteFileName(GetParam().In), GetParam().Out);
}

INSTANTIATE_TEST_SUITE_P(Cases, RemoteName,
                         ::testing::Values(TextCase{"index.html", "index.html"},
                                           TextCase{"c:\\www\\site\\index.html", "index.html"},
                                           TextCase{"ftp:index.html", "index.html"},
                                           TextCase{"www/index.html", "www/index.html"},
                                           TextCase{"a\\b:c/d", "c/d"}, TextCase{"dir\\", ""},
                                           TextCase{"", ""}));

} // namespace

TEST(FilledTemplate, TheIpv6MarkerIsFilledOnlyWithIpv6On)
{
    const struct {
        std::optional<std::string_view> address6;
        std::string out;
    } cases[] = {
        {std::nullopt, "a=10.0.0.1 b={IP6} c={ip6}\r\n"},
        {"2001:db8::1", "a=10.0.0.1 b=2001:db8::1 c=2001:db8::1\r\n"},
        {"", "a=10.0.0.1 b= c=\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fillTemplate("a={IP} b={IP6} c={ip6}", "10.0.0.1", c.address6), c.out);
}
