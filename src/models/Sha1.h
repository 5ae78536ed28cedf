#pragma once
// SHA-1 over data fed in pieces, through OpenSSL's libcrypto (which uses the CPU's SHA
// instructions where it has them: a model file is hashed while it downloads, and the digest must
// keep up with a fast link).
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

namespace parlix {

class Sha1 {
public:
    Sha1();
    ~Sha1();
    Sha1(const Sha1 &) = delete;
    Sha1 &operator=(const Sha1 &) = delete;

    void reset();
    void addData(QByteArrayView data);
    // Lower-case hex of everything added since the last reset; the state is then reset.
    QString hexDigest();

private:
    struct Context;
    std::unique_ptr<Context> m_context;
};

} // namespace parlix
