#pragma once

class Prompts;

// The clearing operations of the browser preferences' "History" page.
// UI thread only.
namespace BrowserClearing {

// "Clear Corvanta History": the stored address and search lists
// (BrowserSettings::clearOwnHistory).
void ClearOwnHistory();

// "Clear PC History": after a self-closing notice, forgets every visit of the
// history store and the engine's visited links (the colour of visited links).
void ClearSystemHistory(Prompts& prompts);

// "Clear PC Cache": everything the engine keeps of the pages visited: its
// HTTP cache, the cookies, the history of visits and the visited links;
// without a message.
void ClearSystemCache();

}  // namespace BrowserClearing
