#pragma once

#include <string>

namespace kestrune::feedback {

// The selected lookup's fields that go into the feedback, as typed (UTF-8).
struct LookupFields {
    std::string pageAddress; // the user-defined page's address
    std::string keyword;
    std::string skipCount;
};

// What the feedback form needs from the window it belongs to. The window fills it in, so the form knows no
// window class; texts are UTF-8.
class FeedbackHost {
public:
    virtual ~FeedbackHost() = default;
    // Read when the form is shown (the address) and when it composes (keyword and skip count).
    virtual LookupFields lookupFields() const = 0;
    // Hands a "mailto:" link to the user's mail program; false when none could be opened.
    virtual bool openMailLink(const std::string& link) = 0;
    virtual void showMessage(const std::string& text) = 0;
    virtual void copyToClipboard(const std::string& text) = 0;
};

} // namespace kestrune::feedback
