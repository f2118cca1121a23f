#pragma once
// The prompter of the running program: real message boxes, input boxes and
// file dialogs shown modally over the main window, and the desktop's own
// applications for "open with".
#include "common/prompter.h"

#include <QUrl>

class QWidget;

namespace rv {

// Turns a classic "description|pattern|description|pattern" filter, as the
// callers write it ("Text files (*.txt)|*.txt"), into Qt's
// "description (pattern);;..." form. Blanks around the parts are dropped,
// ";" between patterns becomes a blank, and a description that already ends
// with its pattern in parentheses is not given it twice. A text without "|"
// is taken to be in Qt's form already.
QString qtFileFilter(const QString& classicFilter);

// What "open with" hands to the desktop: a web address as it is (one that
// starts with "www." gets "http://"), anything else as a local file.
QUrl desktopUrl(const QString& pathOrUrl);

class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget* parent) : m_parent(parent) {}

    // The window the boxes are shown over; the prompter may be made before
    // the main window exists.
    void setParentWidget(QWidget* parent) { m_parent = parent; }

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

private:
    QWidget* m_parent;
};

} // namespace rv
