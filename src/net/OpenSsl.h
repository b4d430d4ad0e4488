#pragma once

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace kestrune::net {

#define KESTRUNE_OPENSSL_FUNCTIONS(X)                                                                              \
    X(BIO_ctrl_pending) X(BIO_free) X(BIO_new) X(BIO_read) X(BIO_s_mem) X(BIO_write) X(ERR_clear_error)             \
    X(OPENSSL_init_ssl) X(SSL_CIPHER_description) X(SSL_CIPHER_get_bits) X(SSL_CIPHER_get_name)                    \
    X(SSL_CIPHER_get_version) X(SSL_CTX_free) X(SSL_CTX_load_verify_locations) X(SSL_CTX_new)                      \
    X(SSL_CTX_set_cipher_list) X(SSL_CTX_set_default_passwd_cb)                                                    \
    X(SSL_CTX_set_verify) X(SSL_CTX_set_verify_depth) X(SSL_CTX_up_ref) X(SSL_CTX_use_PrivateKey_file)             \
    X(SSL_CTX_use_certificate_file) X(SSL_SESSION_free) X(SSL_SESSION_is_resumable) X(SSL_connect) X(SSL_ctrl)    \
    X(SSL_free) X(SSL_get0_param) X(SSL_get1_session) X(SSL_get_current_cipher) X(SSL_get_error)                   \
    X(SSL_get_verify_result) X(SSL_is_init_finished) X(SSL_new) X(SSL_peek) X(SSL_pending) X(SSL_read)             \
    X(SSL_set_bio) X(SSL_set_connect_state) X(SSL_set_ex_data) X(SSL_set_session) X(SSL_shutdown) X(SSL_write)    \
    X(TLS_client_method) X(X509_VERIFY_PARAM_set1_host) X(X509_VERIFY_PARAM_set1_ip_asc)                          \
    X(X509_VERIFY_PARAM_set_hostflags) X(X509_get_default_cert_dir) X(X509_get_default_cert_dir_env)              \
    X(X509_get_default_cert_file) X(X509_get_default_cert_file_env) X(X509_verify_cert_error_string)

// The OpenSSL functions the TLS transport uses, from libssl (and libcrypto with it) loaded at the first TLS
// connection: a run that makes none neither maps them nor pays for their relocation at start-up.
struct OpenSsl {
#define KESTRUNE_OPENSSL_POINTER(name) decltype(&::name) name = nullptr;
    KESTRUNE_OPENSSL_FUNCTIONS(KESTRUNE_OPENSSL_POINTER)
#undef KESTRUNE_OPENSSL_POINTER
};

// Loads the library on the first call; raises TlsLibraryError ("Could not load SSL library.") when it or one
// of its functions is missing.
const OpenSsl &openSsl();

} // namespace kestrune::net
