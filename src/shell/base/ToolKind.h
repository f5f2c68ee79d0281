#pragma once

#include <QString>
#include <array>

// The six tool kinds, in the order start-up reopens them.
enum class ToolKind { FtpClient, Editor, NetTranslator, NetworkTools, WebBrowser, WebSiteGrabber };

struct ToolKindInfo {
    ToolKind kind;
    const char* caption;        // the kind caption: task bar text, window caption, settings name
    const char* designCaption;  // the caption of the window's own design
    int taskBarImage;           // index into TaskBar.bmp
};

inline constexpr std::array<ToolKindInfo, 6> kToolKinds{{
    {ToolKind::FtpClient, "FTP Client", "Ftp Client", 5},
    {ToolKind::Editor, "Editor", "Editor", 1},
    {ToolKind::NetTranslator, "Net Translator", "Net Translator", 3},
    {ToolKind::NetworkTools, "Network Tools", "Network Tools", 2},
    {ToolKind::WebBrowser, "Web Browser", "Web Browser", 4},
    {ToolKind::WebSiteGrabber, "Web Site Grabber", "Grab A Web Site", 0},
}};

const ToolKindInfo& toolKindInfo(ToolKind kind);
QString toolKindCaption(ToolKind kind);
