#include "platform/digest.h"

#include <QFile>

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <array>

namespace platform {

namespace {

// Fetching the algorithm goes through OpenSSL's provider lookup; do it once per process.
EVP_MAC* hmacAlgorithm() {
    static EVP_MAC* const mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    return mac;
}

constexpr qint64 kFileBlockSize = 1 << 20;

} // namespace

struct HmacSha256::State {
    EVP_MAC_CTX* ctx = nullptr;
    bool good = false;
};

HmacSha256::HmacSha256(QByteArrayView key) : d(new State) {
    EVP_MAC* mac = hmacAlgorithm();
    if (!mac) return;
    d->ctx = EVP_MAC_CTX_new(mac);
    if (!d->ctx) return;
    char digestName[] = "SHA256";
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digestName, 0),
        OSSL_PARAM_construct_end(),
    };
    // OpenSSL wants a non-null key pointer even for an empty key.
    static const unsigned char emptyKey = 0;
    const auto* keyBytes = key.isEmpty() ? &emptyKey : reinterpret_cast<const unsigned char*>(key.data());
    d->good = EVP_MAC_init(d->ctx, keyBytes, static_cast<size_t>(key.size()), params) == 1;
}

HmacSha256::~HmacSha256() {
    EVP_MAC_CTX_free(d->ctx);
    delete d;
}

bool HmacSha256::update(QByteArrayView data) {
    if (!d->good) return false;
    if (data.isEmpty()) return true;
    d->good = EVP_MAC_update(d->ctx, reinterpret_cast<const unsigned char*>(data.data()),
                             static_cast<size_t>(data.size())) == 1;
    return d->good;
}

QByteArray HmacSha256::finish() {
    if (!d->good) return {};
    std::array<unsigned char, kHmacSha256Length> out{};
    size_t length = 0;
    d->good = EVP_MAC_final(d->ctx, out.data(), &length, out.size()) == 1 && length == out.size();
    if (!d->good) return {};
    d->good = false; // a context is finished once
    return QByteArray(reinterpret_cast<const char*>(out.data()), kHmacSha256Length);
}

QByteArray hmacSha256(QByteArrayView key, QByteArrayView data) {
    HmacSha256 mac(key);
    mac.update(data);
    return mac.finish();
}

QByteArray hmacSha256File(QByteArrayView key, const QString& path, bool* ok) {
    if (ok) *ok = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    HmacSha256 mac(key);
    QByteArray block(kFileBlockSize, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(block.data(), block.size());
        if (got < 0) return {};
        if (got == 0) break;
        if (!mac.update(QByteArrayView(block.constData(), got))) return {};
    }
    QByteArray digest = mac.finish();
    if (ok) *ok = !digest.isEmpty();
    return digest;
}

} // namespace platform
