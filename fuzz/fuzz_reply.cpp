// The numeric reply reader of the SMTP and FTP dialogues, fed any bytes through the in-memory transport,
// and the PASV reply parser on every line it returns.
#include "FuzzInput.h"
#include "NetworkErrors.h"
#include "FtpTexts.h"
#include "MemoryTransport.h"
#include "TcpConnection.h"

using namespace kestrune::net;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const uint8_t flags = in.Byte();

    MemoryTransport io;
    io.maxRecvChunk = (flags & 7) * 3;
    io.feedInput(in.Rest());

    TcpConnection connection;
    connection.setTransport(&io);
    connection.maxLineAction = (flags & 8) ? MaxLineAction::Split : MaxLineAction::Raise;
    connection.maxLineLength = (flags & 16) ? 40 : 16384;
    connection.openConnection();
    const ReplyCodes allowed = (flags & 32) ? ReplyCodes{} : ReplyCodes{220, 250, 354};

    // Each reply read consumes at least one line, so the loop ends with the input.
    for (int i = 0; i < 64; ++i) {
        try {
            const int code = connection.readReply(allowed);
            const ServerReply& reply = connection.lastCmdResult;
            FUZZ_CHECK(code == reply.numericCode);
            FUZZ_CHECK(code >= 0 && code <= 9999);
            FUZZ_CHECK(reply.textCode.size() <= 4);
            FUZZ_CHECK(!reply.text.empty());
            try {
                const ftptexts::PassiveAddress address =
                    ftptexts::parsePassiveReply(reply.textCode + " " + reply.text.front());
                FUZZ_CHECK(!address.host.empty());
            } catch (const NetworkError&) {
            }
        } catch (const ReplyError& e) {
            FUZZ_CHECK(e.replyErrorCode == connection.lastCmdResult.numericCode);
        } catch (const NetworkError&) {
            if (!connection.isConnected())
                break;
        }
    }
    return 0;
}
