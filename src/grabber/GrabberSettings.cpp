#include "GrabberSettings.h"

#include "Registry.h"

namespace {

struct Flag {
    const char* name;
    bool GrabberSettings::*value;
};

constexpr Flag kFlags[] = {
    {"GrabAll", &GrabberSettings::grabAll},
    {"GrabImages", &GrabberSettings::grabImages},
    {"GrabAudioVideo", &GrabberSettings::grabAudioVideo},
    {"GrabData", &GrabberSettings::grabData},
    {"GrabFrames", &GrabberSettings::grabFrames},
    {"MakeBrowsable", &GrabberSettings::makeBrowsable},
    {"ReplaceExisting", &GrabberSettings::replaceExisting},
    {"MultipartDownloading", &GrabberSettings::multipartDownloading},
};

}  // namespace

void GrabberSettings::read() {
    ignoringStoreFailures([this] {
        Registry registry;
        if (!registry.openKey(kKey, false))
            return;
        for (const Flag& flag : kFlags)
            this->*flag.value = registry.readBool(flag.name);
        grabDepth = registry.readInteger("GrabDepth");
        for (int i = 0; i < kHistoryRead; ++i) {
            const QString entry = registry.readString(QString::number(i));
            if (!entry.isEmpty())
                history.append(entry);
        }
    });
    ignoringStoreFailures([this] {
        Registry registry;
        if (!registry.openKey(kKey, false))
            return;
        ignoringStoreFailures([&] { ignoreRobots = registry.readBool("IgnoreRobots"); });
        ignoringStoreFailures([&] {
            connectionsPerHost =
                qBound(1, registry.readInteger("ConnectionsPerHost"), kMostConnectionsPerHost);
        });
        ignoringStoreFailures(
            [&] { requestDelay = qBound(0, registry.readInteger("RequestDelay"), kLongestDelay); });
    });
}

void GrabberSettings::write() const {
    ignoringStoreFailures([this] {
        Registry registry;
        if (!registry.openKey(kKey, true))
            return;
        for (const Flag& flag : kFlags)
            registry.writeBool(flag.name, this->*flag.value);
        registry.writeInteger("GrabDepth", grabDepth);
        for (int i = 0; i < history.size(); ++i)
            registry.writeString(QString::number(i), history[i]);
        registry.writeBool("IgnoreRobots", ignoreRobots);
        registry.writeInteger("ConnectionsPerHost", connectionsPerHost);
        registry.writeInteger("RequestDelay", requestDelay);
        registry.closeKey();
    });
}
