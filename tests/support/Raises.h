#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>

namespace testsupport {

// Runs action, which must raise an E with exactly the given text. The caught exception is returned for
// further checks; nothing (and a test failure) when the action raised nothing.
template <class E, class Action>
std::optional<E> ExpectRaise(Action action, const char *text)
{
    try {
        action();
    } catch (const E &e) {
        EXPECT_STREQ(e.what(), text);
        return e;
    }
    ADD_FAILURE() << "nothing was raised; expected: " << text;
    return std::nullopt;
}

// As ExpectRaise, for an E whose text names each of parts (a file name, say) among other words.
template <class E, class Action>
std::optional<E> ExpectRaiseNaming(Action action, std::initializer_list<std::string> parts)
{
    try {
        action();
    } catch (const E &e) {
        for (const std::string &part : parts)
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what() << " does not name " << part;
        return e;
    }
    ADD_FAILURE() << "nothing was raised";
    return std::nullopt;
}

} // namespace testsupport
