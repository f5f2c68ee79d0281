#pragma once

#include <QString>

// Undoes one gzip layer: reads `source`, writes `target`. Stops with an error
// once the output would pass `outputLimit` bytes. Returns the error text, or
// an empty text on success.
QString gunzipFile(const QString& source, const QString& target, qint64 outputLimit);
