#include "BrowserClearing.h"

#include <QWebEngineProfile>

#include "BrowserHost.h"
#include "BrowserSettings.h"
#include "HistoryStore.h"
#include "Prompts.h"

namespace BrowserClearing {

void ClearOwnHistory() {
    BrowserSettings::clearOwnHistory();
}

void ClearSystemHistory(Prompts& prompts) {
    prompts.timedMessage(QStringLiteral("Corvanta Help Message"),
                         QStringLiteral("This procedure clean out your pc internet cache and it "
                                        "takes time.\n\rPlease wait untill Corvanta Browser will "
                                        "finish!"),
                         2000);
    const QString folder = HistoryStore::folder();
    if (!folder.isEmpty())
        HistoryStore(folder).clear();
    BrowserHost::profile()->clearAllVisitedLinks();
}

void ClearSystemCache() {
    BrowserHost::profile()->clearHttpCache();
}

}  // namespace BrowserClearing
