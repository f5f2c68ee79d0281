// The entry of the tool windows' module (corvanta_tools), which the program
// loads when it opens its first tool window (ToolWindowsModule).
#include "SuiteToolWindows.h"

extern "C" Q_DECL_EXPORT ToolWindowFactory* corvantaToolWindows() {
    static SuiteToolWindows tools;
    return &tools;
}
