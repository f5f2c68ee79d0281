#include "SuiteToolWindows.h"

#include "fmBrowser.h"
#include "fmFTP.h"
#include "fmGrabber.h"
#include "fmNetTools.h"
#include "fmNotepad.h"
#include "fmTranslate.h"

ToolWindow* SuiteToolWindows::create(ToolKind kind, ToolHost& host) {
    switch (kind) {
        case ToolKind::FtpClient:
            return new TFTPfrm(host);
        case ToolKind::Editor:
            return new TfrmNotepad(host);
        case ToolKind::NetTranslator:
            return new TTransFrm(host);
        case ToolKind::NetworkTools:
            return new TNetToosFrm(host);
        case ToolKind::WebBrowser:
            return new TbrowserFrm(host);
        case ToolKind::WebSiteGrabber:
            return new TGrabberFrm(host);
    }
    return nullptr;
}

void SuiteToolWindows::navigate(ToolWindow* browser, const QString& address, bool noHistory) {
    auto* window = qobject_cast<TbrowserFrm*>(browser);
    if (!window)
        return;
    if (noHistory) {
        window->NavigateNoHistory(address);
    } else {
        window->Navigate(address);
    }
}

void SuiteToolWindows::showHtml(ToolWindow* browser, const QString& html,
                                const QString& baseAddress) {
    if (auto* window = qobject_cast<TbrowserFrm*>(browser))
        window->showHtml(html, baseAddress);
}

void SuiteToolWindows::showText(ToolWindow* editor, const QString& text, bool html) {
    auto* window = qobject_cast<TfrmNotepad*>(editor);
    if (!window)
        return;
    if (html) {
        window->showHtmlSource(text);
    } else {
        window->handOffText(text);
    }
}

void SuiteToolWindows::handOff(ToolWindow* window, const QString& text) {
    if (auto* browser = qobject_cast<TbrowserFrm*>(window))
        browser->Navigate(text);
    else if (auto* grabber = qobject_cast<TGrabberFrm*>(window))
        grabber->handOffAddress(text);
    else if (auto* editor = qobject_cast<TfrmNotepad*>(window))
        editor->handOffText(text);
    else if (auto* ftp = qobject_cast<TFTPfrm*>(window))
        ftp->handOffAddress(text);
    else if (auto* netTools = qobject_cast<TNetToosFrm*>(window))
        netTools->handOffAddress(text);
    else if (auto* translator = qobject_cast<TTransFrm*>(window))
        translator->handOffText(text);
}

void SuiteToolWindows::openFile(ToolWindow* editor, const QString& path) {
    if (auto* window = qobject_cast<TfrmNotepad*>(editor))
        window->openFile(path);
}

void SuiteToolWindows::openAddress(ToolWindow* ftp, const QString& address) {
    if (auto* window = qobject_cast<TFTPfrm*>(ftp))
        window->openAddress(address);
}
