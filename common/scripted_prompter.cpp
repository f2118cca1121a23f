#include "common/scripted_prompter.h"

namespace rv {

MsgResult ScriptedPrompter::message(const QString& text, MsgIcon icon, MsgButtons buttons,
                                    const QString& title, MsgResult defaultButton)
{
    m_records.push_back({PromptRecord::Kind::Message, text, title, icon, buttons, defaultButton, QString()});
    if (!m_results.empty()) {
        MsgResult r = m_results.front();
        m_results.pop_front();
        return r;
    }
    // Unscripted: the box is dismissed with its default button.
    if (buttons == MsgButtons::Ok)
        return MsgResult::Ok;
    return defaultButton;
}

MsgResult ScriptedPrompter::messageWithCheck(const QString& text, const QString& checkText,
                                             bool& checked, MsgIcon icon, MsgButtons buttons,
                                             const QString& title)
{
    const MsgResult r = message(text, icon, buttons, title, MsgResult::Ok);
    m_records.back().checkText = checkText;
    checked = false;
    if (!m_checks.empty()) {
        checked = m_checks.front();
        m_checks.pop_front();
    }
    return r;
}

std::optional<QString> ScriptedPrompter::input(const QString& prompt, const QString& title,
                                               const QString& defaultText)
{
    m_records.push_back({PromptRecord::Kind::Input, prompt, title, MsgIcon::None,
                         MsgButtons::OkCancel, MsgResult::Ok, QString(), defaultText});
    if (m_inputs.empty())
        return std::nullopt;
    const InputAnswer a = m_inputs.front();
    m_inputs.pop_front();
    if (!a.given)
        return std::nullopt;
    return a.text;
}

QString ScriptedPrompter::openFile(const QString& title, const QString& filter, const QString&)
{
    m_records.push_back({PromptRecord::Kind::OpenFile, filter, title, MsgIcon::None,
                         MsgButtons::OkCancel, MsgResult::Ok, QString()});
    if (m_files.empty())
        return QString();
    QString r = m_files.front();
    m_files.pop_front();
    return r;
}

bool ScriptedPrompter::openWithDesktop(const QString& pathOrUrl)
{
    m_records.push_back({PromptRecord::Kind::OpenWith, pathOrUrl, QString(), MsgIcon::None,
                         MsgButtons::Ok, MsgResult::Ok, QString()});
    return m_openWithOk;
}

bool ScriptedPrompter::choosePrinter(QPrinter& printer, const QString& title)
{
    m_records.push_back({PromptRecord::Kind::Print, QString(), title, MsgIcon::None, MsgButtons::OkCancel,
                         MsgResult::Ok, QString()});
    return m_printerSetup ? m_printerSetup(printer) : false;
}

std::vector<PromptRecord> ScriptedPrompter::messages() const
{
    std::vector<PromptRecord> out;
    for (const auto& r : m_records)
        if (r.kind == PromptRecord::Kind::Message)
            out.push_back(r);
    return out;
}

QStringList ScriptedPrompter::messageTexts() const
{
    QStringList out;
    for (const auto& r : m_records)
        if (r.kind == PromptRecord::Kind::Message)
            out << r.text;
    return out;
}

} // namespace rv
