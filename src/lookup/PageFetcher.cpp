#include "PageFetcher.h"

#include "FlagScope.h"
#include "HttpClient.h"
#include "Lookup.h"
#include "LookupRecord.h"

namespace kestrune::lookup {

PageFetcher::PageFetcher() : m_http(std::make_unique<net::HttpClient>()) {}

PageFetcher::~PageFetcher() = default;

void PageFetcher::setLogin(const std::string& username, const std::string& password)
{
    m_http->request.username = username;
    m_http->request.password = password;
}

void PageFetcher::fetch(const std::string& url, bool anyCertificate, std::string& body)
{
    m_http->acceptAnyCertificate = anyCertificate && isHttpsUrl(url);
    const net::FlagScope scope(m_busy);
    m_http->get(userDefinedPageUrl(url), body);
}

} // namespace kestrune::lookup
