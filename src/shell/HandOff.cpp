#include "HandOff.h"

#include "Prompts.h"
#include "ToolHost.h"
#include "ToolWindowFactory.h"

HandOff::HandOff(ToolHost& host, ToolWindowFactory& tools, std::function<void()> showForm)
    : m_host(host), m_tools(tools), m_showForm(std::move(showForm)) {}

void HandOff::run(int index) {
    const Action& action = kActions.at(index);
    const QString caption = QLatin1String(action.caption);
    const QString prompt = QLatin1String(action.prompt);
    QString text;
    if (action.dialog == Dialog::Query) {
        if (!m_host.prompts().inputQuery(caption, prompt, text))
            return;
    } else {
        text = m_host.prompts().inputBox(caption, prompt, QString());
        if (text.isEmpty())
            return;
    }
    ToolWindow* window = m_host.openTool(action.kind);
    m_showForm();
    // The input is passed on as typed: the receiving window judges it.
    if (window)
        m_tools.handOff(window, text);
}
