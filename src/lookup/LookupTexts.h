#pragma once

#include <string_view>

// Texts of the lookup, the user-defined list and the page inspector, used byte for byte.
namespace LookupText {
inline constexpr std::string_view Retrieving = "Retrieving external IP address...";
inline constexpr std::string_view ErrorTitle = "Kestrune Error";
inline constexpr std::string_view ErrorPrefix = "The Lookup Service has reported an error: ";
inline constexpr std::string_view RequiredEntryMissing = "Required entry is missing!";
inline constexpr std::string_view NeedUserDefined =
    "User-defined lookup radio button needs to be \r\nselected for Get IP button to work.";

inline constexpr std::string_view URLMissing = "The URL is missing!";
inline constexpr std::string_view KeywordMissing = "You need to selecte a Keyword!";
inline constexpr std::string_view PasswordRequired = "Password required.";
inline constexpr std::string_view UsernameRequired = "Username required.";
inline constexpr std::string_view NameCaption = "User-defined Kestrune";
inline constexpr std::string_view NamePrompt = "Name";
inline constexpr std::string_view NameExists = "Name already exists. Continue?";

inline constexpr std::string_view UnableToConnect = "Unable to connect to webpage";
inline constexpr std::string_view KeywordNotUnique = "The keyword is not unique";
inline constexpr std::string_view IPNotFound = "Failed to find IP address. Please check you entered it correctly.";
inline constexpr std::string_view NoSuitableKeyword = "Failed to find suitable keyword.";
// A marked keyword holding bytes that are not UTF-8 could not be kept in the keyword field as they are.
inline constexpr std::string_view KeywordNotText =
    "The keyword holds bytes that are not text; select a keyword without them.";
} // namespace LookupText
