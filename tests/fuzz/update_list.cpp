// libFuzzer target: the update list as the update check takes it from the
// server. The input is a signature (its first 64 bytes) and the list (the
// rest). A made-up signature never checks; one made for the list checks, and
// fails once a bit of the list or of the signature changes. Read as
// published, no entry keeps a field only the local record may carry.
#include <openssl/evp.h>

#include <memory>

#include "FuzzSupport.h"
#include "TclUpdateInfo.h"
#include "UpdateSignature.h"

namespace {

struct KeyPair {
    EVP_PKEY* secret = nullptr;
    QByteArray publicKey;
};

// One throw-away key for the run.
const KeyPair& keyPair() {
    static const KeyPair pair = [] {
        KeyPair made;
        EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
        FUZZ_CHECK(context && EVP_PKEY_keygen_init(context) == 1 &&
                   EVP_PKEY_keygen(context, &made.secret) == 1);
        EVP_PKEY_CTX_free(context);
        size_t length = UpdateSignature::kPublicKeySize;
        made.publicKey.resize(qsizetype(length));
        FUZZ_CHECK(EVP_PKEY_get_raw_public_key(
                       made.secret, reinterpret_cast<unsigned char*>(made.publicKey.data()),
                       &length) == 1);
        return made;
    }();
    return pair;
}

QByteArray sign(QByteArrayView data) {
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                          &EVP_MD_CTX_free);
    size_t length = UpdateSignature::kSignatureSize;
    QByteArray signature(qsizetype(length), '\0');
    FUZZ_CHECK(context &&
               EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, keyPair().secret) ==
                   1 &&
               EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()),
                              &length, reinterpret_cast<const unsigned char*>(data.data()),
                              size_t(data.size())) == 1);
    return signature;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView input = fuzz::bytesOf(data, size);
    const qsizetype split = qMin(input.size(), UpdateSignature::kSignatureSize);
    const QByteArrayView madeUp = input.first(split);
    const QByteArrayView list = input.sliced(split);
    const QByteArray& key = keyPair().publicKey;

    FUZZ_CHECK(!UpdateSignature::verify(list, madeUp, key));
    FUZZ_CHECK(!UpdateSignature::verify(list, madeUp, madeUp));
    QByteArray good = sign(list);
    FUZZ_CHECK(UpdateSignature::verify(list, good, key));
    FUZZ_CHECK(!UpdateSignature::verify(list, good, key.first(31)));
    FUZZ_CHECK(!UpdateSignature::verify(list, good + '\0', key));
    if (!list.isEmpty()) {
        QByteArray changed = list.toByteArray();
        changed[changed.size() / 2] = char(changed[changed.size() / 2] ^ 0x04);
        FUZZ_CHECK(!UpdateSignature::verify(changed, good, key));
    }
    good[size % good.size()] = char(good[size % good.size()] ^ 0x80);
    FUZZ_CHECK(!UpdateSignature::verify(list, good, key));

    for (const TclUpdateInfoItem& item : readPublishedList(list)) {
        FUZZ_CHECK(item.status == TclUpdateStatus::Download);
        FUZZ_CHECK(item.localFile.isEmpty() && item.updateDate.isEmpty());
        FUZZ_CHECK(item.resourceState.segments.isEmpty() && item.resourceState.resourceSize == 0);
        if (isSha256Digest(item.sha256))
            FUZZ_CHECK(QByteArray::fromHex(item.sha256.toLatin1()).size() == 32);
    }
    return 0;
}
