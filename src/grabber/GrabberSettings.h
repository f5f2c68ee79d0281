#pragma once

#include <QStringList>

// The grabber's values in the settings store, under
// "\Software\Corvanta\Grabber": the eight option check items, `GrabDepth` and
// the address history as texts "0", "1", ... in list order.
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

    // Reads what is stored over these values, in the order above, when the key
    // exists (it is not created). Reading stops silently at the first value
    // that cannot be read: what was read until then stays, the rest keeps its
    // value here. Non-empty entries "0" to "7" are appended to the history.
    void read();
    // Writes every value and the whole history, creating the key; a store that
    // cannot be written is ignored.
    void write() const;
};
