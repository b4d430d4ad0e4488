// The HTTP client reading whatever a server sends: status line, header list, cookies, and the body by
// length, in chunks or until the close, over the in-memory transport. The URL and credentials are fuzzed
// too, and every request the client writes must stay a clean head: CR LF line ends only, no NUL.
#include "FuzzInput.h"
#include "NetworkErrors.h"
#include "HttpClient.h"
#include "MemoryTransport.h"

using namespace kestrune::net;

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

void Fetch(HttpClient& http, const std::string& url) {
    std::string body;
    try {
        http.get(url, body);
    } catch (const NetworkError&) {
        // Failing is fine; failing without bound or corrupting memory is not.
    }
    FUZZ_CHECK(body.size() <= http.maxBodySize);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const uint8_t flags = in.Byte();
    std::string url = in.Field();
    const std::string user = in.Field();
    const std::string password = in.Field();
    if (url.empty())
        url = "http://router.test/status.htm";

    MemoryTransport io;
    static const std::size_t chunks[] = {0, 1, 2, 3, 7, 16, 512, 0};
    io.maxRecvChunk = chunks[flags & 7];
    io.feedInput(in.Rest());

    HttpClient http;
    http.setTransport(&io);
    if (flags & 8) {
        // Small bounds, so short inputs reach the limits of body and header block.
        http.maxBodySize = 100;
        http.maxHeaderBlockSize = 256;
    }
    if (flags & 16) {
        http.request.username = user;
        http.request.password = password;
    }
    if (flags & 32)
        http.protocolVersion = HttpVersion::Http10;

    // The second fetch reuses a kept-alive connection and sends back the cookies of the first.
    Fetch(http, url);
    Fetch(http, url);

    const std::string& written = io.written();
    FUZZ_CHECK(OnlyCrLfLineEnds(written));
    FUZZ_CHECK(written.empty() || written.size() >= 4);
    FUZZ_CHECK(written.empty() || written.compare(written.size() - 4, 4, "\r\n\r\n") == 0);
    FUZZ_CHECK(written.empty() || written.rfind("GET ", 0) == 0);
    return 0;
}
