#include "models/Sha1.h"

#include <openssl/evp.h>

namespace parlix {

struct Sha1::Context {
    EVP_MD_CTX *md = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(md); }
};

Sha1::Sha1()
    : m_context(std::make_unique<Context>())
{
    reset();
}

Sha1::~Sha1() = default;

void Sha1::reset()
{
    EVP_DigestInit_ex(m_context->md, EVP_sha1(), nullptr);
}

void Sha1::addData(QByteArrayView data)
{
    EVP_DigestUpdate(m_context->md, data.data(), size_t(data.size()));
}

QString Sha1::hexDigest()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_context->md, digest, &length);
    reset();
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex());
}

} // namespace parlix
