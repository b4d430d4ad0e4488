// The numeric reply reader of the SMTP and FTP dialogues, fed any bytes through the in-memory transport,
// and the PASV reply parser on every line it returns.
#include "FuzzInput.h"
#include "NetExceptions.h"
#include "NetFTPText.h"
#include "NetIOHandlerMemory.h"
#include "NetTCPConnection.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    TFuzzInput in(data, size);
    const uint8_t flags = in.Byte();

    TNetIOHandlerMemory io;
    io.MaxRecvChunk = (flags & 7) * 3;
    io.FeedInput(in.Rest());

    TNetTCPConnection connection;
    connection.SetIOHandler(&io);
    connection.MaxLineAction = (flags & 8) ? maSplit : maException;
    connection.MaxLineLength = (flags & 16) ? 40 : 16384;
    connection.OpenConnection();
    const TNetReplyCodes allowed = (flags & 32) ? TNetReplyCodes{} : TNetReplyCodes{220, 250, 354};

    // Each reply read consumes at least one line, so the loop ends with the input.
    for (int i = 0; i < 64; ++i) {
        try {
            const int code = connection.ReadReply(allowed);
            const TNetRFCReply& reply = connection.LastCmdResult;
            FUZZ_CHECK(code == reply.NumericCode);
            FUZZ_CHECK(code >= 0 && code <= 9999);
            FUZZ_CHECK(reply.TextCode.size() <= 4);
            FUZZ_CHECK(!reply.Text.empty());
            try {
                const NetFTPText::TPassiveAddress address =
                    NetFTPText::ParsePassiveReply(reply.TextCode + " " + reply.Text.front());
                FUZZ_CHECK(!address.Host.empty());
            } catch (const ENetException&) {
            }
        } catch (const ENetProtocolReplyError& e) {
            FUZZ_CHECK(e.ReplyErrorCode == connection.LastCmdResult.NumericCode);
        } catch (const ENetException&) {
            if (!connection.IsConnected())
                break;
        }
    }
    return 0;
}
