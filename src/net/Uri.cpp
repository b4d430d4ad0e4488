#include "Uri.h"

#include <algorithm>
#include <arpa/inet.h>
#include <vector>

namespace kestrune::net {

void Uri::setUri(const std::string& url) {
    protocol.clear();
    username.clear();
    password.clear();
    host.clear();
    port.clear();
    path.clear();
    document.clear();
    params.clear();
    bookmark.clear();

    std::string text = url;
    std::replace(text.begin(), text.end(), '\\', '/');

    std::string resource;
    const auto scheme = text.find("://");
    if (scheme != std::string::npos) {
        protocol = text.substr(0, scheme);
        const std::string rest = text.substr(scheme + 3);
        const auto slash = rest.find('/');
        std::string authority = rest.substr(0, slash);
        resource = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
        const auto at = authority.find('@');
        if (at != std::string::npos) {
            const std::string credentials = authority.substr(0, at);
            const auto colon = credentials.find(':');
            username = credentials.substr(0, colon);
            if (colon != std::string::npos && !username.empty())
                password = credentials.substr(colon + 1);
            authority = authority.substr(at + 1);
        }
        // An IPv6 literal comes in brackets, its own colons not being the port's; brackets around anything
        // else are no literal, and the text is split as a name.
        const auto close = authority.starts_with('[') ? authority.find(']') : std::string::npos;
        in6_addr literal{};
        if (close != std::string::npos &&
            ::inet_pton(AF_INET6, authority.substr(1, close - 1).c_str(), &literal) == 1) {
            host = authority.substr(1, close - 1);
            if (authority.compare(close + 1, 1, ":") == 0)
                port = authority.substr(close + 2);
        } else {
            const auto colon = authority.find(':');
            host = authority.substr(0, colon);
            if (colon != std::string::npos)
                port = authority.substr(colon + 1);
        }
    } else {
        resource = text;
    }

    auto split = resource.find('?');
    if (split == std::string::npos)
        split = resource.find('=');
    if (split == std::string::npos)
        split = resource.size();
    const auto lastSlash = split == 0 ? std::string::npos : resource.rfind('/', split - 1);
    const std::string lead = scheme != std::string::npos ? "/" : "";
    if (lastSlash == std::string::npos) {
        path = lead;
        document = resource.substr(0, split);
    } else {
        path = lead + resource.substr(0, lastSlash + 1);
        document = resource.substr(lastSlash + 1, split - lastSlash - 1);
    }
    params = resource.substr(split);

    auto hash = document.find('#');
    if (hash != std::string::npos) {
        bookmark = document.substr(hash + 1);
        document.erase(hash);
    } else if ((hash = params.find('#')) != std::string::npos) {
        bookmark = params.substr(hash + 1);
        params.erase(hash);
    }
}

std::string Uri::normalizePath(const std::string& path) {
    std::vector<std::string> segments;
    std::size_t start = 0;
    const bool trailingSlash = !path.empty() && path.back() == '/';
    while (start <= path.size()) {
        auto end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        std::string segment = path.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string result = "/";
    for (const auto& s : segments)
        result += s + "/";
    if (!trailingSlash && result.size() > 1)
        result.pop_back();
    return result;
}

std::string Uri::resolvePath(const std::string& base, const std::string& path) {
    std::string joined = base.empty() ? std::string("/") : base;
    if (joined.back() != '/')
        joined += '/';
    joined += path;
    std::string result = normalizePath(joined);
    if (result.back() != '/')
        result += '/';
    return result;
}

} // namespace kestrune::net
