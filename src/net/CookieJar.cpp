#include "CookieJar.h"

#include "Ascii.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kestrune::net {

namespace {

std::vector<std::string> splitAttributes(const std::string& value) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= value.size()) {
        auto end = value.find(';', start);
        if (end == std::string::npos)
            end = value.size();
        parts.push_back(ascii::trim(std::string_view(value).substr(start, end - start)));
        start = end + 1;
    }
    return parts;
}

std::string lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string unquote(const std::string& text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

// True when host equals domain or lies below it.
bool domainMatches(const std::string& host, std::string domain) {
    if (!domain.empty() && domain.front() == '.')
        domain.erase(0, 1);
    if (domain.empty())
        return false;
    const std::string h = lower(host), d = lower(domain);
    if (h == d)
        return true;
    return h.size() > d.size() && h.compare(h.size() - d.size(), d.size(), d) == 0 && h[h.size() - d.size() - 1] == '.';
}

std::string defaultPath(const std::string& requestPath) {
    const auto slash = requestPath.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return "/";
    return requestPath.substr(0, slash);
}

int monthIndex(const std::string& token) {
    static const char* months[] = {"jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    const std::string t = lower(token.substr(0, 3));
    for (int i = 0; i < 12; ++i)
        if (t == months[i])
            return i;
    return -1;
}

} // namespace

std::time_t CookieJar::parseCookieDate(const std::string& text) {
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
            const int value = static_cast<int>(ascii::toInt64Def(t, -1));
            if (t.size() <= 2 && day < 0)
                day = value;
            else if (year < 0)
                year = t.size() <= 2 ? (value < 70 ? 2000 + value : 1900 + value) : value;
            return;
        }
        if (month < 0)
            month = monthIndex(t);
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

void CookieJar::addCookie(const std::string& setCookieValue, const std::string& requestHost,
                                  const std::string& requestPath) {
    // A line break or NUL would be written into our own "Cookie" header: never store such a cookie.
    if (ascii::hasLineBreakOrNul(setCookieValue))
        return;
    const auto parts = splitAttributes(setCookieValue);
    if (parts.empty())
        return;
    const auto eq = parts[0].find('=');
    if (eq == std::string::npos || eq == 0)
        return;
    Cookie cookie;
    cookie.name = ascii::trim(std::string_view(parts[0]).substr(0, eq));
    cookie.value = unquote(ascii::trim(std::string_view(parts[0]).substr(eq + 1)));
    cookie.path = defaultPath(requestPath);
    cookie.domain = requestHost;
    cookie.hostOnly = true;
    bool haveMaxAge = false;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const auto aeq = parts[i].find('=');
        const std::string name = lower(ascii::trim(std::string_view(parts[i]).substr(0, aeq)));
        const std::string value =
            aeq == std::string::npos ? std::string() : unquote(ascii::trim(std::string_view(parts[i]).substr(aeq + 1)));
        if (name == "domain" && !value.empty()) {
            if (!domainMatches(requestHost, value))
                return;  // a cookie for another site
            cookie.domain = value.front() == '.' ? value.substr(1) : value;
            cookie.hostOnly = false;
        } else if (name == "path" && !value.empty() && value.front() == '/') {
            cookie.path = value;
        } else if (name == "secure") {
            cookie.secure = true;
        } else if (name == "max-age") {
            const long long seconds = ascii::toInt64Def(value, 0);
            cookie.hasExpiry = true;
            cookie.expires = seconds <= 0 ? 0 : std::time(nullptr) + static_cast<std::time_t>(seconds);
            haveMaxAge = true;
        } else if (name == "expires" && !haveMaxAge) {
            const std::time_t when = parseCookieDate(value);
            if (when >= 0) {
                cookie.hasExpiry = true;
                cookie.expires = when;
            }
        }
    }
    store(std::move(cookie));
}

void CookieJar::addCookie2(const std::string& setCookie2Value, const std::string& requestHost,
                                   const std::string& requestPath) {
    // Several cookies may share one value, separated by commas outside quotes.
    std::string current;
    bool quoted = false;
    for (char c : setCookie2Value) {
        if (c == '"')
            quoted = !quoted;
        if (c == ',' && !quoted) {
            addCookie(current, requestHost, requestPath);
            current.clear();
        } else {
            current += c;
        }
    }
    addCookie(current, requestHost, requestPath);
}

void CookieJar::store(Cookie cookie) {
    auto same = [&](const Cookie& c) {
        return c.name == cookie.name && ascii::equalsNoCase(c.domain, cookie.domain) && c.path == cookie.path;
    };
    m_cookies.erase(std::remove_if(m_cookies.begin(), m_cookies.end(), same), m_cookies.end());
    if (cookie.hasExpiry && cookie.expires <= std::time(nullptr))
        return;  // a server deletes a cookie by sending it expired
    m_cookies.push_back(std::move(cookie));
}

void CookieJar::removeExpired(std::time_t now) {
    m_cookies.erase(std::remove_if(m_cookies.begin(), m_cookies.end(),
                                  [now](const Cookie& c) { return c.hasExpiry && c.expires <= now; }),
                   m_cookies.end());
}

std::string CookieJar::cookieHeader(const std::string& host, const std::string& path,
                                            bool secureChannel) const {
    std::vector<const Cookie*> matching;
    for (const auto& c : m_cookies) {
        if (c.value.empty() || (c.secure && !secureChannel))
            continue;
        const bool domainOk = c.hostOnly ? ascii::equalsNoCase(c.domain, host) : domainMatches(host, c.domain);
        if (domainOk && path.compare(0, c.path.size(), c.path) == 0)
            matching.push_back(&c);
    }
    std::stable_sort(matching.begin(), matching.end(),
                     [](const Cookie* a, const Cookie* b) { return a->path > b->path; });
    std::string header;
    for (const auto* c : matching) {
        if (!header.empty())
            header += "; ";
        header += c->name + "=" + c->value;
    }
    return header;
}

} // namespace kestrune::net
