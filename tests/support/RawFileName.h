#pragma once

#include <QByteArray>

// Writes `content` to the file at `path`, given as bytes that need not be
// UTF-8 (a name in a legacy encoding, which Qt cannot name). False on failure.
bool writeFileAtRawPath(const QByteArray& path, const QByteArray& content);
