#pragma once

#include <string>
#include <string_view>

namespace kestrune::feedback {

// Where router data goes; the user's own mail program sends it, so the user sees the message first.
inline constexpr std::string_view kFeedbackAddress = "kestrune-feedback@users.noreply.github.com";
inline constexpr std::string_view kFeedbackSubject = "Router Date Returned From Kestrune";

// What the feedback form sends: its own fields and the main window's keyword and skip count.
struct FeedbackData {
    std::string url;               // Edit1, the page address without "http://"
    std::string manufacturer;      // Edit2
    std::string model;             // Edit3
    bool defaultLoginRequired = false;  // CheckBox1
    std::string defaultUsername;   // Edit4
    std::string defaultPassword;   // Edit5
    std::string keyword;           // edKeyword of the main window
    std::string skipCount;         // edChartoSkip of the main window
};

// The message text, lines ended by CR LF, with an empty line after the closing request for a comment.
std::string feedbackBody(const FeedbackData& data);

// Percent-encodes every byte a "mailto:" field value may not hold as it is ("&", "=", "#", "%", "?", "+",
// blanks, controls, non-ASCII UTF-8 bytes), so the mail program gets every field whole.
std::string percentEncodeMailtoValue(std::string_view value);

// "mailto:" + address + "?subject=" + the encoded subject + "&body=" + the encoded body; line breaks appear
// as "%0D%0A".
std::string feedbackMailtoLink(const FeedbackData& data, std::string_view address = kFeedbackAddress);

} // namespace kestrune::feedback
