#pragma once

#include <memory>
#include <string>

namespace kestrune::net { class HttpClient; }

namespace kestrune::lookup {

// The page inspector's fetch of the user-defined page, with a client of its own beside the monitor's: the
// page's login, the certificate choice and one request at a time.
class PageFetcher {
public:
    PageFetcher();
    ~PageFetcher();
    PageFetcher(const PageFetcher&) = delete;
    PageFetcher& operator=(const PageFetcher&) = delete;

    // The login sent with the fetches from now on.
    void setLogin(const std::string& username, const std::string& password);
    // Fetches the user-defined page at url (as the field holds it) into body; the certificate check is waived
    // only when anyCertificate is asked for and the page is "https://". Raises the network layer's errors;
    // body keeps what arrived before a failure.
    void fetch(const std::string& url, bool anyCertificate, std::string& body);
    // A fetch waits on the network (a handler run meanwhile must not start another).
    bool busy() const { return m_busy; }

private:
    std::unique_ptr<net::HttpClient> m_http;
    bool m_busy = false;
};

} // namespace kestrune::lookup
