#include "FeedbackMail.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool KeptAsIs(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("-._~!$'()*,;:@/").find(static_cast<char>(c)) != std::string_view::npos;
}

void AddLine(std::string& body, std::string_view label, std::string_view value)
{
    body += label;
    body += value;
    body += kLineEnd;
}

} // namespace

std::string FeedbackBody(const TFeedbackData& data)
{
    std::string body;
    AddLine(body, "Manufacturer: ", data.Manufacturer);
    AddLine(body, "Model: ", data.Model);
    AddLine(body, "Default URL: http://", data.Url);
    if (data.DefaultLoginRequired) {
        AddLine(body, "A default username and password is required.", "");
        AddLine(body, "Default Username: ", data.DefaultUsername);
        AddLine(body, "Default password: ", data.DefaultPassword);
    }
    AddLine(body, "Keywords: ", data.Keyword);
    AddLine(body, "Search Value: ", data.SkipCount);
    AddLine(body, std::string(42, '-'), "");
    AddLine(body, "Please add a comment here if you wish... Thanks.", "");
    body += kLineEnd;
    return body;
}

std::string PercentEncodeMailtoValue(std::string_view value)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(value.size() * 3);
    for (char ch : value) {
        auto c = static_cast<unsigned char>(ch);
        if (KeptAsIs(c)) {
            encoded.push_back(ch);
        } else {
            encoded.push_back('%');
            encoded.push_back(kHex[c >> 4]);
            encoded.push_back(kHex[c & 0x0F]);
        }
    }
    return encoded;
}

std::string FeedbackMailtoLink(const TFeedbackData& data, std::string_view address)
{
    return "mailto:" + std::string(address) + "?subject=" + PercentEncodeMailtoValue(kFeedbackSubject) +
           "&body=" + PercentEncodeMailtoValue(FeedbackBody(data));
}
