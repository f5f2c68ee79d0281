#pragma once

#include <QDialog>

class BrowserHost;

// "Internet Options": what the browser engine works with, as it stands. The
// start page, the cache and its size, cookies and stored data, the engine's
// identity and languages, and this window's own switches.
class InternetOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit InternetOptionsDialog(const BrowserHost& browser, QWidget* parent = nullptr);
};
