#pragma once

#include <QString>
#include <array>
#include <functional>

#include "ToolKind.h"

class ToolHost;
class ToolWindowFactory;

// The tray menu's six hand-off actions: each asks for an address or a text,
// opens a new tool window of its kind, brings the program back from the tray
// and passes the input into the window.
//
// UI thread only.
class HandOff {
public:
    enum class Dialog {
        Query,  // goes on when OK is pressed, even with an empty edit
        Box,    // goes on when the text is not empty
    };
    struct Action {
        const char* trayCaption;
        int image;  // into the frame's menu images
        Dialog dialog;
        const char* caption;
        const char* prompt;
        ToolKind kind;
    };
    // In the tray menu's order.
    static constexpr std::array<Action, 6> kActions{{
        {"Open a URL address in the Web Browser", 3, Dialog::Query, "Corvanta : Browser",
         "Please enter a valid URL.", ToolKind::WebBrowser},
        {"Enter a URL address to the Web Site Grabber", 2, Dialog::Query,
         "Corvanta : Web Site Grabber", "Please enter a valid URL to grab.",
         ToolKind::WebSiteGrabber},
        {"Enter a text to the Editor", 8, Dialog::Box, "Corvanta : Editor", "Please enter a text.",
         ToolKind::Editor},
        {"Open a URL address in the FTP Client", 1, Dialog::Query, "Corvanta : FTP Client",
         "Please enter a valid URL.", ToolKind::FtpClient},
        {"Trace a URL address in the Net Tools", 15, Dialog::Query, "Corvanta : NetTools",
         "Please enter a valid URL or an IP address.", ToolKind::NetworkTools},
        {"Enter a text to Translate", 16, Dialog::Box, "Corvanta : Translator",
         "Please enter a text.", ToolKind::NetTranslator},
    }};

    // `showForm` brings the program back from the tray (DoShowForm).
    HandOff(ToolHost& host, ToolWindowFactory& tools, std::function<void()> showForm);

    // Runs kActions[index].
    void run(int index);

    void DoBrowseUrl() { run(0); }
    void DoOpenUrlInGrabber() { run(1); }
    void DoEnterTextToEditor() { run(2); }
    void DoOpenUrlFtp() { run(3); }
    void DoAddAdressToNetToold() { run(4); }
    void DoAddTextToTranslate() { run(5); }

private:
    ToolHost& m_host;
    ToolWindowFactory& m_tools;
    std::function<void()> m_showForm;
};
