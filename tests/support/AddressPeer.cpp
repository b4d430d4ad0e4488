#include "AddressPeer.h"

namespace testsupport {

AddressPeer::AddressPeer(std::vector<std::string> args)
{
    args.insert(args.begin(), {KESTRUNE_SYSTEM_PYTHON, KESTRUNE_ADDRESS_PEERS_SCRIPT});
    m_process.Start(std::move(args), "address source peer");
}

std::vector<std::string> AddressPeer::coturn(const TempDir& folder)
{
    return {"coturn", folder.Path() + "/turndb"};
}

} // namespace testsupport
