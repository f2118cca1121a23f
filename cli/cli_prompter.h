#pragma once
// The prompter of a run without anybody to ask: every message is kept for
// the summary, every question gets its safe answer (No, Cancel), and
// nothing is ever opened on a desktop.
#include "common/prompter.h"
#include <QStringList>

namespace rv::cli {

class BatchPrompter : public Prompter {
public:
    MsgResult message(const QString& text, MsgIcon, MsgButtons buttons, const QString&, MsgResult) override
    {
        messages << text;
        switch (buttons) {
        case MsgButtons::Ok:
            return MsgResult::Ok;
        case MsgButtons::OkCancel:
        case MsgButtons::YesNoCancel:
            return MsgResult::Cancel;
        case MsgButtons::YesNo:
            return MsgResult::No;
        }
        return MsgResult::Ok;
    }
    std::optional<QString> input(const QString& prompt, const QString&, const QString&) override
    {
        messages << prompt;
        return std::nullopt;
    }
    QString openFile(const QString&, const QString&, const QString&) override { return QString(); }
    bool openWithDesktop(const QString&) override { return false; }
    bool choosePrinter(QPrinter&, const QString&) override { return false; }

    QStringList messages;
};

} // namespace rv::cli
