#pragma once

#include <QStringList>

// The grabber's values in the settings store, under
// "\Software\Corvanta\Grabber": the eight option check items, `GrabDepth` and
// the address history as texts "0", "1", ... in list order; then the
// politeness toward servers: `IgnoreRobots`, `ConnectionsPerHost` and
// `RequestDelay` (ms).
struct GrabberSettings {
    static constexpr const char* kKey = "\\Software\\Corvanta\\Grabber";
    static constexpr int kHistoryRead = 8;  // entries read back at the next start

    bool grabAll = true;
    bool grabImages = true;
    bool grabAudioVideo = true;
    bool grabData = true;
    bool grabFrames = true;
    bool makeBrowsable = true;
    bool replaceExisting = true;
    bool multipartDownloading = true;
    int grabDepth = 3;
    QStringList history;
    bool ignoreRobots = false;
    int connectionsPerHost = 5;  // at most kMostConnectionsPerHost
    int requestDelay = 0;        // ms, at most kLongestDelay

    static constexpr int kMostConnectionsPerHost = 16;
    static constexpr int kLongestDelay = 60000;

    // Reads what is stored over these values, in the order above, when the key
    // exists (it is not created). Reading stops silently at the first value
    // that cannot be read: what was read until then stays, the rest keeps its
    // value here. Non-empty entries "0" to "7" are appended to the history.
    // The politeness values are read each on its own (a store written before
    // they existed lacks them), and out-of-range ones are brought in range.
    void read();
    // Writes every value and the whole history, creating the key; a store that
    // cannot be written is ignored.
    void write() const;
};
