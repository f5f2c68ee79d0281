#include "ToolKind.h"

const ToolKindInfo& toolKindInfo(ToolKind kind) {
    for (const ToolKindInfo& info : kToolKinds) {
        if (info.kind == kind) {
            return info;
        }
    }
    return kToolKinds.front();
}

QString toolKindCaption(ToolKind kind) {
    return QString::fromLatin1(toolKindInfo(kind).caption);
}
