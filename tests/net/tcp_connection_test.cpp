// The line-oriented connection driven through the in-memory transport: byte-exact replies and lines.
#include "NetExceptions.h"
#include "NetIOHandlerMemory.h"
#include "NetTCPConnection.h"

#include "Raises.h"

#include <gtest/gtest.h>

#include <sstream>

using testsupport::ExpectRaise;

namespace {

class MemoryConnection : public ::testing::Test {
protected:
    void SetUp() override {
        conn.SetIOHandler(&io);
        conn.Host = "peer.test";
        conn.Port = 25;
        conn.OpenConnection();
    }
    TNetIOHandlerMemory io;
    TNetTCPClient conn;
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
    TNetIOHandlerMemory io;
    io.MaxRecvChunk = 3;  // replies arrive in pieces
    io.FeedInput(c.wire);
    TNetTCPClient conn;
    conn.SetIOHandler(&io);
    conn.OpenConnection();
    EXPECT_EQ(conn.ReadReply(), c.code);
    EXPECT_EQ(conn.LastCmdResult.NumericCode, c.code);
    EXPECT_EQ(conn.LastCmdResult.TextCode, c.textCode);
    EXPECT_EQ(conn.LastCmdResult.Text, c.text);
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
    io.FeedInput("354 go ahead\r\n");
    if (const auto e = ExpectRaise<ENetProtocolReplyError>([&] { conn.ReadReply({250}); }, "go ahead\r\n")) {
        EXPECT_EQ(e->ReplyErrorCode, 354);
    }
}

TEST_F(MemoryConnection, AllowedSetsAcceptingEveryCode) {
    io.FeedInput("599 odd\r\n599 odd\r\n200 fine\r\n");
    EXPECT_EQ(conn.ReadReply({}), 599);
    EXPECT_EQ(conn.ReadReply({-1}), 599);
    EXPECT_EQ(conn.ReadReply({250, 200}), 200);
}

TEST_F(MemoryConnection, MultiLineErrorMessageHasEveryLine) {
    io.FeedInput("550-no such\r\n550 mailbox\r\n");
    ExpectRaise<ENetProtocolReplyError>([&] { conn.ReadReply({250}); }, "no such\r\nmailbox\r\n");
}

TEST_F(MemoryConnection, SendCommandWritesLineThenReadsReply) {
    io.FeedInput("250 ok\r\n");
    EXPECT_EQ(conn.SendCommand("NOOP", {250}), 250);
    EXPECT_EQ(io.Written(), "NOOP\r\n");
    ASSERT_EQ(io.WriteCalls().size(), 1u);
}

TEST_F(MemoryConnection, CrLfAndLfLinesReadTheSame) {
    io.FeedInput("one\r\ntwo\nthree\r\r\n");
    EXPECT_EQ(conn.ReadLine(), "one");
    EXPECT_EQ(conn.ReadLine(), "two");
    EXPECT_EQ(conn.ReadLine(), "three\r");  // only one CR before the LF is dropped
}

TEST_F(MemoryConnection, OtherTerminatorKeepsCarriageReturns) {
    io.FeedInput("a\r\nb;rest;");
    EXPECT_EQ(conn.ReadLine(";"), "a\r\nb");
    EXPECT_EQ(conn.ReadLine(";"), "rest");
}

TEST_F(MemoryConnection, LongestLineIsAcceptedOneMoreRaises) {
    io.MaxRecvChunk = 1000;
    const std::string longest(16384, 'x');
    io.FeedInput(longest + "\r\n" + longest + "\n" + std::string(16385, 'y') + "\r\n");
    EXPECT_EQ(conn.ReadLine(), longest);
    EXPECT_EQ(conn.ReadLine(), longest);
    ExpectRaise<ENetReadLnMaxLineLengthExceeded>([&] { conn.ReadLine(); }, "Max line length exceeded.");
}

TEST_F(MemoryConnection, OverLongLineWithoutTerminatorRaisesWithoutWaitingForIt) {
    io.FeedInput(std::string(20000, 'z'));
    EXPECT_THROW(conn.ReadLine(), ENetReadLnMaxLineLengthExceeded);
}

TEST_F(MemoryConnection, SplitModeReturnsPiecesAndMarksThem) {
    conn.MaxLineAction = maSplit;
    io.FeedInput("abcdefgh\r\nnext\r\n");
    EXPECT_EQ(conn.ReadLine("\n", NetTimeoutDefault, 5), "abcde");
    EXPECT_TRUE(conn.ReadLnSplit());
    EXPECT_EQ(conn.ReadLine("\n", NetTimeoutDefault, 5), "fgh");
    EXPECT_FALSE(conn.ReadLnSplit());
    EXPECT_EQ(conn.ReadLine(), "next");
}

TEST_F(MemoryConnection, HalfLineThenCloseGivesEmptyTimedOutLineThenClosedError) {
    io.FeedInput("whole\r\nhalf");
    io.FeedClose();
    EXPECT_EQ(conn.ReadLine(), "whole");
    EXPECT_FALSE(conn.ReadLnTimedOut());
    EXPECT_EQ(conn.ReadLine(), "");
    EXPECT_TRUE(conn.ReadLnTimedOut());
    ExpectRaise<ENetConnClosedGracefully>([&] { conn.ReadLine(); }, "Connection Closed Gracefully.");
}

TEST_F(MemoryConnection, LinesReceivedBeforeCloseCanStillBeRead) {
    int disconnects = 0;
    conn.OnDisconnected = [&] { ++disconnects; };
    io.FeedInput("a\r\nb\r\n");
    io.FeedClose();
    EXPECT_EQ(conn.ReadLine(), "a");
    EXPECT_EQ(conn.ReadLine(), "b");
    EXPECT_THROW(conn.ReadLine(), ENetConnClosedGracefully);
    EXPECT_FALSE(conn.Connected());
    EXPECT_EQ(disconnects, 1);
}

TEST_F(MemoryConnection, ExplicitWaitTimesOutWithEmptyLineDefaultWaitRaises) {
    EXPECT_EQ(conn.ReadLine("\n", 50), "");
    EXPECT_TRUE(conn.ReadLnTimedOut());
    conn.ReadTimeout = 50;
    ExpectRaise<ENetReadTimeout>([&] { conn.ReadLine(); }, "Read Timeout");
}

TEST_F(MemoryConnection, ReadLnWaitSkipsEmptyLinesUpToItsLimit) {
    io.FeedInput("\r\n \r\nfound\r\n\r\n\r\n\r\nlate\r\n");
    EXPECT_EQ(conn.ReadLnWait(), "found");
    EXPECT_EQ(conn.ReadLnWait(2), "");
    EXPECT_EQ(conn.ReadLnWait(), "late");
}

TEST_F(MemoryConnection, ReadBytesAcrossManyReceives) {
    io.MaxRecvChunk = 7;
    std::string data;
    for (int i = 0; i < 1000; ++i)
        data += static_cast<char>(i % 251);
    io.FeedInput("line\r\n" + data + "tail");
    EXPECT_EQ(conn.ReadLine(), "line");
    EXPECT_EQ(conn.ReadBytes(data.size()), data);
    EXPECT_EQ(conn.ReadBytes(4), "tail");
}

TEST_F(MemoryConnection, ReadBytesRaisesWhenPeerClosesShort) {
    io.FeedInput("abc");
    io.FeedClose();
    EXPECT_THROW(conn.ReadBytes(10), ENetConnClosedGracefully);
}

TEST_F(MemoryConnection, CountedStreamReadTakesExactlyCount) {
    conn.RecvBufferSize = 16;  // several blocks
    io.FeedInput("hdr\r\n" + std::string(100, 'b') + "AFTER");
    EXPECT_EQ(conn.ReadLine(), "hdr");
    std::ostringstream out;
    conn.ReadToStream(out, 100);
    EXPECT_EQ(out.str(), std::string(100, 'b'));
    EXPECT_EQ(conn.ReadBytes(5), "AFTER");
}

TEST_F(MemoryConnection, CountedStreamReadRaisesAtEarlyClose) {
    io.FeedInput("12345");
    io.FeedClose();
    std::string sink;
    EXPECT_THROW(conn.ReadToStream(sink, 10), ENetConnClosedGracefully);
}

TEST_F(MemoryConnection, StreamReadUntilCloseKeepsEverything) {
    io.MaxRecvChunk = 5;
    io.FeedInput("first\r\nall the rest\r\nof it");
    io.FeedClose();
    EXPECT_EQ(conn.ReadLine(), "first");
    std::string sink;
    conn.ReadToStream(sink, -1);
    EXPECT_EQ(sink, "all the rest\r\nof it");
}

TEST_F(MemoryConnection, LimitedStreamReadStopsAtItsBound) {
    io.FeedInput(std::string(5000, 'q'));
    io.FeedClose();
    std::string sink;
    EXPECT_THROW(conn.ReadToStreamLimited(sink, -1, 4096, "too much"), ENetException);
    EXPECT_LE(sink.size(), 4096u);
}

TEST_F(MemoryConnection, WriteBufferCollectsUntilThresholdOrClose) {
    conn.OpenWriteBuffer(10);
    conn.WriteBytes("abc");
    conn.WriteBytes("def");
    EXPECT_EQ(io.Written(), "");
    conn.WriteBytes("ghij");  // reaches 10
    EXPECT_EQ(io.Written(), "abcdefghij");
    conn.WriteLine("x");
    EXPECT_EQ(io.Written(), "abcdefghij");
    conn.CloseWriteBuffer();
    EXPECT_EQ(io.Written(), "abcdefghijx\r\n");
    EXPECT_EQ(io.WriteCalls().size(), 2u);
    conn.WriteLine("direct");
    EXPECT_EQ(io.WriteCalls().back(), "direct\r\n");
}

TEST_F(MemoryConnection, WriteBufferWithoutThresholdFlushesOnlyOnRequest) {
    conn.OpenWriteBuffer();
    for (int i = 0; i < 100; ++i)
        conn.WriteLine("line");
    EXPECT_TRUE(io.Written().empty());
    conn.FlushWriteBuffer();
    EXPECT_EQ(io.Written().size(), 600u);
    conn.WriteLine("dropped");
    conn.CancelWriteBuffer();
    EXPECT_EQ(io.Written().size(), 600u);
}

TEST_F(MemoryConnection, WriteStreamSendsBlocksAndRaisesWhenSourceEndsEarly) {
    conn.SendBufferSize = 4;
    std::istringstream source("0123456789");
    conn.WriteStream(source, 10);
    EXPECT_EQ(io.Written(), "0123456789");
    EXPECT_EQ(io.WriteCalls().size(), 3u);
    std::istringstream shortSource("abc");
    ExpectRaise<ENetException>([&] { conn.WriteStream(shortSource, 10); }, "No data to read.");
}

TEST_F(MemoryConnection, SendErrorClosesAndRaisesSocketError) {
    io.FailSendWith = 10054;
    if (const auto e = ExpectRaise<ENetSocketError>([&] { conn.WriteLine("QUIT"); },
                                                    "Socket Error # 10054\r\nConnection reset by peer.")) {
        EXPECT_EQ(e->LastError, 10054);
    }
    EXPECT_FALSE(io.Connected());
}

TEST_F(MemoryConnection, SecondOpenRaisesAlreadyConnected) {
    ExpectRaise<ENetAlreadyConnected>([&] { conn.OpenConnection(); }, "Already connected.");
}

TEST(TcpConnection, ReadOrWriteWithoutConnectionRaisesClosed) {
    TNetTCPClient conn;
    EXPECT_THROW(conn.ReadLine(), ENetConnClosedGracefully);
    EXPECT_THROW(conn.WriteLine("x"), ENetConnClosedGracefully);
    EXPECT_FALSE(conn.Connected());
}

TEST(TcpConnection, ReconnectClearsBufferAndEventsFire) {
    TNetIOHandlerMemory io;
    TNetTCPClient conn;
    conn.SetIOHandler(&io);
    int connects = 0, disconnects = 0;
    conn.OnConnected = [&] { ++connects; };
    conn.OnDisconnected = [&] { ++disconnects; };
    io.FeedInput("old\r\nstale");
    io.FeedClose();
    io.FeedInput("new\r\n");
    conn.OpenConnection(5000);
    EXPECT_EQ(io.LastConnectTimeout(), 5000);
    EXPECT_EQ(conn.ReadLine(), "old");
    conn.Disconnect();
    EXPECT_EQ(disconnects, 1);
    conn.OpenConnection();
    EXPECT_EQ(connects, 2);
    EXPECT_EQ(conn.ReadLine(), "new");
}

TEST(TcpConnection, FailedConnectLeavesConnectionClosed) {
    TNetIOHandlerMemory io;
    io.FailConnectWith = 10061;
    TNetTCPClient conn;
    conn.SetIOHandler(&io);
    bool connectedEvent = false;
    conn.OnConnected = [&] { connectedEvent = true; };
    ExpectRaise<ENetSocketError>([&] { conn.OpenConnection(); }, "Socket Error # 10061\r\nConnection refused.");
    EXPECT_FALSE(connectedEvent);
    EXPECT_FALSE(conn.Connected());
}

TEST_F(MemoryConnection, GracefulProbeNoticesPeerCloseWithoutRaising) {
    conn.CheckForGracefulDisconnect(false);
    EXPECT_TRUE(conn.Connected());
    io.FeedClose();
    conn.CheckForGracefulDisconnect(false);
    EXPECT_FALSE(conn.Connected());
    EXPECT_THROW(conn.CheckForGracefulDisconnect(true), ENetConnClosedGracefully);
}

} // namespace
