// Keyed digest: HMAC-SHA256 (RFC 2104 over SHA-256) from OpenSSL's libcrypto.
// Safe from any thread; nothing is shared between calls.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace platform {

inline constexpr int kHmacSha256Length = 32;

// The 32-byte HMAC-SHA256 of `data` under `key`. Empty key and empty data are valid inputs.
// Returns an empty array only when the crypto library fails (it does not for these inputs).
QByteArray hmacSha256(QByteArrayView key, QByteArrayView data);

// The same digest over a file's contents, read in blocks so that large files need no memory of
// their size. Returns an empty array (and sets *ok false when given) when the file cannot be
// opened or read to its end.
QByteArray hmacSha256File(QByteArrayView key, const QString& path, bool* ok = nullptr);

// Incremental form for callers that produce the data in pieces.
class HmacSha256 {
public:
    explicit HmacSha256(QByteArrayView key);
    ~HmacSha256();
    HmacSha256(const HmacSha256&) = delete;
    HmacSha256& operator=(const HmacSha256&) = delete;

    // False once any step has failed; the result is then empty.
    bool update(QByteArrayView data);
    QByteArray finish();

private:
    struct State;
    State* d;
};

} // namespace platform
