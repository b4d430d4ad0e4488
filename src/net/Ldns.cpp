#include "Ldns.h"

#include "NetworkErrors.h"

#include <dlfcn.h>

#include <optional>

namespace kestrune::net {

const Ldns &ldns()
{
    static const std::optional<Ldns> loaded = []() -> std::optional<Ldns> {
        // Kept loaded until the process ends, like the library's own tables.
        void *library = ::dlopen(KESTRUNE_LIBLDNS_SONAME, RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return std::nullopt;
        Ldns functions;
        bool complete = true;
#define KESTRUNE_LDNS_LOAD(name)                                                                                   \
    functions.name = reinterpret_cast<decltype(&::ldns_##name)>(::dlsym(library, "ldns_" #name));                  \
    complete = complete && functions.name;
        KESTRUNE_LDNS_FUNCTIONS(KESTRUNE_LDNS_LOAD)
#undef KESTRUNE_LDNS_LOAD
        functions.rcodes = static_cast<ldns_lookup_table *>(::dlsym(library, "ldns_rcodes"));
        if (!complete || !functions.rcodes)
            return std::nullopt;
        return functions;
    }();
    if (!loaded)
        throw NetworkError(ldnstexts::kCouldNotLoadDnsLibrary);
    return *loaded;
}

} // namespace kestrune::net
