#pragma once

#include <QString>

// Undoes one gzip layer: reads the open file `source` from its start, writes
// `target` (named `targetName` in errors) from its current position. Stops
// with an error once the output would pass `outputLimit` bytes. Returns the
// error text, or an empty text on success.
QString gunzipFile(int source, int target, const QString& targetName, qint64 outputLimit);
