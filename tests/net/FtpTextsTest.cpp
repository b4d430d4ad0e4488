#include "NetworkErrors.h"
#include "FtpTexts.h"

#include <gtest/gtest.h>

using namespace kestrune::net;

namespace {
TEST(FtpPortArgument, JoinsAddressAndPortBytes) {
    const struct {
        const char* Ip;
        uint16_t Port;
        const char* Expected;
    } cases[] = {
        {"192.168.1.10", 5001, "192,168,1,10,19,137"},
        {"127.0.0.1", 0, "127,0,0,1,0,0"},
        {"10.0.0.254", 255, "10,0,0,254,0,255"},
        {"10.0.0.254", 256, "10,0,0,254,1,0"},
        {"255.255.255.255", 65535, "255,255,255,255,255,255"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ftptexts::portArgument(c.Ip, c.Port), c.Expected) << c.Ip << ":" << c.Port;
}

TEST(FtpPortArgument, RefusesWhatIsNotADottedQuad) {
    for (const char* ip : {"", "::1", "1.2.3", "1.2.3.4.5", "1.2.3.256", "a.b.c.d", "1.2.3.4,5"})
        EXPECT_THROW(ftptexts::portArgument(ip, 21), NetworkError) << ip;
}

TEST(FtpPassiveReply, ReadsHostAndPort) {
    const struct {
        const char* Line;
        const char* Host;
        uint16_t Port;
    } cases[] = {
        {"Entering Passive Mode (127,0,0,1,4,1)", "127.0.0.1", 1025},
        {"Entering Passive Mode (192,168,1,10,19,137).", "192.168.1.10", 5001},
        {"Entering Passive Mode 10,1,2,3,0,21", "10.1.2.3", 21},
        {"=(1, 2, 3, 4, 255, 255)", "1.2.3.4", 65535},
    };
    for (const auto& c : cases) {
        const auto address = ftptexts::parsePassiveReply(c.Line);
        EXPECT_EQ(address.host, c.Host) << c.Line;
        EXPECT_EQ(address.port, c.Port) << c.Line;
    }
}

TEST(FtpPassiveReply, RefusesMalformedAddresses) {
    for (const char* line : {"", "Entering Passive Mode", "(1,2,3,4,5)", "(1,2,3,4,5,6,7)", "(1,2,3,4,256,1)",
                             "(1,2,3,-4,5,6)", "(a,b,c,d,e,f)", "(1,2,3,4,5,)", "Mode 1,2,3,4,5,6x"})
        EXPECT_THROW(ftptexts::parsePassiveReply(line), NetworkError) << line;
}

TEST(FtpCommandLine, RefusesLineBreaksAndNul) {
    EXPECT_TRUE(ftptexts::fitsOnCommandLine("index.html"));
    EXPECT_TRUE(ftptexts::fitsOnCommandLine("web/ip page.html"));
    EXPECT_TRUE(ftptexts::fitsOnCommandLine(""));
    EXPECT_FALSE(ftptexts::fitsOnCommandLine("a\rb"));
    EXPECT_FALSE(ftptexts::fitsOnCommandLine("a\nb"));
    EXPECT_FALSE(ftptexts::fitsOnCommandLine(std::string_view("a\0b", 3)));
}
} // namespace

TEST(FtpText, ExtendedPassiveReplyGivesOnlyAPort) {
    EXPECT_EQ(ftptexts::parseExtendedPassiveReply("229 Entering Extended Passive Mode (|||6446|)"), 6446);
    EXPECT_EQ(ftptexts::parseExtendedPassiveReply("229 ok (!!!1!)"), 1);
    for (const char* bad : {"229 ok", "229 (|||0|)", "229 (|||65536|)", "229 (||1|2|)", "229 (|||64a|)", "229 (|||6446)",
                            "229 (|||6446!)", "229 (   21 )"})
        EXPECT_THROW(ftptexts::parseExtendedPassiveReply(bad), NetworkError) << bad;
}
