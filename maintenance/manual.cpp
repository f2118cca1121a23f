#include "maintenance/manual.h"

#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <filesystem>

namespace rv {

namespace {

const QString kCreatorPrefix = QStringLiteral("Rockvane ");

QList<int> versionParts(const QString& v)
{
    static const QRegularExpression form(QStringLiteral("^(\\d+)\\.(\\d+)\\.(\\d+)$"));
    const auto m = form.match(v.trimmed());
    if (!m.hasMatch())
        return {};
    return {m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()};
}

} // namespace

QString programVersion()
{
    return QStringLiteral("%1.%2.%3").arg(ROCKVANE_VERSION_MAJOR).arg(ROCKVANE_VERSION_MINOR).arg(ROCKVANE_VERSION_PATCH);
}

QString manualMarkdown()
{
    QFile f(QStringLiteral(":/docs/manual.md"));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

bool renderManual(const QString& markdown, const QString& path, const QString& version)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()) || markdown.isEmpty())
        return false;
    const QString work = path + QStringLiteral(".part");
    QFile::remove(work);
    {
        QPdfWriter pdf(work);
        // The stamp the next start reads to decide whether the manual is current.
        pdf.setCreator(kCreatorPrefix + version);
        pdf.setTitle(QStringLiteral("Rockvane User Manual"));
        pdf.setResolution(300);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter));
        QTextDocument doc;
        QFont body(QStringLiteral("DejaVu Sans"));
        body.setPointSizeF(10);
        doc.setDefaultFont(body);
        doc.setMarkdown(markdown);
        doc.print(&pdf);
    }
    if (!QFile::exists(work) || QFile(work).size() == 0) {
        QFile::remove(work);
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(work.toStdU16String()),
                            std::filesystem::path(path.toStdU16String()), ec);
    if (ec) {
        QFile::remove(work);
        return false;
    }
    return true;
}

QString manualVersion(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray pdf = f.readAll();
    // The information dictionary holds the creator as UTF-16 text with its
    // byte order mark.
    QByteArray key("/Creator (\xfe\xff", 12);
    const qsizetype at = pdf.indexOf(key);
    if (at < 0)
        return QString();
    QString text;
    // The closing parenthesis is one byte, not a UTF-16 unit.
    for (qsizetype i = at + key.size(); i + 1 < pdf.size() && pdf[i] != ')'; i += 2) {
        const char16_t c = static_cast<char16_t>((uchar(pdf[i]) << 8) | uchar(pdf[i + 1]));
        if (text.size() > 64)
            break;
        text += QChar(c);
    }
    if (!text.startsWith(kCreatorPrefix))
        return QString();
    return text.mid(kCreatorPrefix.size());
}

bool versionNewer(const QString& a, const QString& b)
{
    const QList<int> pa = versionParts(a);
    const QList<int> pb = versionParts(b);
    if (pa.isEmpty())
        return false;
    if (pb.isEmpty())
        return true;
    return pa > pb;
}

bool installManual(const QString& dataFolder)
{
    const QString path = dataFolder + "/" + kManualFileName;
    if (QFile::exists(path) && !versionNewer(programVersion(), manualVersion(path)))
        return true;
    return renderManual(manualMarkdown(), path, programVersion());
}

} // namespace rv
