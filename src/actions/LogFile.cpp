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

namespace {

constexpr std::size_t kBufferSize = 1 << 18;
constexpr std::string_view kLineEnd = "\r\n";

std::string TwoDigits(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

// Collects output and hands it to the file in large writes.
class TBufferedWriter {
public:
    explicit TBufferedWriter(int fd) : Fd(fd) { Buffer.reserve(kBufferSize); }

    // 0 or the errno of the first failed write; later appends are dropped after a failure.
    int Append(std::string_view data)
    {
        if (Error != 0 || data.empty())
            return Error;
        if (Buffer.size() + data.size() > kBufferSize)
            Flush();
        // Large pieces go straight to the file rather than through the buffer.
        if (Buffer.empty() && data.size() >= kBufferSize / 4) {
            Error = WriteAll(Fd, data);
            return Error;
        }
        Buffer.append(data);
        return Error;
    }

    int Flush()
    {
        if (Error == 0 && !Buffer.empty())
            Error = WriteAll(Fd, Buffer);
        Buffer.clear();
        return Error;
    }

    int LastError() const { return Error; }

private:
    int Fd;
    std::string Buffer;
    int Error = 0;
};

struct TCopyResult {
    int ReadError = 0;
    int WriteError = 0;
};

// Copies up to maxLines lines of the old log, each re-ended by CR LF (a line may end in LF or CR LF, and the
// last one in nothing). Streams the file; runs of lines that already end in CR LF go out in one piece, so a
// long log costs little more than copying it.
TCopyResult CopyLines(int in, TBufferedWriter& out, long maxLines)
{
    TCopyResult result;
    std::vector<char> buffer(kBufferSize);
    long lines = 0;
    bool heldCR = false;      // the line's last byte so far is a CR, not yet written
    bool lineStarted = false; // bytes of an unfinished line were seen

    while (lines < maxLines) {
        long n = ReadSome(in, buffer.data(), buffer.size());
        if (n < 0) {
            result.ReadError = errno;
            return result;
        }
        if (n == 0)
            break;
        const char* pos = buffer.data();
        const char* end = pos + n;
        const char* run = pos;  // start of CR LF lines not yet handed to the writer
        auto flushRun = [&](const char* upTo) {
            out.Append(std::string_view(run, static_cast<std::size_t>(upTo - run)));
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
                out.Append("\r");
                heldCR = false;
            }
            if (nl != nullptr) {
                if (!segment.empty() && segment.back() == '\r')
                    segment.remove_suffix(1);
                out.Append(segment);
                out.Append(kLineEnd);
                heldCR = false;
                lineStarted = false;
                ++lines;
                pos = nl + 1;
            } else {
                if (!segment.empty() && segment.back() == '\r') {
                    segment.remove_suffix(1);
                    heldCR = true;
                }
                out.Append(segment);
                lineStarted = true;
                pos = end;
            }
            run = pos;
        }
        flushRun(pos);
    }
    if (lineStarted && lines < maxLines)
        out.Append(kLineEnd);
    result.WriteError = out.LastError();
    return result;
}

} // namespace

TDateNames TDateNames::English()
{
    return {{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"},
            {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"}};
}

std::string FormatLogEntry(const std::tm& t, const TDateNames& names, std::string_view address)
{
    char year[16];
    std::snprintf(year, sizeof year, "%04d", t.tm_year + 1900);
    std::string line = names.ShortDayNames.at(static_cast<std::size_t>(t.tm_wday)) + " " + TwoDigits(t.tm_mday) +
                       " " + names.ShortMonthNames.at(static_cast<std::size_t>(t.tm_mon)) + " " + year + "   " +
                       TwoDigits(t.tm_hour) + ":" + TwoDigits(t.tm_min) + ":" + TwoDigits(t.tm_sec) + "   ";
    line += "   ";
    line += address;
    return line;
}

std::string FormatLogEntry(std::time_t when, const TDateNames& names, std::string_view address)
{
    std::tm local {};
    ::localtime_r(&when, &local);
    return FormatLogEntry(local, names, address);
}

bool WriteLog(std::string_view logFileName, std::string_view entry, int maxLines)
{
    if (!FileFolderExists(logFileName))
        return false;
    const std::filesystem::path log(logFileName);

    // A link at the log's name is replaced by the new log, never read or written through: in a shared folder
    // it may have been planted to point at another of the user's files.
    struct stat st {};
    bool exists = ::lstat(log.c_str(), &st) == 0 && !S_ISLNK(st.st_mode);
    if (exists && !S_ISREG(st.st_mode))
        throw EActionFileError("The log file \"" + log.string() + "\" is not a regular file.");
    if (exists && IsReadOnlyFile(log))
        throw EActionFileError("The log file \"" + log.string() + "\" is read-only; the new entry was not added.");

    TFileHandle in;
    if (exists && maxLines > 1) {
        in = TFileHandle(OpenRegularForReading(log, "Could not read the log file", false));
        if (::fstat(in.Get(), &st) != 0)
            throw EActionFileError(FileErrorText("Could not read the log file", log, errno));
    }

    TFileReplacement out(log);
    if (int error = out.Create(exists ? ModeToKeep(st) : std::nullopt); error != 0)
        throw EActionFileError(FileErrorText("Could not create the log temporary file", log, error));

    TBufferedWriter writer(out.Fd());
    writer.Append(entry);
    writer.Append(kLineEnd);
    TCopyResult copied;
    if (in.IsOpen())
        copied = CopyLines(in.Get(), writer, static_cast<long>(maxLines) - 1);
    int writeError = writer.Flush();
    if (writeError == 0)
        writeError = out.Finish();
    if (copied.ReadError != 0)
        throw EActionFileError(FileErrorText("Could not read the log file", log, copied.ReadError));
    if (writeError != 0)
        throw EActionFileError(FileErrorText("Could not write the log temporary file", out.TempPath(), writeError));
    if (int error = out.Install(); error != 0)
        throw EActionFileError(FileErrorText("Could not replace the log file", log, error));
    return true;
}
