#include "FeedbackMail.h"

namespace kestrune::feedback {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool keptAsIs(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("-._~!$'()*,;:@/").find(static_cast<char>(c)) != std::string_view::npos;
}

void addLine(std::string& body, std::string_view label, std::string_view value)
{
    body += label;
    body += value;
    body += kLineEnd;
}

} // namespace

std::string feedbackBody(const FeedbackData& data)
{
    std::string body;
    addLine(body, "Manufacturer: ", data.manufacturer);
    addLine(body, "Model: ", data.model);
    addLine(body, "Default URL: http://", data.url);
    if (data.defaultLoginRequired) {
        addLine(body, "A default username and password is required.", "");
        addLine(body, "Default Username: ", data.defaultUsername);
        addLine(body, "Default password: ", data.defaultPassword);
    }
    addLine(body, "Keywords: ", data.keyword);
    addLine(body, "Search Value: ", data.skipCount);
    addLine(body, std::string(42, '-'), "");
    addLine(body, "Please add a comment here if you wish... Thanks.", "");
    body += kLineEnd;
    return body;
}

std::string percentEncodeMailtoValue(std::string_view value)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(value.size() * 3);
    for (char ch : value) {
        auto c = static_cast<unsigned char>(ch);
        if (keptAsIs(c)) {
            encoded.push_back(ch);
        } else {
            encoded.push_back('%');
            encoded.push_back(kHex[c >> 4]);
            encoded.push_back(kHex[c & 0x0F]);
        }
    }
    return encoded;
}

std::string feedbackMailtoLink(const FeedbackData& data, std::string_view address)
{
    return "mailto:" + std::string(address) + "?subject=" + percentEncodeMailtoValue(kFeedbackSubject) +
           "&body=" + percentEncodeMailtoValue(feedbackBody(data));
}

} // namespace kestrune::feedback
