#include "LogFile.h"

#include "ActionErrors.h"
#include "ActionFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrune::actions {

namespace {

constexpr std::size_t kBufferSize = 1 << 18;
constexpr std::string_view kLineEnd = "\r\n";

std::string twoDigits(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

// Collects output and hands it to the file in large writes.
class BufferedWriter {
public:
    explicit BufferedWriter(int fd) : fd(fd) { m_buffer.reserve(kBufferSize); }

    // 0 or the errno of the first failed write; later appends are dropped after a failure.
    int append(std::string_view data)
    {
        if (error != 0 || data.empty())
            return error;
        if (m_buffer.size() + data.size() > kBufferSize)
            flush();
        // Large pieces go straight to the file rather than through the buffer.
        if (m_buffer.empty() && data.size() >= kBufferSize / 4) {
            error = writeAll(fd, data);
            return error;
        }
        m_buffer.append(data);
        return error;
    }

    int flush()
    {
        if (error == 0 && !m_buffer.empty())
            error = writeAll(fd, m_buffer);
        m_buffer.clear();
        return error;
    }

    int lastError() const { return error; }

private:
    int fd;
    std::string m_buffer;
    int error = 0;
};

struct CopyResult {
    int readError = 0;
    int writeError = 0;
};

// Copies up to maxLines lines of the old log, each re-ended by CR LF (a line may end in LF or CR LF, and the
// last one in nothing). Streams the file; runs of lines that already end in CR LF go out in one piece, so a
// long log costs little more than copying it.
CopyResult copyLines(int in, BufferedWriter& out, long maxLines)
{
    CopyResult result;
    std::vector<char> buffer(kBufferSize);
    long lines = 0;
    bool heldCR = false;      // the line's last byte so far is a CR, not yet written
    bool lineStarted = false; // bytes of an unfinished line were seen

    while (lines < maxLines) {
        long n = readSome(in, buffer.data(), buffer.size());
        if (n < 0) {
            result.readError = errno;
            return result;
        }
        if (n == 0)
            break;
        const char* pos = buffer.data();
        const char* end = pos + n;
        const char* run = pos;  // start of CR LF lines not yet handed to the writer
        auto flushRun = [&](const char* upTo) {
            out.append(std::string_view(run, static_cast<std::size_t>(upTo - run)));
        };
        while (pos < end && lines < maxLines) {
            const char* nl = static_cast<const char*>(std::memchr(pos, '\n', static_cast<std::size_t>(end - pos)));
            if (nl != nullptr && !heldCR && !lineStarted && nl > pos && nl[-1] == '\r') {
                ++lines;
                pos = nl + 1;
                continue;
            }
            flushRun(pos);
            const char* segmentEnd = nl != nullptr ? nl : end;
            std::string_view segment(pos, static_cast<std::size_t>(segmentEnd - pos));
            if (heldCR && !segment.empty()) {
                out.append("\r");
                heldCR = false;
            }
            if (nl != nullptr) {
                if (!segment.empty() && segment.back() == '\r')
                    segment.remove_suffix(1);
                out.append(segment);
                out.append(kLineEnd);
                heldCR = false;
                lineStarted = false;
                ++lines;
                pos = nl + 1;
            } else {
                if (!segment.empty() && segment.back() == '\r') {
                    segment.remove_suffix(1);
                    heldCR = true;
                }
                out.append(segment);
                lineStarted = true;
                pos = end;
            }
            run = pos;
        }
        flushRun(pos);
    }
    if (lineStarted && lines < maxLines)
        out.append(kLineEnd);
    result.writeError = out.lastError();
    return result;
}

} // namespace

DateNames DateNames::english()
{
    return {{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"},
            {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"}};
}

std::string formatLogEntry(const std::tm& t, const DateNames& names, std::string_view address)
{
    char year[16];
    std::snprintf(year, sizeof year, "%04d", t.tm_year + 1900);
    std::string line = names.shortDayNames.at(static_cast<std::size_t>(t.tm_wday)) + " " + twoDigits(t.tm_mday) +
                       " " + names.shortMonthNames.at(static_cast<std::size_t>(t.tm_mon)) + " " + year + "   " +
                       twoDigits(t.tm_hour) + ":" + twoDigits(t.tm_min) + ":" + twoDigits(t.tm_sec) + "   ";
    line += "   ";
    line += address;
    return line;
}

std::string formatLogEntry(std::time_t when, const DateNames& names, std::string_view address)
{
    std::tm local {};
    ::localtime_r(&when, &local);
    return formatLogEntry(local, names, address);
}

bool writeLog(std::string_view logFileName, std::string_view entry, int maxLines)
{
    if (!fileFolderExists(logFileName))
        return false;
    const std::filesystem::path log(logFileName);

    // A link at the log's name is replaced by the new log, never read or written through: in a shared folder
    // it may have been planted to point at another of the user's files.
    struct stat st {};
    bool exists = ::lstat(log.c_str(), &st) == 0 && !S_ISLNK(st.st_mode);
    if (exists && !S_ISREG(st.st_mode))
        throw FileActionError("The log file \"" + log.string() + "\" is not a regular file.");
    if (exists && isReadOnlyFile(log))
        throw FileActionError("The log file \"" + log.string() + "\" is read-only; the new entry was not added.");

    FileHandle in;
    if (exists && maxLines > 1) {
        in = FileHandle(openRegularForReading(log, "Could not read the log file", false));
        if (::fstat(in.get(), &st) != 0)
            throw FileActionError(fileErrorText("Could not read the log file", log, errno));
    }

    FileReplacement out(log);
    if (int error = out.create(exists ? modeToKeep(st) : std::nullopt); error != 0)
        throw FileActionError(fileErrorText("Could not create the log temporary file", log, error));

    BufferedWriter writer(out.fd());
    writer.append(entry);
    writer.append(kLineEnd);
    CopyResult copied;
    if (in.isOpen())
        copied = copyLines(in.get(), writer, static_cast<long>(maxLines) - 1);
    int writeError = writer.flush();
    if (writeError == 0)
        writeError = out.finish();
    if (copied.readError != 0)
        throw FileActionError(fileErrorText("Could not read the log file", log, copied.readError));
    if (writeError != 0)
        throw FileActionError(fileErrorText("Could not write the log temporary file", out.tempPath(), writeError));
    if (int error = out.install(); error != 0)
        throw FileActionError(fileErrorText("Could not replace the log file", log, error));
    return true;
}

} // namespace kestrune::actions
