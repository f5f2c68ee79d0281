#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The detached signature of an update list: 64 raw Ed25519 bytes over the
// list's exact bytes, published beside it as "<list>.sig" (tools/sign-update
// makes both the keys and the signatures).
namespace UpdateSignature {

inline constexpr qsizetype kPublicKeySize = 32;
inline constexpr qsizetype kSignatureSize = 64;

// The key compiled into the program: the only one the shipped program trusts.
QByteArray projectKey();

// True when `signature` is a valid Ed25519 signature of `data` made with the
// secret half of `publicKey` (32 raw bytes). Any malformed key or signature
// is false.
bool verify(QByteArrayView data, QByteArrayView signature, QByteArrayView publicKey);

// The address of the signature published beside the list at `listUrl`.
QString signatureUrl(const QString& listUrl);

}  // namespace UpdateSignature
