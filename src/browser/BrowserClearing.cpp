#include "BrowserClearing.h"

#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

#include "BrowserHost.h"
#include "BrowserSettings.h"
#include "HistoryStore.h"
#include "Prompts.h"

namespace BrowserClearing {

void ClearOwnHistory() {
    BrowserSettings::clearOwnHistory();
}

namespace {

void forgetVisits() {
    const QString folder = HistoryStore::folder();
    if (!folder.isEmpty())
        HistoryStore(folder).clear();
    BrowserHost::profile()->clearAllVisitedLinks();
}

}  // namespace

void ClearSystemHistory(Prompts& prompts) {
    prompts.timedMessage(QStringLiteral("Corvanta Help Message"),
                         QStringLiteral("This procedure clean out your pc internet cache and it "
                                        "takes time.\n\rPlease wait untill Corvanta Browser will "
                                        "finish!"),
                         2000);
    forgetVisits();
}

void ClearSystemCache() {
    QWebEngineProfile* profile = BrowserHost::profile();
    profile->clearHttpCache();
    profile->cookieStore()->deleteAllCookies();
    forgetVisits();
}

}  // namespace BrowserClearing
