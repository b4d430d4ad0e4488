#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrune::net {

// A numeric reply of the kind SMTP and FTP send ("250-first" ... "250 last").
class ServerReply {
public:
    int16_t numericCode = 0;
    std::string textCode;
    std::vector<std::string> text;

    void clear();
    // Fills the reply from its raw lines (first line first).
    void parseLines(const std::vector<std::string>& lines);
    // The Text lines, each followed by CR LF.
    std::string textWithLineEnds() const;
};

} // namespace kestrune::net
