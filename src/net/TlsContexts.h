#pragma once

#include "TlsTransport.h"

namespace kestrune::net {

// Client contexts shared by every TLS connection of the process. Making one fetches the library's
// algorithms and, for checked connections, reads the certificate store: milliseconds each time, which an
// FTPS data connection or a fresh client would otherwise pay again. A context is reused while its options,
// the store's location (SSL_CERT_FILE, SSL_CERT_DIR) and the files it read stay the same.
class TlsContexts {
public:
    // A new reference, released with SSL_CTX_free; raises what the options' settings fail with.
    static SSL_CTX *acquire(const TlsOptions &options);
};

} // namespace kestrune::net
