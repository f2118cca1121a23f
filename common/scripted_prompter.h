#pragma once
// A prompter that answers from a script and records everything it was asked.
// Used by the tests and the benchmarks; never by the running program.
#include "common/prompter.h"
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace rv {

struct PromptRecord {
    enum class Kind { Message, Input, OpenFile, OpenWith, Print };
    Kind kind = Kind::Message;
    QString text;      // message text, input prompt, dialog filter or opened path
    QString title;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    MsgResult defaultButton = MsgResult::Ok;
    // The caption of a message's check box; empty for a plain message.
    QString checkText;
    // What an input box offers before the user types.
    QString defaultText;
};

class ScriptedPrompter : public Prompter {
public:
    // Answers are used in order, each by the first prompt of its kind.
    void answer(MsgResult r) { m_results.push_back(r); }
    void answerInput(const std::optional<QString>& text)
    {
        m_inputs.push_back({text.has_value(), text.value_or(QString())});
    }
    void answerFile(const QString& path) { m_files.push_back(path); }
    void setOpenWithResult(bool ok) { m_openWithOk = ok; }
    // Whether the user ticks the check box of the next message that has one
    // (unscripted: left unticked).
    void answerCheck(bool ticked) { m_checks.push_back(ticked); }
    // What the print dialog does with the printer (a test points it at a
    // file); without one the dialog is cancelled.
    void setPrinterSetup(std::function<bool(QPrinter&)> setup) { m_printerSetup = std::move(setup); }

    MsgResult message(const QString& text, MsgIcon icon, MsgButtons buttons,
                      const QString& title, MsgResult defaultButton) override;
    MsgResult messageWithCheck(const QString& text, const QString& checkText, bool& checked,
                               MsgIcon icon, MsgButtons buttons, const QString& title) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    QString openFile(const QString& title, const QString& filter,
                     const QString& startDir) override;
    bool openWithDesktop(const QString& pathOrUrl) override;
    bool choosePrinter(QPrinter& printer, const QString& title) override;

    const std::vector<PromptRecord>& records() const { return m_records; }
    // Only the message boxes, in order.
    std::vector<PromptRecord> messages() const;
    QStringList messageTexts() const;
    void clear() { m_records.clear(); }
    // Answers scripted but never used.
    size_t unusedAnswers() const { return m_results.size() + m_inputs.size() + m_files.size() + m_checks.size(); }

private:
    std::vector<PromptRecord> m_records;
    std::deque<MsgResult> m_results;
    struct InputAnswer {
        bool given;
        QString text;
    };
    std::deque<InputAnswer> m_inputs;
    std::deque<QString> m_files;
    std::deque<bool> m_checks;
    bool m_openWithOk = true;
    std::function<bool(QPrinter&)> m_printerSetup;
};

} // namespace rv
