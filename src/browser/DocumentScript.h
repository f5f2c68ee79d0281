#pragma once

#include <QString>

// The script through which the browser window reads and changes the loaded
// document. It runs in the application's own script world, apart from the
// page's scripts (which neither see it nor can change what it reads), in the
// top frame and in every frame below it.
//
// A frame of another origin cannot be read from the top. When a walk reaches
// one, it asks that frame (by a message naming the walk and the frame's
// path) to walk itself; the frame answers through the console, prefixed by
// the process's report secret, which pages never see. The host hands those
// answers on as document reports.
namespace DocumentScript {

// The name under which the script is installed in every page.
inline constexpr const char* kName = "corvanta-document";

// The script's text, reporting with `reportPrefix`.
QString source(const QString& reportPrefix);

// An expression run in the top frame's application world: calls `function`
// of the script's object with `arguments` (a JSON text of an array).
QString call(const QString& function, const QString& arguments = QStringLiteral("[]"));

}  // namespace DocumentScript
