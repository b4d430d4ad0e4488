#include "DnsWire.h"

#include "TcpConnection.h"

#include "Ldns.h"

#include <arpa/inet.h>

#include <cstdlib>
#include <stdexcept>

namespace kestrune::actions {

DnsServerAddress parseDnsServer(const std::string& text)
{
    DnsServerAddress server;
    std::string port;
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        server.host = text.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        if (close != std::string::npos && close + 1 < text.size() && text[close + 1] == ':')
            port = text.substr(close + 2);
    } else if (std::count(text.begin(), text.end(), ':') == 1) {
        server.host = text.substr(0, text.find(':'));
        port = text.substr(text.find(':') + 1);
    } else {
        server.host = text;
    }
    if (!port.empty()) {
        char* end = nullptr;
        const long value = std::strtol(port.c_str(), &end, 10);
        if (*end != '\0' || value < 1 || value > 65535)
            throw std::runtime_error("\"" + text + "\" names no valid port");
        server.port = static_cast<unsigned short>(value);
    }
    return server;
}

DnsPacket exchangeDnsMessage(const DnsServerAddress& server, ldns_struct_pkt* query, int timeoutMs,
                             std::vector<unsigned char>* wire)
{
    uint8_t* bytes = nullptr;
    size_t size = 0;
    if (net::ldns().pkt2wire(&bytes, query, &size) != LDNS_STATUS_OK)
        throw std::runtime_error("the DNS message could not be built");
    std::string message(2, '\0');
    message[0] = static_cast<char>(size >> 8);
    message[1] = static_cast<char>(size & 0xFF);
    message.append(reinterpret_cast<const char*>(bytes), size);
    std::free(bytes);

    net::TcpClient connection;
    connection.host = server.host;
    connection.port = server.port;
    connection.readTimeout = timeoutMs;
    connection.setTimeLimit(timeoutMs);
    connection.openConnection(timeoutMs);
    connection.writeBytes(message);
    const std::string length = connection.readBytes(2);
    const std::size_t answerSize =
        (static_cast<std::size_t>(static_cast<unsigned char>(length[0])) << 8) | static_cast<unsigned char>(length[1]);
    const std::string answerBytes = connection.readBytes(answerSize);
    connection.closeConnection();

    ldns_pkt* answer = nullptr;
    if (net::ldns().wire2pkt(&answer, reinterpret_cast<const uint8_t*>(answerBytes.data()), answerBytes.size()) !=
        LDNS_STATUS_OK)
        throw std::runtime_error("the server's answer is not a DNS message");
    DnsPacket owned(answer);
    if (net::ldns().pkt_id(answer) != net::ldns().pkt_id(query))
        throw std::runtime_error("the server's answer is for another question");
    if (wire)
        wire->assign(answerBytes.begin(), answerBytes.end());
    return owned;
}

std::string canonicalAddress(const std::string& text)
{
    unsigned char binary[16];
    char out[INET6_ADDRSTRLEN];
    if (inet_pton(AF_INET, text.c_str(), binary) == 1)
        return inet_ntop(AF_INET, binary, out, sizeof out);
    if (inet_pton(AF_INET6, text.c_str(), binary) == 1)
        return inet_ntop(AF_INET6, binary, out, sizeof out);
    return {};
}

std::vector<std::string> answerAddresses(ldns_struct_pkt* answer, const std::string& name, int type)
{
    std::vector<std::string> addresses;
    ldns_rdf* owner = net::ldns().dname_new_frm_str(name.c_str());
    if (!owner)
        return addresses;
    const ldns_rr_list* records = net::ldns().pkt_answer(answer);
    for (size_t i = 0; records && i < net::ldns().rr_list_rr_count(records); ++i) {
        const ldns_rr* record = net::ldns().rr_list_rr(records, i);
        if (static_cast<int>(net::ldns().rr_get_type(record)) != type || net::ldns().rr_rd_count(record) < 1 ||
            net::ldns().dname_compare(net::ldns().rr_owner(record), owner) != 0)
            continue;
        char* text = net::ldns().rdf2str(net::ldns().rr_rdf(record, 0));
        if (text) {
            addresses.push_back(canonicalAddress(text));
            std::free(text);
        }
    }
    net::ldns().rdf_deep_free(owner);
    return addresses;
}

} // namespace kestrune::actions
