#include "NetCookieManager.h"

#include "NetStrings.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

std::vector<std::string> SplitAttributes(const std::string& value) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= value.size()) {
        auto end = value.find(';', start);
        if (end == std::string::npos)
            end = value.size();
        parts.push_back(NetStr::Trim(std::string_view(value).substr(start, end - start)));
        start = end + 1;
    }
    return parts;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Unquote(const std::string& text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

// True when host equals domain or lies below it.
bool DomainMatches(const std::string& host, std::string domain) {
    if (!domain.empty() && domain.front() == '.')
        domain.erase(0, 1);
    if (domain.empty())
        return false;
    const std::string h = Lower(host), d = Lower(domain);
    if (h == d)
        return true;
    return h.size() > d.size() && h.compare(h.size() - d.size(), d.size(), d) == 0 && h[h.size() - d.size() - 1] == '.';
}

std::string DefaultPath(const std::string& requestPath) {
    const auto slash = requestPath.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return "/";
    return requestPath.substr(0, slash);
}

int MonthIndex(const std::string& token) {
    static const char* months[] = {"jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    const std::string t = Lower(token.substr(0, 3));
    for (int i = 0; i < 12; ++i)
        if (t == months[i])
            return i;
    return -1;
}

} // namespace

std::time_t TNetCookieManager::ParseCookieDate(const std::string& text) {
    int day = -1, month = -1, year = -1, hour = -1, minute = 0, second = 0;
    std::string token;
    auto take = [&](const std::string& t) {
        if (t.empty())
            return;
        if (t.find(':') != std::string::npos && hour < 0) {
            if (std::sscanf(t.c_str(), "%d:%d:%d", &hour, &minute, &second) < 2)
                hour = -1;
            return;
        }
        const bool digits = std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (digits) {
            const int value = static_cast<int>(NetStr::ToInt64Def(t, -1));
            if (t.size() <= 2 && day < 0)
                day = value;
            else if (year < 0)
                year = t.size() <= 2 ? (value < 70 ? 2000 + value : 1900 + value) : value;
            return;
        }
        if (month < 0)
            month = MonthIndex(t);
    };
    for (char c : text) {
        if (c == ' ' || c == ',' || c == '-' || c == '\t') {
            take(token);
            token.clear();
        } else {
            token += c;
        }
    }
    take(token);
    if (day < 1 || day > 31 || month < 0 || year < 1601 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 60)
        return -1;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return ::timegm(&tm);
}

void TNetCookieManager::AddCookie(const std::string& setCookieValue, const std::string& requestHost,
                                  const std::string& requestPath) {
    // A line break or NUL would be written into our own "Cookie" header: never store such a cookie.
    if (NetStr::HasLineBreakOrNul(setCookieValue))
        return;
    const auto parts = SplitAttributes(setCookieValue);
    if (parts.empty())
        return;
    const auto eq = parts[0].find('=');
    if (eq == std::string::npos || eq == 0)
        return;
    TNetCookie cookie;
    cookie.Name = NetStr::Trim(std::string_view(parts[0]).substr(0, eq));
    cookie.Value = Unquote(NetStr::Trim(std::string_view(parts[0]).substr(eq + 1)));
    cookie.Path = DefaultPath(requestPath);
    cookie.Domain = requestHost;
    cookie.HostOnly = true;
    bool haveMaxAge = false;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const auto aeq = parts[i].find('=');
        const std::string name = Lower(NetStr::Trim(std::string_view(parts[i]).substr(0, aeq)));
        const std::string value =
            aeq == std::string::npos ? std::string() : Unquote(NetStr::Trim(std::string_view(parts[i]).substr(aeq + 1)));
        if (name == "domain" && !value.empty()) {
            if (!DomainMatches(requestHost, value))
                return;  // a cookie for another site
            cookie.Domain = value.front() == '.' ? value.substr(1) : value;
            cookie.HostOnly = false;
        } else if (name == "path" && !value.empty() && value.front() == '/') {
            cookie.Path = value;
        } else if (name == "secure") {
            cookie.Secure = true;
        } else if (name == "max-age") {
            const long long seconds = NetStr::ToInt64Def(value, 0);
            cookie.HasExpiry = true;
            cookie.Expires = seconds <= 0 ? 0 : std::time(nullptr) + static_cast<std::time_t>(seconds);
            haveMaxAge = true;
        } else if (name == "expires" && !haveMaxAge) {
            const std::time_t when = ParseCookieDate(value);
            if (when >= 0) {
                cookie.HasExpiry = true;
                cookie.Expires = when;
            }
        }
    }
    Store(std::move(cookie));
}

void TNetCookieManager::AddCookie2(const std::string& setCookie2Value, const std::string& requestHost,
                                   const std::string& requestPath) {
    // Several cookies may share one value, separated by commas outside quotes.
    std::string current;
    bool quoted = false;
    for (char c : setCookie2Value) {
        if (c == '"')
            quoted = !quoted;
        if (c == ',' && !quoted) {
            AddCookie(current, requestHost, requestPath);
            current.clear();
        } else {
            current += c;
        }
    }
    AddCookie(current, requestHost, requestPath);
}

void TNetCookieManager::Store(TNetCookie cookie) {
    auto same = [&](const TNetCookie& c) {
        return c.Name == cookie.Name && NetStr::EqualsNoCase(c.Domain, cookie.Domain) && c.Path == cookie.Path;
    };
    fCookies.erase(std::remove_if(fCookies.begin(), fCookies.end(), same), fCookies.end());
    if (cookie.HasExpiry && cookie.Expires <= std::time(nullptr))
        return;  // a server deletes a cookie by sending it expired
    fCookies.push_back(std::move(cookie));
}

void TNetCookieManager::RemoveExpired(std::time_t now) {
    fCookies.erase(std::remove_if(fCookies.begin(), fCookies.end(),
                                  [now](const TNetCookie& c) { return c.HasExpiry && c.Expires <= now; }),
                   fCookies.end());
}

std::string TNetCookieManager::CookieHeader(const std::string& host, const std::string& path,
                                            bool secureChannel) const {
    std::vector<const TNetCookie*> matching;
    for (const auto& c : fCookies) {
        if (c.Value.empty() || (c.Secure && !secureChannel))
            continue;
        const bool domainOk = c.HostOnly ? NetStr::EqualsNoCase(c.Domain, host) : DomainMatches(host, c.Domain);
        if (domainOk && path.compare(0, c.Path.size(), c.Path) == 0)
            matching.push_back(&c);
    }
    std::stable_sort(matching.begin(), matching.end(),
                     [](const TNetCookie* a, const TNetCookie* b) { return a->Path > b->Path; });
    std::string header;
    for (const auto* c : matching) {
        if (!header.empty())
            header += "; ";
        header += c->Name + "=" + c->Value;
    }
    return header;
}
