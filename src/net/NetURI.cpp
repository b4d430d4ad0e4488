#include "NetURI.h"

#include <algorithm>
#include <vector>

void TNetURI::SetURI(const std::string& url) {
    Protocol.clear();
    Username.clear();
    Password.clear();
    Host.clear();
    Port.clear();
    Path.clear();
    Document.clear();
    Params.clear();
    Bookmark.clear();

    std::string text = url;
    std::replace(text.begin(), text.end(), '\\', '/');

    std::string resource;
    const auto scheme = text.find("://");
    if (scheme != std::string::npos) {
        Protocol = text.substr(0, scheme);
        const std::string rest = text.substr(scheme + 3);
        const auto slash = rest.find('/');
        std::string authority = rest.substr(0, slash);
        resource = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
        const auto at = authority.find('@');
        if (at != std::string::npos) {
            const std::string credentials = authority.substr(0, at);
            const auto colon = credentials.find(':');
            Username = credentials.substr(0, colon);
            if (colon != std::string::npos && !Username.empty())
                Password = credentials.substr(colon + 1);
            authority = authority.substr(at + 1);
        }
        const auto colon = authority.find(':');
        Host = authority.substr(0, colon);
        if (colon != std::string::npos)
            Port = authority.substr(colon + 1);
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
        Path = lead;
        Document = resource.substr(0, split);
    } else {
        Path = lead + resource.substr(0, lastSlash + 1);
        Document = resource.substr(lastSlash + 1, split - lastSlash - 1);
    }
    Params = resource.substr(split);

    auto hash = Document.find('#');
    if (hash != std::string::npos) {
        Bookmark = Document.substr(hash + 1);
        Document.erase(hash);
    } else if ((hash = Params.find('#')) != std::string::npos) {
        Bookmark = Params.substr(hash + 1);
        Params.erase(hash);
    }
}

std::string TNetURI::NormalizePath(const std::string& path) {
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

std::string TNetURI::ResolvePath(const std::string& base, const std::string& path) {
    std::string joined = base.empty() ? std::string("/") : base;
    if (joined.back() != '/')
        joined += '/';
    joined += path;
    std::string result = NormalizePath(joined);
    if (result.back() != '/')
        result += '/';
    return result;
}
