#pragma once

#include <stdexcept>
#include <string>

// Errors of the change actions' local files; the message names the file and the cause and is shown to the user
// as it is.
class EActionError : public std::runtime_error {
public:
    explicit EActionError(const std::string& message) : std::runtime_error(message) {}
};

// A file could not be read, created or written.
class EActionFileError : public EActionError {
    using EActionError::EActionError;
};
