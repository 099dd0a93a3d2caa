#pragma once

#include <openssl/ssl.h>

#include <memory>
#include <string>

// The service's TLS settings (certificate chain, key, TLS 1.2 or later);
// throws std::runtime_error when the files cannot be used.
using TlsContext = std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)>;
TlsContext makeTlsContext(const std::string& certificatePath, const std::string& keyPath);
