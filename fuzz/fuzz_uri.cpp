// URL splitting and path resolution: any text must split into parts that keep their shape.
#include "FuzzInput.h"
#include "NetURI.h"

namespace {

bool HasDotSegment(const std::string& path) {
    return path.find("//") != std::string::npos || path.find("/./") != std::string::npos ||
           path.find("/../") != std::string::npos || path.ends_with("/.") || path.ends_with("/..");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    TFuzzInput in(data, size);
    const std::string base = in.Field();
    const std::string url = in.Rest();

    TNetURI uri(url);
    const bool withScheme = url.find("://") != std::string::npos;
    FUZZ_CHECK(uri.Path.empty() || uri.Path.back() == '/');
    FUZZ_CHECK(!withScheme || uri.Path.front() == '/');
    FUZZ_CHECK(uri.Document.find('/') == std::string::npos);
    FUZZ_CHECK(uri.Document.find('#') == std::string::npos);
    FUZZ_CHECK(uri.Host.find_first_of(":/") == std::string::npos);
    FUZZ_CHECK(uri.Username.find_first_of(":@/") == std::string::npos);
    FUZZ_CHECK(!uri.Username.empty() || uri.Password.empty());
    FUZZ_CHECK(uri.Params.empty() || uri.Params.front() == '?' || uri.Params.front() == '=');
    FUZZ_CHECK((uri.Path + uri.Document + uri.Params).find('\\') == std::string::npos);

    // Re-splitting is stable for what the request line is built from (a "#" left in the parameters after
    // the document's bookmark was cut would be cut in turn, which is fine).
    if (withScheme && uri.Params.find('#') == std::string::npos) {
        const std::string resource = uri.Path + uri.Document + uri.Params;
        TNetURI again("http://h" + resource);
        FUZZ_CHECK(again.Path == uri.Path);
        FUZZ_CHECK(again.Document == uri.Document);
        FUZZ_CHECK(again.Params == uri.Params);
    }

    const std::string normal = TNetURI::NormalizePath(url);
    FUZZ_CHECK(!normal.empty() && normal.front() == '/');
    FUZZ_CHECK(!HasDotSegment(normal));
    FUZZ_CHECK(TNetURI::NormalizePath(normal) == normal);

    const std::string resolved = TNetURI::ResolvePath(base, uri.Path);
    FUZZ_CHECK(resolved.front() == '/' && resolved.back() == '/');
    FUZZ_CHECK(!HasDotSegment(resolved));
    return 0;
}
