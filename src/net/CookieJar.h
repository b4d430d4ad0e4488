#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace kestrune::net {

struct Cookie {
    std::string name;
    std::string value;
    std::string domain;
    std::string path = "/";
    bool secure = false;
    bool hostOnly = false;
    bool hasExpiry = false;
    std::time_t expires = 0;
};

// The HTTP client's cookie store (Netscape, RFC 2109 and RFC 2965 "Set-Cookie" forms).
class CookieJar {
public:
    // Adds a "Set-Cookie" / "Set-Cookie2" value received from host; an invalid cookie is dropped.
    // A cookie with the same name, domain and path replaces the stored one.
    void addCookie(const std::string& setCookieValue, const std::string& requestHost, const std::string& requestPath);
    void addCookie2(const std::string& setCookie2Value, const std::string& requestHost, const std::string& requestPath);
    void removeExpired(std::time_t now);
    // "name=value; name2=value2" of every matching, non-secure cookie, longest path first; empty if none.
    std::string cookieHeader(const std::string& host, const std::string& path, bool secureChannel = false) const;

    const std::vector<Cookie>& cookies() const { return m_cookies; }
    void clear() { m_cookies.clear(); }

    // "Wdy, DD-Mon-YYYY HH:MM:SS GMT" and the RFC 1123 / 850 / asctime forms; -1 when not a date.
    static std::time_t parseCookieDate(const std::string& text);

private:
    void store(Cookie cookie);
    std::vector<Cookie> m_cookies;
};

} // namespace kestrune::net
