#include "ToolWindowsModule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QOpenGLContext>

#include "Prompts.h"

// Qt's global shared context, as the browser engine itself sets it when it
// starts with the application.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace {

constexpr const char* kModuleName = "corvanta_tools.so";

QOpenGLContext* sharedContext = nullptr;

void releaseSharedContext() {
    if (QOpenGLContext::globalShareContext() == sharedContext)
        qt_gl_set_global_share_context(nullptr);
    delete sharedContext;
    sharedContext = nullptr;
}

// The browser engine draws through GL contexts shared with this one; made
// before the engine's libraries are loaded, which check for it.
void makeSharedContext() {
    if (QOpenGLContext::globalShareContext())
        return;
    auto* context = new QOpenGLContext;
    if (!context->create()) {
        delete context;  // no GL here: the engine draws without
        return;
    }
    sharedContext = context;
    qt_gl_set_global_share_context(context);
    qAddPostRoutine(releaseSharedContext);
}

}  // namespace

QStringList ToolWindowsModule::candidates() {
    const QString program = QCoreApplication::applicationDirPath();
    return {program + QLatin1Char('/') + QLatin1String(kModuleName),
            QFileInfo(program + QStringLiteral("/" CORVANTA_INSTALLED_MODULES "/") +
                      QLatin1String(kModuleName))
                .absoluteFilePath()};
}

ToolWindowFactory* ToolWindowsModule::tools() {
    if (m_tools || m_failed)
        return m_tools;
    makeSharedContext();
    QStringList errors;
    for (const QString& path : candidates()) {
        if (!QFileInfo::exists(path))
            continue;
        QLibrary module(path);
        using Entry = ToolWindowFactory* (*)();
        if (auto entry = reinterpret_cast<Entry>(module.resolve("corvantaToolWindows"))) {
            m_tools = entry();  // the module stays loaded for the program's life
            return m_tools;
        }
        errors << module.errorString();
    }
    m_failed = true;
    m_prompts.errorBox(
        QStringLiteral("Corvanta cannot open its tool windows: their module %1 could not be "
                       "loaded.\n%2")
            .arg(QLatin1String(kModuleName), errors.isEmpty()
                                                 ? QStringLiteral("It is in neither of %1.")
                                                       .arg(candidates().join(QStringLiteral(", ")))
                                                 : errors.join(QLatin1Char('\n'))));
    return nullptr;
}

ToolWindow* ToolWindowsModule::create(ToolKind kind, ToolHost& host) {
    ToolWindowFactory* loaded = tools();
    return loaded ? loaded->create(kind, host) : nullptr;
}

// The rest act on a window the module made, so it is loaded by then.
void ToolWindowsModule::navigate(ToolWindow* browser, const QString& address, bool noHistory) {
    if (m_tools && browser)
        m_tools->navigate(browser, address, noHistory);
}

void ToolWindowsModule::showHtml(ToolWindow* browser, const QString& html,
                                 const QString& baseAddress) {
    if (m_tools && browser)
        m_tools->showHtml(browser, html, baseAddress);
}

void ToolWindowsModule::showText(ToolWindow* editor, const QString& text, bool html) {
    if (m_tools && editor)
        m_tools->showText(editor, text, html);
}

void ToolWindowsModule::handOff(ToolWindow* window, const QString& text) {
    if (m_tools && window)
        m_tools->handOff(window, text);
}

void ToolWindowsModule::openFile(ToolWindow* editor, const QString& path) {
    if (m_tools && editor)
        m_tools->openFile(editor, path);
}

void ToolWindowsModule::openAddress(ToolWindow* ftp, const QString& address) {
    if (m_tools && ftp)
        m_tools->openAddress(ftp, address);
}
