#include "ui/ui_qt_prompter.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>

namespace rv {

namespace {

QString boxTitle(const QString& title)
{
    return title.isEmpty() ? kAppTitle : title;
}

QString normalisedPatterns(const QString& patterns)
{
    QStringList list = patterns.split(QRegularExpression(QStringLiteral("[;\\s]+")),
                                      Qt::SkipEmptyParts);
    return list.join(QLatin1Char(' '));
}

// True when the description ends with "(" + its patterns + ")".
bool showsPatterns(const QString& description, const QString& patterns)
{
    static const QRegularExpression trailing(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    const auto m = trailing.match(description);
    return m.hasMatch()
        && normalisedPatterns(m.captured(1)).compare(patterns, Qt::CaseInsensitive) == 0;
}

QMessageBox::Icon qtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok: return QMessageBox::Ok;
    case MsgButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton qtButton(MsgResult r)
{
    switch (r) {
    case MsgResult::Ok: return QMessageBox::Ok;
    case MsgResult::Cancel: return QMessageBox::Cancel;
    case MsgResult::Yes: return QMessageBox::Yes;
    case MsgResult::No: return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

// A box closed without a button (Escape, the window's close button) counts as
// its most cautious answer.
MsgResult dismissedAnswer(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok: return MsgResult::Ok;
    case MsgButtons::YesNo: return MsgResult::No;
    case MsgButtons::OkCancel:
    case MsgButtons::YesNoCancel: break;
    }
    return MsgResult::Cancel;
}

// The answer of a box that has been shown: the button clicked, or the most
// cautious answer when it was closed without one.
MsgResult answerOf(const QMessageBox& box, MsgButtons buttons)
{
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok: return MsgResult::Ok;
    case QMessageBox::Cancel: return MsgResult::Cancel;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    default: break;
    }
    return dismissedAnswer(buttons);
}

} // namespace

QString qtFileFilter(const QString& classicFilter)
{
    if (!classicFilter.contains(QLatin1Char('|')))
        return classicFilter.trimmed();
    const QStringList parts = classicFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = i + 1 < parts.size() ? normalisedPatterns(parts[i + 1]) : QString();
        if (patterns.isEmpty()) {
            if (!description.isEmpty())
                filters << description + QStringLiteral(" (*)");
        } else if (description.isEmpty()) {
            filters << patterns;
        } else if (showsPatterns(description, patterns)) {
            filters << description;
        } else {
            filters << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
        }
    }
    return filters.join(QStringLiteral(";;"));
}

QUrl desktopUrl(const QString& pathOrUrl)
{
    const QString s = pathOrUrl.trimmed();
    static const QRegularExpression address(QStringLiteral("^(https?|ftp)://|^mailto:"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (address.match(s).hasMatch())
        return QUrl(s, QUrl::TolerantMode);
    if (s.startsWith(QStringLiteral("www."), Qt::CaseInsensitive))
        return QUrl(QStringLiteral("http://") + s, QUrl::TolerantMode);
    return QUrl::fromLocalFile(s);
}

MsgResult QtPrompter::message(const QString& text, MsgIcon icon, MsgButtons buttons,
                              const QString& title, MsgResult defaultButton)
{
    QMessageBox box(qtIcon(icon), boxTitle(title), text, qtButtons(buttons), m_parent);
    // The texts are the program's own and may hold "<"; never rich text.
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    if (QAbstractButton* b = box.button(qtButton(defaultButton)))
        box.setDefaultButton(static_cast<QPushButton*>(b));
    box.exec();
    return answerOf(box, buttons);
}

MsgResult QtPrompter::messageWithCheck(const QString& text, const QString& checkText, bool& checked,
                                       MsgIcon icon, MsgButtons buttons, const QString& title)
{
    QMessageBox box(qtIcon(icon), boxTitle(title), text, qtButtons(buttons), m_parent);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    auto* check = new QCheckBox(checkText, &box);
    box.setCheckBox(check);
    box.exec();
    checked = check->isChecked();
    return answerOf(box, buttons);
}

std::optional<QString> QtPrompter::input(const QString& prompt, const QString& title,
                                         const QString& defaultText)
{
    bool ok = false;
    const QString text = QInputDialog::getText(m_parent, boxTitle(title), prompt,
                                               QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

QString QtPrompter::openFile(const QString& title, const QString& filter, const QString& startDir)
{
    return QFileDialog::getOpenFileName(m_parent, boxTitle(title), startDir, qtFileFilter(filter));
}

namespace {

// Whether the desktop plainly has no program for this local file: its
// launcher answers, and names none. Where that cannot be asked, the
// launcher is left to try.
bool noProgramFor(const QUrl& url)
{
    if (!url.isLocalFile())
        return false;
    const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (query.isEmpty())
        return false;
    const QString mime = QMimeDatabase().mimeTypeForFile(url.toLocalFile()).name();
    QProcess p;
    p.start(query, {QStringLiteral("query"), QStringLiteral("default"), mime});
    if (!p.waitForFinished(3000)) {
        p.kill();
        p.waitForFinished(500);
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0
        && p.readAllStandardOutput().trimmed().isEmpty();
}

} // namespace

bool QtPrompter::openWithDesktop(const QString& pathOrUrl)
{
    const QUrl url = desktopUrl(pathOrUrl);
    if (noProgramFor(url))
        return false;
    return QDesktopServices::openUrl(url);
}

bool QtPrompter::choosePrinter(QPrinter& printer, const QString& title)
{
    QPrintDialog dialog(&printer, m_parent);
    dialog.setWindowTitle(title);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace rv
