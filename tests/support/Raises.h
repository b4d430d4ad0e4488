#pragma once

#include <gtest/gtest.h>

#include <optional>

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

} // namespace testsupport
