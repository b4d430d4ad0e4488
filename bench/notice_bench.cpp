// One ntfy notice as a whole command against the local nginx bench/run started (its /kestrune-notices answers
// as ntfy does), against curl -d sending the same POST, alternating; then the program's own --test-notice.
// Prints median wall times and their ratios.
//
// usage: notice_bench compare [runs]   (server named by KESTRUNE_BENCH_WWW)
//        notice_bench send ORIGIN
#include "BenchReport.h"
#include "HttpClient.h"
#include "NoticeChannels.h"
#include "NoticeSettings.h"
#include "Settings.h"
#include "Spawn.h"
#include "TempDir.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

using namespace kestrune::actions;

namespace {

constexpr const char* kCurl = "/usr/bin/curl";
constexpr const char* kToken = "tk_bench_token";
constexpr const char* kTitle = "Address changed on bench";
constexpr const char* kMessage = "The public address changed from 198.51.100.1 to 203.0.113.7.";

std::string topicUrl(const std::string& origin) { return origin + "/kestrune-notices"; }

int SendOnce(const std::string& origin)
{
    kestrune::net::HttpClient http;
    NoticeValues values;
    values.event = NoticeEvent::Address4;
    values.details = kMessage;
    const NoticeResult result =
        sendNotice(http, *noticeChannel("ntfy"), NoticeRequest{topicUrl(origin), kToken, kTitle, "{DETAILS}"}, values);
    if (result.end != NoticeEnd::Delivered)
        std::fprintf(stderr, "notice failed: %s\n", result.reason.c_str());
    return result.end == NoticeEnd::Delivered ? 0 : 1;
}

int Compare(int runs)
{
    const char* origin = std::getenv("KESTRUNE_BENCH_WWW");
    if (origin == nullptr || *origin == '\0')
        throw std::runtime_error("KESTRUNE_BENCH_WWW is not set (bench/run sets it)");
    const std::vector<std::string> curl = {kCurl, "-sS", "-H", std::string("Title: ") + kTitle, "-H",
                                           "Priority: default", "-H", std::string("Authorization: Bearer ") + kToken,
                                           "-d", kMessage, topicUrl(origin)};
    CompareCommands("ntfy notice, one POST with title, priority and token as a whole command, vs curl -d",
                {std::filesystem::read_symlink("/proc/self/exe").string(), "send", origin}, curl, runs, "{\"id\"");

    // The program itself: start, settings file, the notice, exit.
    const testsupport::TempDir folder("kestrune-notice-bench");
    kestrune::core::Settings settings = kestrune::core::defaultSettings("");
    settings.notices = {{true, "ntfy", topicUrl(origin), kToken, std::string(kestrune::core::kDefaultNoticeEvents),
                         kTitle, "{DETAILS}"}};
    const std::string file = folder.File("kestrune.ini");
    kestrune::core::saveSettingsFile(settings, file);
    CompareCommands("ntfy notice through kestrune --test-notice 1 (start, settings, POST), vs curl -d",
                {KESTRUNE_EXECUTABLE, "--quiet", "--test-notice", "1", "--config", file}, curl, runs, "{\"id\"");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        const std::string mode = argc > 1 ? argv[1] : "";
        if (mode == "send" && argc == 3)
            return SendOnce(argv[2]);
        if (mode == "compare")
            return Compare(argc > 2 ? std::atoi(argv[2]) : 20);
        std::fprintf(stderr, "usage: notice_bench compare [runs] | send ORIGIN\n");
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "notice_bench: %s\n", error.what());
        return 1;
    }
}
