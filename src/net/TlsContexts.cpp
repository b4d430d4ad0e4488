#include "TlsContexts.h"

#include "NetworkErrors.h"
#include "OpenSsl.h"

#include <sys/stat.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace kestrune::net {

namespace {

constexpr const char *kDefaultCipherList = "DEFAULT";
// Distinct option sets in one run are few (checked or not, per client); the oldest goes beyond this.
constexpr std::size_t kMaxContexts = 8;

void initialiseLibraryOnce()
{
    static std::once_flag once;
    static bool initialised = false;
    std::call_once(once, [] {
        // Error strings are never shown (our messages are our own) and the process's end frees everything:
        // loading the one and running the other's clean-up cost a start-up of ours about a tenth of its time.
        initialised = openSsl().OPENSSL_init_ssl(OPENSSL_INIT_NO_LOAD_SSL_STRINGS | OPENSSL_INIT_NO_LOAD_CRYPTO_STRINGS |
                                           OPENSSL_INIT_NO_ATEXIT,
                                       nullptr) == 1;
    });
    if (!initialised)
        throw TlsLibraryError(tlstexts::kCouldNotLoadSslLibrary);
}

// Keeps OpenSSL from asking on the terminal for the pass phrase of an encrypted key.
int emptyPassword(char *, int, int, void *) { return 0; }

std::string variable(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

// Which file this is now: a file replaced or rewritten under the same name reads differently.
std::string fileIdentity(const std::string &path)
{
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        return path + "|-";
    return path + "|" + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" +
           std::to_string(info.st_size) + ":" + std::to_string(info.st_mtim.tv_sec) + "." +
           std::to_string(info.st_mtim.tv_nsec);
}

std::string sourcesOf(const TlsOptions &options)
{
    std::string sources;
    if (options.verifyMode & kVerifyPeer) {
        const std::string storeFile = variable(openSsl().X509_get_default_cert_file_env());
        sources = fileIdentity(storeFile.empty() ? openSsl().X509_get_default_cert_file() : storeFile) + "\n" +
                  variable(openSsl().X509_get_default_cert_dir_env()) + "\n";
    }
    for (const std::string *file : {&options.rootCertFile, &options.certFile, &options.keyFile})
        if (!file->empty())
            sources += fileIdentity(*file) + "\n";
    return sources;
}

// The store's file and hashed folder, where SSL_CERT_FILE and SSL_CERT_DIR say or else the library's own. Not
// SSL_CTX_set_default_verify_paths: OpenSSL 3 adds a store loader to it that lists the whole folder and sets up its
// decoders for every context, a fifth of a mail's time over STARTTLS, to find what the hashed folder finds.
void useSystemStore(SSL_CTX *context)
{
    const std::string file = variable(openSsl().X509_get_default_cert_file_env());
    const std::string folder = variable(openSsl().X509_get_default_cert_dir_env());
    // Either may be missing; what is there is used, as the library's defaults do.
    openSsl().SSL_CTX_load_verify_locations(context, file.empty() ? openSsl().X509_get_default_cert_file() : file.c_str(),
                                            nullptr);
    openSsl().SSL_CTX_load_verify_locations(context, nullptr,
                                            folder.empty() ? openSsl().X509_get_default_cert_dir() : folder.c_str());
    openSsl().ERR_clear_error();
}

void configure(SSL_CTX *context, const TlsOptions &options)
{
    openSsl().SSL_CTX_set_default_passwd_cb(context, emptyPassword);
    // Loading the system's certificate store costs tens of milliseconds; only verification needs it.
    if (options.verifyMode & kVerifyPeer)
        useSystemStore(context);
    if (!options.rootCertFile.empty() &&
        openSsl().SSL_CTX_load_verify_locations(context, options.rootCertFile.c_str(), nullptr) != 1)
        throw NetworkError(tlstexts::kLoadRootCertError);
    if (!options.certFile.empty() &&
        openSsl().SSL_CTX_use_certificate_file(context, options.certFile.c_str(), SSL_FILETYPE_PEM) != 1)
        throw NetworkError(tlstexts::kLoadCertError);
    if (!options.keyFile.empty() &&
        openSsl().SSL_CTX_use_PrivateKey_file(context, options.keyFile.c_str(), SSL_FILETYPE_PEM) != 1)
        throw NetworkError(tlstexts::kLoadKeyError);
    const std::string ciphers = options.cipherList.empty() ? std::string(kDefaultCipherList) : options.cipherList;
    if (openSsl().SSL_CTX_set_cipher_list(context, ciphers.c_str()) != 1)
        throw TlsCipherError(tlstexts::kSettingCipherError);
    int verify = SSL_VERIFY_NONE;
    if (options.verifyMode & kVerifyPeer)
        verify |= SSL_VERIFY_PEER;
    if (options.verifyMode & kVerifyFailIfNoPeerCert)
        verify |= SSL_VERIFY_FAIL_IF_NO_PEER_CERT;
    if (options.verifyMode & kVerifyClientOnce)
        verify |= SSL_VERIFY_CLIENT_ONCE;
    openSsl().SSL_CTX_set_verify(context, verify, nullptr);
    if (verify != SSL_VERIFY_NONE && options.verifyDepth > 0)
        openSsl().SSL_CTX_set_verify_depth(context, options.verifyDepth);
}

SSL_CTX *create(const TlsOptions &options)
{
    initialiseLibraryOnce();
    const TlsMode mode = options.mode == TlsMode::Unassigned ? TlsMode::Client : options.mode;
    // Only the negotiating client method exists in current OpenSSL; fixed old versions are not offered.
    if (mode != TlsMode::Client || options.method != TlsVersion::SslV23)
        throw TlsMethodError(tlstexts::kGetMethodError);
    SSL_CTX *context = openSsl().SSL_CTX_new(openSsl().TLS_client_method());
    if (!context)
        throw TlsContextError(tlstexts::kCreatingContextError);
    try {
        configure(context, options);
    } catch (...) {
        openSsl().SSL_CTX_free(context); // half made: never kept
        throw;
    }
    return context;
}

struct Entry {
    TlsOptions options;
    std::string sources;
    SSL_CTX *context = nullptr;
};

// Kept until the process ends, like the library's own tables.
std::mutex g_lock;
std::vector<Entry> *g_entries = new std::vector<Entry>;

} // namespace

SSL_CTX *TlsContexts::acquire(const TlsOptions &options)
{
    const std::string sources = sourcesOf(options);
    const std::lock_guard<std::mutex> hold(g_lock);
    std::vector<Entry> &entries = *g_entries;
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (!(it->options == options))
            continue;
        if (it->sources == sources) {
            openSsl().SSL_CTX_up_ref(it->context);
            return it->context;
        }
        openSsl().SSL_CTX_free(it->context); // connections still using it hold their own references
        entries.erase(it);
        break;
    }
    SSL_CTX *context = create(options);
    if (entries.size() >= kMaxContexts) {
        openSsl().SSL_CTX_free(entries.front().context);
        entries.erase(entries.begin());
    }
    entries.push_back({options, sources, context});
    openSsl().SSL_CTX_up_ref(context);
    return context;
}

} // namespace kestrune::net
