#include "UpdateSignature.h"

#include <openssl/evp.h>

#include <QUrl>
#include <memory>

#include "UpdateSigningKey.h"

namespace UpdateSignature {

QByteArray projectKey() {
    return QByteArray::fromBase64(QByteArray(kUpdateSigningKeyBase64));
}

bool verify(QByteArrayView data, QByteArrayView signature, QByteArrayView publicKey) {
    if (publicKey.size() != kPublicKeySize || signature.size() != kSignatureSize)
        return false;
    const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                    reinterpret_cast<const unsigned char*>(publicKey.data()),
                                    size_t(publicKey.size())),
        &EVP_PKEY_free);
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                          &EVP_MD_CTX_free);
    if (!key || !context)
        return false;
    // Ed25519 signs the message itself: no digest is named.
    if (EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return false;
    return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                            size_t(signature.size()),
                            reinterpret_cast<const unsigned char*>(data.data()),
                            size_t(data.size())) == 1;
}

QString signatureUrl(const QString& listUrl) {
    QUrl url(listUrl.trimmed());
    url.setPath(url.path() + QStringLiteral(".sig"));
    return url.toString();
}

}  // namespace UpdateSignature
