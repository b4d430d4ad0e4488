#include "ActionErrors.h"
#include "DataFile.h"
#include "FileSizeLimit.h"
#include "LogFile.h"
#include "TempFolder.h"
#include "TemplateFile.h"

#include "Raises.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kestrune::actions;

using testsupport::ExpectRaiseNaming;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Runs the call on a thread and returns what it raised ("" for nothing). A call still stuck on the FIFO after
// the bound fails the test and is released by opening the FIFO at both ends, so the run goes on.
std::string RaisedWithinBound(const fs::path& fifo, std::function<void()> call)
{
    auto raised = std::make_shared<std::promise<std::string>>();
    std::future<std::string> result = raised->get_future();
    std::thread worker([raised, call] {
        try {
            call();
            raised->set_value("");
        } catch (const std::exception& error) {
            raised->set_value(error.what());
        }
    });
    if (result.wait_for(10s) != std::future_status::ready) {
        ADD_FAILURE() << "the call still waits on " << fifo;
        std::signal(SIGPIPE, SIG_IGN);
        ::close(::open(fifo.c_str(), O_RDWR | O_NONBLOCK));
    }
    if (result.wait_for(10s) != std::future_status::ready) {
        worker.detach();
        return "";
    }
    worker.join();
    return result.get();
}

mode_t ModeOf(const fs::path& file)
{
    struct stat st {};
    EXPECT_EQ(::lstat(file.c_str(), &st), 0) << file;
    return st.st_mode;
}

// Sets the umask for the scope.
class Umask {
public:
    explicit Umask(mode_t mask) : Saved(::umask(mask)) {}
    ~Umask() { ::umask(Saved); }

private:
    mode_t Saved;
};

TEST(FileKinds, AFifoWithoutPeerIsRefusedAtOnceForEveryFile)
{
    TempFolder folder;
    fs::path fifo = folder / "shared.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    WriteFileBytes(folder / "page.htm", "{IP}");

    std::string ipFile = RaisedWithinBound(fifo, [&] { writeDataFile(fifo.string(), "203.0.113.7"); });
    EXPECT_NE(ipFile.find("IP file \"" + fifo.string() + "\": it is not a regular file"), std::string::npos) << ipFile;
    std::string log = RaisedWithinBound(fifo, [&] { writeLog(fifo.string(), "E", 100); });
    EXPECT_EQ(log, "The log file \"" + fifo.string() + "\" is not a regular file.");
    std::string templ = RaisedWithinBound(fifo, [&] { makeUploadFile(fifo, folder / "upload.tmp", "203.0.113.7"); });
    EXPECT_EQ(templ, "Could not open the upload template \"" + fifo.string() + "\": it is not a regular file");
    std::string upload = RaisedWithinBound(fifo, [&] { makeUploadFile(folder / "page.htm", fifo, "203.0.113.7"); });
    EXPECT_NE(upload.find("upload file \"" + fifo.string() + "\": it is not a regular file"), std::string::npos)
        << upload;

    EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));
    EXPECT_FALSE(fs::exists(folder / "upload.tmp"));
}

TEST(FileKinds, ATemplateOver16MiBIsRefused)
{
    TempFolder folder;
    fs::path page = folder / "page.htm";
    fs::path upload = folder / "upload.tmp";
    WriteFileBytes(upload, "previous upload");
    WriteFileBytes(page, "");
    // Sparse, so the size costs no disk.
    fs::resize_file(page, (16 << 20) + 1);
    ExpectRaiseNaming<FileActionError>([&] { makeUploadFile(page, upload, "1.2.3.4"); }, {page.string(), "16 MiB"});
    EXPECT_EQ(ReadFileBytes(upload), "previous upload");

    fs::resize_file(page, 16 << 20);
    makeUploadFile(page, upload, "1.2.3.4");
    EXPECT_EQ(fs::file_size(upload), (16u << 20) + 2);
}

TEST(Replacement, ALinkAtTheNameIsReplacedAndItsTargetLeftAlone)
{
    TempFolder folder;
    fs::path other = folder / "other.txt";
    WriteFileBytes(other, "L1\r\n");
    fs::create_symlink(other, folder / "ip.txt");
    fs::create_symlink(other, folder / "ip.log");
    fs::create_symlink(other, folder / "upload.tmp");
    WriteFileBytes(folder / "page.htm", "{IP}");

    ASSERT_TRUE(writeDataFile((folder / "ip.txt").string(), "203.0.113.7"));
    // Nothing is read through the link either: the log starts afresh.
    ASSERT_TRUE(writeLog((folder / "ip.log").string(), "E", 100));
    makeUploadFile(folder / "page.htm", folder / "upload.tmp", "203.0.113.7");

    EXPECT_EQ(ReadFileBytes(other), "L1\r\n");
    for (const char* name : {"ip.txt", "ip.log", "upload.tmp"})
        EXPECT_TRUE(S_ISREG(ModeOf(folder / name))) << name;
    EXPECT_EQ(ReadFileBytes(folder / "ip.txt"), "203.0.113.7");
    EXPECT_EQ(ReadFileBytes(folder / "ip.log"), "E\r\n");
    EXPECT_EQ(ReadFileBytes(folder / "upload.tmp"), "203.0.113.7\r\n");
}

TEST(Replacement, TheModeOfAnExistingFileIsKeptAndANewFileGetsTheUmasks)
{
    TempFolder folder;
    Umask mask(027);
    fs::path ipFile = folder / "ip.txt";
    WriteFileBytes(ipFile, "old");
    ASSERT_EQ(::chmod(ipFile.c_str(), 0604), 0);
    ASSERT_TRUE(writeDataFile(ipFile.string(), "203.0.113.7"));
    EXPECT_EQ(ModeOf(ipFile) & 07777, 0604u);

    fs::path fresh = folder / "fresh.txt";
    ASSERT_TRUE(writeDataFile(fresh.string(), "203.0.113.7"));
    EXPECT_EQ(ModeOf(fresh) & 07777, 0640u);
}

TEST(Replacement, AReaderOfTheOldFileNeverSeesItEmptiedAndAFailedWriteKeepsIt)
{
    TempFolder folder;
    fs::path ipFile = folder / "ip.txt";
    WriteFileBytes(ipFile, "198.51.100.200");
    int reader = ::open(ipFile.c_str(), O_RDONLY);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(writeDataFile(ipFile.string(), "203.0.113.7"));
    char seen[32] = {};
    EXPECT_EQ(::pread(reader, seen, sizeof seen, 0), 14);
    EXPECT_STREQ(seen, "198.51.100.200");
    ::close(reader);

    {
        FileSizeLimit limit(4);
        ExpectRaiseNaming<FileActionError>([&] { writeDataFile(ipFile.string(), "198.51.100.200"); },
                                            {ipFile.string()});
    }
    EXPECT_EQ(ReadFileBytes(ipFile), "203.0.113.7");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path), fs::directory_iterator()), 1);
}

} // namespace
