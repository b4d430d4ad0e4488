#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A numeric reply of the kind SMTP and FTP send ("250-first" ... "250 last").
class TNetRFCReply {
public:
    int16_t NumericCode = 0;
    std::string TextCode;
    std::vector<std::string> Text;

    void Clear();
    // Fills the reply from its raw lines (first line first).
    void ParseLines(const std::vector<std::string>& lines);
    // The Text lines, each followed by CR LF.
    std::string TextWithLineEnds() const;
};
