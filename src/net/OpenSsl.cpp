#include "OpenSsl.h"

#include "NetworkErrors.h"
#include "TlsTransport.h"

#include <dlfcn.h>

#include <optional>

namespace kestrune::net {

const OpenSsl &openSsl()
{
    static const std::optional<OpenSsl> loaded = []() -> std::optional<OpenSsl> {
        // Kept loaded until the process ends: contexts and sessions live that long.
        void *library = ::dlopen(KESTRUNE_LIBSSL_SONAME, RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return std::nullopt;
        OpenSsl functions;
        bool complete = true;
#define KESTRUNE_OPENSSL_LOAD(name)                                                                                \
    functions.name = reinterpret_cast<decltype(&::name)>(::dlsym(library, #name));                                 \
    complete = complete && functions.name;
        KESTRUNE_OPENSSL_FUNCTIONS(KESTRUNE_OPENSSL_LOAD)
#undef KESTRUNE_OPENSSL_LOAD
        if (!complete)
            return std::nullopt;
        return functions;
    }();
    if (!loaded)
        throw TlsLibraryError(tlstexts::kCouldNotLoadSslLibrary);
    return *loaded;
}

} // namespace kestrune::net
