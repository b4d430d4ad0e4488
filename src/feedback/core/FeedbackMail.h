#pragma once

#include <string>
#include <string_view>

// Where router data goes; the user's own mail program sends it, so the user sees the message first.
inline constexpr std::string_view kFeedbackAddress = "kestrune-feedback@users.noreply.github.com";
inline constexpr std::string_view kFeedbackSubject = "Router Date Returned From Kestrune";

// What the feedback form sends: its own fields and the main window's keyword and skip count.
struct TFeedbackData {
    std::string Url;               // Edit1, the page address without "http://"
    std::string Manufacturer;      // Edit2
    std::string Model;             // Edit3
    bool DefaultLoginRequired = false;  // CheckBox1
    std::string DefaultUsername;   // Edit4
    std::string DefaultPassword;   // Edit5
    std::string Keyword;           // edKeyword of the main window
    std::string SkipCount;         // edChartoSkip of the main window
};

// The message text, lines ended by CR LF, with an empty line after the closing request for a comment.
std::string FeedbackBody(const TFeedbackData& data);

// Percent-encodes every byte a "mailto:" field value may not hold as it is ("&", "=", "#", "%", "?", "+",
// blanks, controls, non-ASCII UTF-8 bytes), so the mail program gets every field whole.
std::string PercentEncodeMailtoValue(std::string_view value);

// "mailto:" + address + "?subject=" + the encoded subject + "&body=" + the encoded body; line breaks appear
// as "%0D%0A".
std::string FeedbackMailtoLink(const TFeedbackData& data, std::string_view address = kFeedbackAddress);
