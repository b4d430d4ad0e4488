#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kestrune::actions {

// Every "{IP}" in the line, in any letter case, replaced by the address.
std::string replaceIpMarkers(std::string_view line, std::string_view address);

// The template's lines with their markers replaced, each ended by CR LF (also a last line without a line end);
// an empty template gives an empty text.
std::string fillTemplate(std::string_view templateText, std::string_view address);

// Builds the upload file from the template. Raises FileActionError naming the file that could not be read or
// written, a template that is not a regular file or is over 16 MiB included; the template is read before the
// upload file is touched.
void makeUploadFile(const std::filesystem::path& templateFile, const std::filesystem::path& uploadFile,
              std::string_view address);

// The name the upload stores the file under: the text after the last backslash or colon, the whole text when
// it has neither. A forward slash is not a separator.
std::string remoteFileName(std::string_view remote);

} // namespace kestrune::actions
