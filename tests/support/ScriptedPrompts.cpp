#include "ScriptedPrompts.h"

#include <QPrinter>

int ScriptedPrompts::countOf(Kind kind) const {
    int n = 0;
    for (const Call& call : m_calls) {
        n += call.kind == kind ? 1 : 0;
    }
    return n;
}

bool ScriptedPrompts::hasText(const QString& text) const {
    for (const Call& call : m_calls) {
        if (call.text == text) {
            return true;
        }
    }
    return false;
}

QVariant ScriptedPrompts::next() {
    return m_answers.isEmpty() ? QVariant() : m_answers.dequeue();
}

Prompts::Button ScriptedPrompts::message(Kind kind, const QString& caption, const QString& text,
                                         Buttons buttons) {
    m_calls.append({kind, caption, text, buttons, {}});
    const QVariant answer = next();
    if (answer.isValid()) {
        return Button(answer.toInt());
    }
    if (buttons & Cancel)
        return Cancel;
    if (buttons & No)
        return No;
    return Ok;
}

void ScriptedPrompts::timedMessage(const QString& caption, const QString& text, int milliseconds) {
    m_calls.append({Kind::TimedMessage, caption, text, Ok, QString::number(milliseconds)});
}

bool ScriptedPrompts::inputQuery(const QString& caption, const QString& prompt, QString& value) {
    m_calls.append({Kind::InputQuery, caption, prompt, Ok | Cancel, value});
    const QVariant answer = next();
    if (answer.isNull()) {
        return false;
    }
    value = answer.toString();
    return true;
}

QString ScriptedPrompts::inputBox(const QString& caption, const QString& prompt,
                                  const QString& defaultValue) {
    m_calls.append({Kind::InputBox, caption, prompt, Ok | Cancel, defaultValue});
    const QVariant answer = next();
    return answer.isNull() ? defaultValue : answer.toString();
}

QString ScriptedPrompts::openFileName(const QString& caption, const QString& startPath,
                                      const QString& filter) {
    m_calls.append({Kind::OpenFile, caption, startPath, Ok | Cancel, filter});
    return next().toString();
}

QStringList ScriptedPrompts::openFileNames(const QString& caption, const QString& startPath,
                                           const QString& filter) {
    m_calls.append({Kind::OpenFiles, caption, startPath, Ok | Cancel, filter});
    return next().toStringList();
}

QString ScriptedPrompts::saveFileName(const QString& caption, const QString& startPath,
                                      const QString& filter) {
    m_calls.append({Kind::SaveFile, caption, startPath, Ok | Cancel, filter});
    return next().toString();
}

QString ScriptedPrompts::saveFileNameOfType(const QString& caption, const QString& startPath,
                                            const QString& filter, QString& selectedFilter) {
    m_calls.append({Kind::SaveFile, caption, startPath, Ok | Cancel, filter});
    const QVariant answer = next();
    if (answer.typeId() == QMetaType::QStringList) {
        const QStringList parts = answer.toStringList();
        if (!parts.value(0).isEmpty())
            selectedFilter = parts.value(1);
        return parts.value(0);
    }
    return answer.toString();
}

QString ScriptedPrompts::folder(const QString& caption, const QString& startFolder) {
    m_calls.append({Kind::Folder, caption, startFolder, Ok | Cancel, {}});
    return next().toString();
}

std::optional<QString> ScriptedPrompts::browseForFolder(const FolderBrowseRequest& request) {
    Browser browser;
    browser.request = &request;
    if (request.initialized)
        request.initialized(browser);
    // Recorded with the folder the dialog opened on and its label.
    m_calls.append(
        {Kind::Folder, request.title, browser.selections.value(0), Ok | Cancel, request.label});
    const QVariant answer = next();
    std::optional<QString> chosen;
    if (folderScript) {
        chosen = folderScript(request, browser, answer);
    } else if (!answer.isNull()) {
        browser.setSelection(answer.toString());
        if (browser.okEnabled)
            chosen = answer.toString();
    }
    browser.request = nullptr;
    browsers.append(browser);
    return chosen;
}

std::optional<QFont> ScriptedPrompts::font(const QFont& initial) {
    m_calls.append({Kind::Font, {}, initial.toString(), Ok | Cancel, {}});
    const QVariant answer = next();
    if (answer.isNull())
        return std::nullopt;
    return answer.value<QFont>();
}

std::optional<QColor> ScriptedPrompts::colour(const QColor& initial) {
    m_calls.append({Kind::Colour, {}, initial.name(), Ok | Cancel, {}});
    const QVariant answer = next();
    if (answer.isNull())
        return std::nullopt;
    return answer.value<QColor>();
}

namespace {

// A QString answer: print into that PDF file.
bool printerAnswer(const QVariant& answer, QPrinter& printer) {
    if (answer.typeId() != QMetaType::QString)
        return answer.toBool();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(answer.toString());
    return true;
}

}  // namespace

bool ScriptedPrompts::print(QPrinter& printer) {
    m_calls.append({Kind::Print, {}, {}, Ok | Cancel, {}});
    return printerAnswer(next(), printer);
}

bool ScriptedPrompts::printPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) {
    m_calls.append({Kind::PrintPreview, {}, {}, Ok | Cancel, {}});
    if (!printerAnswer(next(), printer))
        return false;
    paint(printer);
    return true;
}

bool ScriptedPrompts::printerSetup(QPrinter&) {
    m_calls.append({Kind::PrinterSetup, {}, {}, Ok | Cancel, {}});
    return next().toBool();
}
