// The line-oriented connection driven through the in-memory transport: byte-exact replies and lines.
#include "NetworkErrors.h"
#include "MemoryTransport.h"
#include "TcpConnection.h"

#include "Raises.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace kestrune::net;

using testsupport::ExpectRaise;

namespace {

class MemoryConnection : public ::testing::Test {
protected:
    void SetUp() override {
        conn.setTransport(&io);
        conn.host = "peer.test";
        conn.port = 25;
        conn.openConnection();
    }
    MemoryTransport io;
    TcpClient conn;
};

struct ReplyCase {
    const char* name;
    std::string wire;
    int code;
    std::string textCode;
    std::vector<std::string> text;
};

class ReplyParsing : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyParsing, GivesCodeAndTextLines) {
    const ReplyCase& c = GetParam();
    MemoryTransport io;
    io.maxRecvChunk = 3;  // replies arrive in pieces
    io.feedInput(c.wire);
    TcpClient conn;
    conn.setTransport(&io);
    conn.openConnection();
    EXPECT_EQ(conn.readReply(), c.code);
    EXPECT_EQ(conn.lastCmdResult.numericCode, c.code);
    EXPECT_EQ(conn.lastCmdResult.textCode, c.textCode);
    EXPECT_EQ(conn.lastCmdResult.text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyParsing,
    ::testing::Values(
        ReplyCase{"MultiLine", "250-first\r\n250-second\r\n250 last\r\n", 250, "250", {"first", "second", "last"}},
        ReplyCase{"CodeAlone", "220\r\n", 220, "220", {""}},
        ReplyCase{"BlankLinesBefore", "\r\n\r\n  \r\n220 ready\r\n", 220, "220", {"ready"}},
        ReplyCase{"LfOnly", "250-a\n250 b\n", 250, "250", {"a", "b"}},
        ReplyCase{"NotANumber", "abc def\r\n", 0, "abc", {"def"}},
        ReplyCase{"EndsAtShortLine", "230-welcome\r\nplain text\r\nxy\r\n", 230, "230",
                  {"welcome", "n text", ""}},
        ReplyCase{"EndsAtThreeCharacterLine", "211-a\r\n211\r\n", 211, "211", {"a", ""}},
        ReplyCase{"OtherCodeDoesNotEnd", "214-a\r\n200 not the end\r\n214 end\r\n", 214, "214",
                  {"a", "not the end", "end"}},
        ReplyCase{"EndMatchIgnoresCase", "abc-x\r\nABC y\r\n", 0, "abc", {"x", "y"}},
        ReplyCase{"BlankLinesInside", "250-a\r\n\r\n250 b\r\n", 250, "250", {"a", "b"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MemoryConnection, ReplyOutsideAllowedCodesRaisesWithItsText) {
    io.feedInput("354 go ahead\r\n");
    if (const auto e = ExpectRaise<ReplyError>([&] { conn.readReply({250}); }, "go ahead\r\n")) {
        EXPECT_EQ(e->replyErrorCode, 354);
    }
}

TEST_F(MemoryConnection, AllowedSetsAcceptingEveryCode) {
    io.feedInput("599 odd\r\n599 odd\r\n200 fine\r\n");
    EXPECT_EQ(conn.readReply({}), 599);
    EXPECT_EQ(conn.readReply({-1}), 599);
    EXPECT_EQ(conn.readReply({250, 200}), 200);
}

TEST_F(MemoryConnection, MultiLineErrorMessageHasEveryLine) {
    io.feedInput("550-no such\r\n550 mailbox\r\n");
    ExpectRaise<ReplyError>([&] { conn.readReply({250}); }, "no such\r\nmailbox\r\n");
}

TEST_F(MemoryConnection, SendCommandWritesLineThenReadsReply) {
    io.feedInput("250 ok\r\n");
    EXPECT_EQ(conn.sendCommand("NOOP", {250}), 250);
    EXPECT_EQ(io.written(), "NOOP\r\n");
    ASSERT_EQ(io.writeCalls().size(), 1u);
}

TEST_F(MemoryConnection, CrLfAndLfLinesReadTheSame) {
    io.feedInput("one\r\ntwo\nthree\r\r\n");
    EXPECT_EQ(conn.readLine(), "one");
    EXPECT_EQ(conn.readLine(), "two");
    EXPECT_EQ(conn.readLine(), "three\r");  // only one CR before the LF is dropped
}

TEST_F(MemoryConnection, OtherTerminatorKeepsCarriageReturns) {
    io.feedInput("a\r\nb;rest;");
    EXPECT_EQ(conn.readLine(";"), "a\r\nb");
    EXPECT_EQ(conn.readLine(";"), "rest");
}

TEST_F(MemoryConnection, LongestLineIsAcceptedOneMoreRaises) {
    io.maxRecvChunk = 1000;
    const std::string longest(16384, 'x');
    io.feedInput(longest + "\r\n" + longest + "\n" + std::string(16385, 'y') + "\r\n");
    EXPECT_EQ(conn.readLine(), longest);
    EXPECT_EQ(conn.readLine(), longest);
    ExpectRaise<LineTooLongError>([&] { conn.readLine(); }, "Max line length exceeded.");
}

TEST_F(MemoryConnection, OverLongLineWithoutTerminatorRaisesWithoutWaitingForIt) {
    io.feedInput(std::string(20000, 'z'));
    EXPECT_THROW(conn.readLine(), LineTooLongError);
}

TEST_F(MemoryConnection, SplitModeReturnsPiecesAndMarksThem) {
    conn.maxLineAction = MaxLineAction::Split;
    io.feedInput("abcdefgh\r\nnext\r\n");
    EXPECT_EQ(conn.readLine("\n", kTimeoutDefault, 5), "abcde");
    EXPECT_TRUE(conn.readLnSplit());
    EXPECT_EQ(conn.readLine("\n", kTimeoutDefault, 5), "fgh");
    EXPECT_FALSE(conn.readLnSplit());
    EXPECT_EQ(conn.readLine(), "next");
}

TEST_F(MemoryConnection, HalfLineThenCloseGivesEmptyTimedOutLineThenClosedError) {
    io.feedInput("whole\r\nhalf");
    io.feedClose();
    EXPECT_EQ(conn.readLine(), "whole");
    EXPECT_FALSE(conn.readLnTimedOut());
    EXPECT_EQ(conn.readLine(), "");
    EXPECT_TRUE(conn.readLnTimedOut());
    ExpectRaise<ConnectionClosedError>([&] { conn.readLine(); }, "Connection Closed Gracefully.");
}

TEST_F(MemoryConnection, LinesReceivedBeforeCloseCanStillBeRead) {
    int disconnects = 0;
    conn.onDisconnected = [&] { ++disconnects; };
    io.feedInput("a\r\nb\r\n");
    io.feedClose();
    EXPECT_EQ(conn.readLine(), "a");
    EXPECT_EQ(conn.readLine(), "b");
    EXPECT_THROW(conn.readLine(), ConnectionClosedError);
    EXPECT_FALSE(conn.connected());
    EXPECT_EQ(disconnects, 1);
}

TEST_F(MemoryConnection, ExplicitWaitTimesOutWithEmptyLineDefaultWaitRaises) {
    EXPECT_EQ(conn.readLine("\n", 50), "");
    EXPECT_TRUE(conn.readLnTimedOut());
    conn.readTimeout = 50;
    ExpectRaise<ReadTimeoutError>([&] { conn.readLine(); }, "Read Timeout");
}

TEST_F(MemoryConnection, ReadLnWaitSkipsEmptyLinesUpToItsLimit) {
    io.feedInput("\r\n \r\nfound\r\n\r\n\r\n\r\nlate\r\n");
    EXPECT_EQ(conn.readLnWait(), "found");
    EXPECT_EQ(conn.readLnWait(2), "");
    EXPECT_EQ(conn.readLnWait(), "late");
}

TEST_F(MemoryConnection, ReadBytesAcrossManyReceives) {
    io.maxRecvChunk = 7;
    std::string data;
    for (int i = 0; i < 1000; ++i)
        data += static_cast<char>(i % 251);
    io.feedInput("line\r\n" + data + "tail");
    EXPECT_EQ(conn.readLine(), "line");
    EXPECT_EQ(conn.readBytes(data.size()), data);
    EXPECT_EQ(conn.readBytes(4), "tail");
}

TEST_F(MemoryConnection, ReadBytesRaisesWhenPeerClosesShort) {
    io.feedInput("abc");
    io.feedClose();
    EXPECT_THROW(conn.readBytes(10), ConnectionClosedError);
}

TEST_F(MemoryConnection, CountedStreamReadTakesExactlyCount) {
    conn.recvBufferSize = 16;  // several blocks
    io.feedInput("hdr\r\n" + std::string(100, 'b') + "AFTER");
    EXPECT_EQ(conn.readLine(), "hdr");
    std::ostringstream out;
    conn.readToStream(out, 100);
    EXPECT_EQ(out.str(), std::string(100, 'b'));
    EXPECT_EQ(conn.readBytes(5), "AFTER");
}

TEST_F(MemoryConnection, CountedStreamReadRaisesAtEarlyClose) {
    io.feedInput("12345");
    io.feedClose();
    std::string sink;
    EXPECT_THROW(conn.readToStream(sink, 10), ConnectionClosedError);
}

TEST_F(MemoryConnection, StreamReadUntilCloseKeepsEverything) {
    io.maxRecvChunk = 5;
    io.feedInput("first\r\nall the rest\r\nof it");
    io.feedClose();
    EXPECT_EQ(conn.readLine(), "first");
    std::string sink;
    conn.readToStream(sink, -1);
    EXPECT_EQ(sink, "all the rest\r\nof it");
}

TEST_F(MemoryConnection, LimitedStreamReadStopsAtItsBound) {
    io.feedInput(std::string(5000, 'q'));
    io.feedClose();
    std::string sink;
    EXPECT_THROW(conn.readToStreamLimited(sink, -1, 4096, "too much"), NetworkError);
    EXPECT_LE(sink.size(), 4096u);
}

TEST_F(MemoryConnection, WriteBufferCollectsUntilThresholdOrClose) {
    conn.openWriteBuffer(10);
    conn.writeBytes("abc");
    conn.writeBytes("def");
    EXPECT_EQ(io.written(), "");
    conn.writeBytes("ghij");  // reaches 10
    EXPECT_EQ(io.written(), "abcdefghij");
    conn.writeLine("x");
    EXPECT_EQ(io.written(), "abcdefghij");
    conn.closeWriteBuffer();
    EXPECT_EQ(io.written(), "abcdefghijx\r\n");
    EXPECT_EQ(io.writeCalls().size(), 2u);
    conn.writeLine("direct");
    EXPECT_EQ(io.writeCalls().back(), "direct\r\n");
}

TEST_F(MemoryConnection, WriteBufferWithoutThresholdFlushesOnlyOnRequest) {
    conn.openWriteBuffer();
    for (int i = 0; i < 100; ++i)
        conn.writeLine("line");
    EXPECT_TRUE(io.written().empty());
    conn.flushWriteBuffer();
    EXPECT_EQ(io.written().size(), 600u);
    conn.writeLine("dropped");
    conn.cancelWriteBuffer();
    EXPECT_EQ(io.written().size(), 600u);
}

TEST_F(MemoryConnection, WriteStreamSendsBlocksAndRaisesWhenSourceEndsEarly) {
    conn.sendBufferSize = 4;
    std::istringstream source("0123456789");
    conn.writeStream(source, 10);
    EXPECT_EQ(io.written(), "0123456789");
    EXPECT_EQ(io.writeCalls().size(), 3u);
    std::istringstream shortSource("abc");
    ExpectRaise<NetworkError>([&] { conn.writeStream(shortSource, 10); }, "No data to read.");
}

TEST_F(MemoryConnection, SendErrorClosesAndRaisesSocketError) {
    io.failSendWith = 10054;
    if (const auto e = ExpectRaise<SocketError>([&] { conn.writeLine("QUIT"); },
                                                    "Socket Error # 10054\r\nConnection reset by peer.")) {
        EXPECT_EQ(e->lastError, 10054);
    }
    EXPECT_FALSE(io.connected());
}

TEST_F(MemoryConnection, SecondOpenRaisesAlreadyConnected) {
    ExpectRaise<AlreadyConnectedError>([&] { conn.openConnection(); }, "Already connected.");
}

TEST(TcpConnection, ReadOrWriteWithoutConnectionRaisesClosed) {
    TcpClient conn;
    EXPECT_THROW(conn.readLine(), ConnectionClosedError);
    EXPECT_THROW(conn.writeLine("x"), ConnectionClosedError);
    EXPECT_FALSE(conn.connected());
}

TEST(TcpConnection, ReconnectClearsBufferAndEventsFire) {
    MemoryTransport io;
    TcpClient conn;
    conn.setTransport(&io);
    int connects = 0, disconnects = 0;
    conn.onConnected = [&] { ++connects; };
    conn.onDisconnected = [&] { ++disconnects; };
    io.feedInput("old\r\nstale");
    io.feedClose();
    io.feedInput("new\r\n");
    conn.openConnection(5000);
    EXPECT_EQ(io.lastConnectTimeout(), 5000);
    EXPECT_EQ(conn.readLine(), "old");
    conn.disconnect();
    EXPECT_EQ(disconnects, 1);
    conn.openConnection();
    EXPECT_EQ(connects, 2);
    EXPECT_EQ(conn.readLine(), "new");
}

TEST(TcpConnection, FailedConnectLeavesConnectionClosed) {
    MemoryTransport io;
    io.failConnectWith = 10061;
    TcpClient conn;
    conn.setTransport(&io);
    bool connectedEvent = false;
    conn.onConnected = [&] { connectedEvent = true; };
    ExpectRaise<SocketError>([&] { conn.openConnection(); }, "Socket Error # 10061\r\nConnection refused.");
    EXPECT_FALSE(connectedEvent);
    EXPECT_FALSE(conn.connected());
}

TEST_F(MemoryConnection, GracefulProbeNoticesPeerCloseWithoutRaising) {
    conn.checkForGracefulDisconnect(false);
    EXPECT_TRUE(conn.connected());
    io.feedClose();
    conn.checkForGracefulDisconnect(false);
    EXPECT_FALSE(conn.connected());
    EXPECT_THROW(conn.checkForGracefulDisconnect(true), ConnectionClosedError);
}

} // namespace
