#include "CommandLine.h"

#include <gtest/gtest.h>

using namespace kestrune::launch;

TEST(CommandLine, OptionsAreReadAndMisuseEndsWithAUsageError)
{
    const CommandLine plain = parseCommandLine({"kestrune"});
    EXPECT_FALSE(plain.finished);
    EXPECT_FALSE(plain.options.withoutWindow());
    EXPECT_FALSE(plain.options.configFile);

    const CommandLine headless = parseCommandLine({"kestrune", "--headless", "--config", "/srv/k.ini"});
    EXPECT_FALSE(headless.finished);
    EXPECT_TRUE(headless.options.headless);
    EXPECT_FALSE(headless.options.checkOnce);
    EXPECT_EQ(headless.options.configFile, std::filesystem::path("/srv/k.ini"));
    EXPECT_TRUE(parseCommandLine({"kestrune", "--check-once"}).options.withoutWindow());

    for (const std::vector<std::string>& misuse : std::vector<std::vector<std::string>>{
             {"kestrune", "--headles"}, {"kestrune", "--config"}, {"kestrune", "--config="}, {"kestrune", "extra"},
             {"kestrune", "--set-password", "token"}, {"kestrune", "--set-password", "dns:0"},
             {"kestrune", "--status", "--headless"}, {"kestrune", "--quiet", "--verbose"}}) {
        const CommandLine line = parseCommandLine(misuse);
        EXPECT_TRUE(line.finished) << misuse.back();
        EXPECT_EQ(line.status, kExitUsage) << misuse.back();
        EXPECT_NE(line.error.find("--help"), std::string::npos) << line.error;
    }
}

TEST(CommandLine, HelpListsEveryOptionAndVersionNamesTheProgram)
{
    const CommandLine help = parseCommandLine({"kestrune", "--help"});
    EXPECT_TRUE(help.finished);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("Usage: kestrune [options]\n", 0), 0u) << help.output;
    for (const char* option : {"--config <FILE>", "--headless", "--check-once", "--help", "--version"})
        EXPECT_NE(help.output.find(option), std::string::npos) << option;

    const CommandLine version = parseCommandLine({"kestrune", "--version"});
    EXPECT_TRUE(version.finished);
    EXPECT_EQ(version.output, "Kestrune " KESTRUNE_VERSION "\n");
}
