#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kestrune::actions {

// Every "{IP}" in the line, in any letter case, replaced by the address; with address6 (IPv6 on), every "{IP6}"
// by it too. Without it "{IP6}" stays as written.
std::string replaceIpMarkers(std::string_view line, std::string_view address,
                             std::optional<std::string_view> address6 = std::nullopt);

// The template's lines with their markers replaced, each ended by CR LF (also a last line without a line end);
// an empty template gives an empty text.
std::string fillTemplate(std::string_view templateText, std::string_view address,
                         std::optional<std::string_view> address6 = std::nullopt);

// Builds the upload file from the template. Raises FileActionError naming the file that could not be read or
// written, a template that is not a regular file or is over 16 MiB included; the template is read before the
// upload file is touched.
void makeUploadFile(const std::filesystem::path& templateFile, const std::filesystem::path& uploadFile,
              std::string_view address, std::optional<std::string_view> address6 = std::nullopt);

// The name the upload stores the file under: the text after the last backslash or colon, the whole text when
// it has neither. A forward slash is not a separator.
std::string remoteFileName(std::string_view remote);

} // namespace kestrune::actions
