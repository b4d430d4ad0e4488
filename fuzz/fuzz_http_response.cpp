// The HTTP client reading whatever a server sends: status line, header list, cookies, and the body by
// length, in chunks or until the close, over the in-memory transport. The URL and credentials are fuzzed
// too, and every request the client writes must stay a clean head: CR LF line ends only, no NUL.
#include "FuzzInput.h"
#include "NetExceptions.h"
#include "NetHTTP.h"
#include "NetIOHandlerMemory.h"

namespace {

// Every CR is followed by LF, every LF preceded by CR, and nothing carries a NUL.
bool OnlyCrLfLineEnds(const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\0')
            return false;
        if (c == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))
            return false;
        if (c == '\n' && (i == 0 || bytes[i - 1] != '\r'))
            return false;
    }
    return true;
}

void Fetch(TNetHTTP& http, const std::string& url) {
    std::string body;
    try {
        http.Get(url, body);
    } catch (const ENetException&) {
        // Failing is fine; failing without bound or corrupting memory is not.
    }
    FUZZ_CHECK(body.size() <= http.MaxBodySize);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    TFuzzInput in(data, size);
    const uint8_t flags = in.Byte();
    std::string url = in.Field();
    const std::string user = in.Field();
    const std::string password = in.Field();
    if (url.empty())
        url = "http://router.test/status.htm";

    TNetIOHandlerMemory io;
    static const std::size_t chunks[] = {0, 1, 2, 3, 7, 16, 512, 0};
    io.MaxRecvChunk = chunks[flags & 7];
    io.FeedInput(in.Rest());

    TNetHTTP http;
    http.SetIOHandler(&io);
    if (flags & 8) {
        // Small bounds, so short inputs reach the limits of body and header block.
        http.MaxBodySize = 100;
        http.MaxHeaderBlockSize = 256;
    }
    if (flags & 16) {
        http.Request.Username = user;
        http.Request.Password = password;
    }
    if (flags & 32)
        http.ProtocolVersion = pv1_0;

    // The second fetch reuses a kept-alive connection and sends back the cookies of the first.
    Fetch(http, url);
    Fetch(http, url);

    const std::string& written = io.Written();
    FUZZ_CHECK(OnlyCrLfLineEnds(written));
    FUZZ_CHECK(written.empty() || written.size() >= 4);
    FUZZ_CHECK(written.empty() || written.compare(written.size() - 4, 4, "\r\n\r\n") == 0);
    FUZZ_CHECK(written.empty() || written.rfind("GET ", 0) == 0);
    return 0;
}
