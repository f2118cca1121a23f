#pragma once
// Every message box, question, input box, file dialog and "open with" request
// of Rockvane goes through this interface, so that tests can script the
// answers and read every message back.
#include <QString>
#include <optional>

class QPrinter;

namespace rv {

enum class MsgIcon { None, Information, Warning, Critical, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

// The title a box gets when the caller gives none.
inline const QString kAppTitle = QStringLiteral("Rockvane");
// The program's own title, used by most messages.
inline const QString kQuillonTitle = QStringLiteral("Quillon's Rockvane");

class Prompter {
public:
    virtual ~Prompter() = default;

    // A message box. `defaultButton` is the button that Enter presses.
    virtual MsgResult message(const QString& text, MsgIcon icon = MsgIcon::None,
                              MsgButtons buttons = MsgButtons::Ok,
                              const QString& title = kAppTitle,
                              MsgResult defaultButton = MsgResult::Ok) = 0;

    // A message box with one check box under its text (caption checkText),
    // for a message that may come many times in one piece of work and that
    // the user may silence; `checked` receives the box's state. The default
    // shows a plain message and leaves the box unticked.
    virtual MsgResult messageWithCheck(const QString& text, const QString& checkText, bool& checked,
                                       MsgIcon icon = MsgIcon::None,
                                       MsgButtons buttons = MsgButtons::Ok,
                                       const QString& title = kAppTitle)
    {
        (void)checkText;
        checked = false;
        return message(text, icon, buttons, title, MsgResult::Ok);
    }

    // An input box; nullopt when the user cancels.
    virtual std::optional<QString> input(const QString& prompt, const QString& title,
                                         const QString& defaultText = QString()) = 0;

    // An open-file dialog; an empty text when the user cancels.
    virtual QString openFile(const QString& title, const QString& filter,
                             const QString& startDir = QString()) = 0;

    // Opens a file or an address with the desktop's application for it;
    // false when the desktop could not do it.
    virtual bool openWithDesktop(const QString& pathOrUrl) = 0;

    // The print dialog, which sets up `printer`; false when the user cancels.
    virtual bool choosePrinter(QPrinter& printer, const QString& title) = 0;

    // A Yes/No question; true for Yes.
    bool ask(const QString& text, const QString& title, MsgIcon icon = MsgIcon::None,
             MsgResult defaultButton = MsgResult::Yes)
    {
        return message(text, icon, MsgButtons::YesNo, title, defaultButton) == MsgResult::Yes;
    }
};

} // namespace rv
