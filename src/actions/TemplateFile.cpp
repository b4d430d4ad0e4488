#include "TemplateFile.h"

#include "ActionErrors.h"
#include "ActionFiles.h"

#include <cerrno>

#include <sys/stat.h>

namespace kestrune::actions {

namespace {

constexpr std::string_view kMarker = "{ip}";
constexpr std::string_view kMarker6 = "{ip6}";

bool isMarkerAt(std::string_view line, std::size_t pos, std::string_view marker = kMarker)
{
    if (line.size() - pos < marker.size())
        return false;
    for (std::size_t i = 0; i < marker.size(); ++i) {
        char c = line[pos + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != marker[i])
            return false;
    }
    return true;
}

// Far above any web page, far below what would exhaust memory.
constexpr std::size_t kMaxTemplateSize = 16 << 20;

std::string readWholeFile(const std::filesystem::path& file)
{
    FileHandle in(openRegularForReading(file, "Could not open the upload template"));
    const std::string readError = "Could not read the upload template";
    const std::string tooLarge = readError + " \"" + file.string() + "\": it is larger than 16 MiB";
    struct stat st {};
    if (::fstat(in.get(), &st) != 0)
        throw FileActionError(fileErrorText(readError, file, errno));
    if (st.st_size > static_cast<off_t>(kMaxTemplateSize))
        throw FileActionError(tooLarge);
    std::string text;
    char buffer[65536];
    for (;;) {
        long n = readSome(in.get(), buffer, sizeof buffer);
        if (n < 0)
            throw FileActionError(fileErrorText(readError, file, errno));
        if (n == 0)
            return text;
        // The file may have grown since its size was taken.
        if (text.size() + static_cast<std::size_t>(n) > kMaxTemplateSize)
            throw FileActionError(tooLarge);
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

} // namespace

std::string replaceIpMarkers(std::string_view line, std::string_view address,
                             std::optional<std::string_view> address6)
{
    std::string result;
    result.reserve(line.size());
    std::size_t pos = 0;
    while (pos < line.size()) {
        std::size_t brace = line.find('{', pos);
        if (brace == std::string_view::npos) {
            result.append(line.substr(pos));
            break;
        }
        result.append(line.substr(pos, brace - pos));
        if (isMarkerAt(line, brace)) {
            result.append(address);
            pos = brace + kMarker.size();
        } else if (address6 && isMarkerAt(line, brace, kMarker6)) {
            result.append(*address6);
            pos = brace + kMarker6.size();
        } else {
            result.push_back('{');
            pos = brace + 1;
        }
    }
    return result;
}

std::string fillTemplate(std::string_view templateText, std::string_view address,
                         std::optional<std::string_view> address6)
{
    std::string result;
    while (!templateText.empty()) {
        std::size_t nl = templateText.find('\n');
        std::string_view line = templateText.substr(0, nl);
        templateText.remove_prefix(nl == std::string_view::npos ? templateText.size() : nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        result += replaceIpMarkers(line, address, address6);
        result += "\r\n";
    }
    return result;
}

void makeUploadFile(const std::filesystem::path& templateFile, const std::filesystem::path& uploadFile,
              std::string_view address, std::optional<std::string_view> address6)
{
    replaceFileContents(uploadFile, fillTemplate(readWholeFile(templateFile), address, address6), "upload file");
}

std::string remoteFileName(std::string_view remote)
{
    std::size_t separator = remote.find_last_of("\\:");
    return std::string(separator == std::string_view::npos ? remote : remote.substr(separator + 1));
}

} // namespace kestrune::actions
