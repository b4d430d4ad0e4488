// URL splitting and path resolution: any text must split into parts that keep their shape.
#include "FuzzInput.h"
#include "Uri.h"

#include <arpa/inet.h>

using namespace kestrune::net;

namespace {

bool HasDotSegment(const std::string& path) {
    return path.find("//") != std::string::npos || path.find("/./") != std::string::npos ||
           path.find("/../") != std::string::npos || path.ends_with("/.") || path.ends_with("/..");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::string base = in.Field();
    const std::string url = in.Rest();

    Uri uri(url);
    const bool withScheme = url.find("://") != std::string::npos;
    FUZZ_CHECK(uri.path.empty() || uri.path.back() == '/');
    FUZZ_CHECK(!withScheme || uri.path.front() == '/');
    FUZZ_CHECK(uri.document.find('/') == std::string::npos);
    FUZZ_CHECK(uri.document.find('#') == std::string::npos);
    in6_addr literal{};
    FUZZ_CHECK(uri.host.find('/') == std::string::npos);
    FUZZ_CHECK(uri.host.find(':') == std::string::npos || inet_pton(AF_INET6, uri.host.c_str(), &literal) == 1);
    FUZZ_CHECK(uri.username.find_first_of(":@/") == std::string::npos);
    FUZZ_CHECK(!uri.username.empty() || uri.password.empty());
    FUZZ_CHECK(uri.params.empty() || uri.params.front() == '?' || uri.params.front() == '=');
    FUZZ_CHECK((uri.path + uri.document + uri.params).find('\\') == std::string::npos);

    // Re-splitting is stable for what the request line is built from (a "#" left in the parameters after
    // the document's bookmark was cut would be cut in turn, which is fine).
    if (withScheme && uri.params.find('#') == std::string::npos) {
        const std::string resource = uri.path + uri.document + uri.params;
        Uri again("http://h" + resource);
        FUZZ_CHECK(again.path == uri.path);
        FUZZ_CHECK(again.document == uri.document);
        FUZZ_CHECK(again.params == uri.params);
    }

    const std::string normal = Uri::normalizePath(url);
    FUZZ_CHECK(!normal.empty() && normal.front() == '/');
    FUZZ_CHECK(!HasDotSegment(normal));
    FUZZ_CHECK(Uri::normalizePath(normal) == normal);

    const std::string resolved = Uri::resolvePath(base, uri.path);
    FUZZ_CHECK(resolved.front() == '/' && resolved.back() == '/');
    FUZZ_CHECK(!HasDotSegment(resolved));
    return 0;
}
