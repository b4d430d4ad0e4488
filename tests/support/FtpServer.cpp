#include "FtpServer.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

FtpServer::FtpServer(const std::string& user, const std::string& password, const std::string& readerUser,
                       const std::string& readerPassword, bool refuseActive) {
    std::vector<std::string> args = {KESTRUNE_SYSTEM_PYTHON, KESTRUNE_FTP_SERVER_SCRIPT, fFolder.Path(), user,
                                     password};
    if (!readerUser.empty())
        args.insert(args.end(), {"--reader", readerUser, readerPassword});
    if (refuseActive)
        args.emplace_back("--refuse-active");
    fProcess.Start(std::move(args), "FTP test server");
}

std::string FtpServer::ReadStored(const std::string& name) const {
    std::ifstream in(Root() / name, std::ios::binary);
    if (!in)
        throw std::runtime_error("no stored file " + name);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
