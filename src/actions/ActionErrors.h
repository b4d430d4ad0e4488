#pragma once

#include <stdexcept>
#include <string>

namespace kestrune::actions {

// Errors of the change actions' local files; the message names the file and the cause and is shown to the user
// as it is.
class ActionError : public std::runtime_error {
public:
    explicit ActionError(const std::string& message) : std::runtime_error(message) {}
};

// A file could not be read, created or written.
class FileActionError : public ActionError {
    using ActionError::ActionError;
};

} // namespace kestrune::actions
