#include "reports/report_document.h"
#include "common/workfile.h"

#include "common/dates.h"

#include <QFile>
#include <QImageReader>
#include <QBuffer>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentWriter>
#include <QTextImageFormat>
#include <QUrl>

namespace rv::reports {

QString reportHeading(const SensorInfo& s)
{
    return QStringLiteral("REPORT ") + s.InstrumentID;
}

QStringList reportInfoLines(const SensorInfo& s, const QDateTime& now)
{
    return {
        QStringLiteral("   Date: ") + generalDate(now),
        QStringLiteral("   Sensor Number: ") + s.InstrumentID,
        QStringLiteral("   Sensor Type: ") + s.Family + u' ' + s.Model,
        QStringLiteral("   Date Installed: ") + s.InstallDate,
        QStringLiteral("   Installed By: ") + s.InstallBy,
        QStringLiteral("   Level: ") + s.Level,
        QStringLiteral("   Location: ") + s.Location,
        QStringLiteral("   Purpose: ") + s.Purpose,
        QStringLiteral("   Notes: ") + s.Notes,
    };
}

namespace {

// Reads a picture file whole; empty with its size invalid when it is no picture.
QByteArray readPicture(const QString& path, QSize* size)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray data = f.readAll();
    QBuffer buf(&data);
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf);
    *size = reader.size();
    if (!size->isValid() || reader.format().isEmpty())
        return {};
    return data;
}

} // namespace

bool writeReportDocument(const ReportContent& content, const QString& path, QString* error, QStringList* unreadable)
{
    QTextDocument doc;
    QTextCursor cur(&doc);

    // A face every word processor has, rather than the toolkit's own default.
    QTextCharFormat plain;
    plain.setFontFamilies({QStringLiteral("Arial")});
    // The document writer reads the family from the single-family property
    // and writes the toolkit's "Sans" without it.
    plain.setProperty(QTextFormat::OldFontFamily, QStringLiteral("Arial"));
    doc.setDefaultFont(QFont(QStringLiteral("Arial"), 11));
    plain.setFontPointSize(11);
    plain.setFontWeight(QFont::Normal);
    QTextCharFormat bold = plain;
    bold.setFontWeight(QFont::Bold);
    const QTextBlockFormat normalBlock;

    cur.setBlockCharFormat(plain);
    cur.setCharFormat(plain);
    bool firstPage = true;
    if (!content.heading.isEmpty()) {
        // An empty bold line, the heading, an empty line, then the lines.
        cur.setBlockCharFormat(bold);
        cur.setCharFormat(bold);
        cur.insertBlock(normalBlock, bold);
        cur.insertText(content.heading, bold);
        cur.insertBlock(normalBlock, plain);
        cur.insertBlock(normalBlock, plain);
        for (const QString& line : content.infoLines) {
            cur.insertText(line, plain);
            cur.insertBlock(normalBlock, plain);
        }
        firstPage = false;
    }

    int pictureNo = 0;
    for (const ReportPicture& p : content.pictures) {
        // The caption starts the graph's page.
        QTextBlockFormat captionBlock;
        if (!firstPage)
            captionBlock.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        cur.setBlockFormat(captionBlock);
        cur.setBlockCharFormat(plain);
        cur.insertText(p.caption, plain);
        firstPage = false;

        cur.insertBlock(normalBlock, plain);
        QSize size;
        const QByteArray data = readPicture(p.path, &size);
        if (!data.isEmpty()) {
            const QString name = QStringLiteral("picture%1").arg(++pictureNo);
            // The file's own bytes go into the document, so the JPEG is not
            // encoded a second time.
            doc.addResource(QTextDocument::ImageResource, QUrl(name), data);
            QTextImageFormat img;
            img.merge(plain);
            img.setName(name);
            // Below 100 the writer keeps a photo-like picture as JPEG
            // instead of a much larger PNG.
            img.setQuality(95);
            if (size.width() > kPictureWidth) {
                img.setWidth(kPictureWidth);
                img.setHeight(double(size.height()) * kPictureWidth / size.width());
            } else {
                img.setWidth(size.width());
                img.setHeight(size.height());
            }
            cur.insertImage(img);
            cur.insertBlock(normalBlock, plain);
        } else if (unreadable) {
            unreadable->append(p.path);
        }
        cur.insertText(QStringLiteral("   Notes:"), plain);
        cur.insertBlock(normalBlock, plain);
    }

    // Written under a work name and renamed when complete: a kill part-way
    // never leaves a broken report under the name the user opens.
    const QString work = workFileName(path);
    QFile::remove(work);
    bool written = false;
    {
        QTextDocumentWriter writer(work, "odf");
        written = writer.write(&doc);
        if (!written && error) {
            *error = writer.device() ? writer.device()->errorString() : QString();
            if (error->isEmpty() || *error == QLatin1String("Unknown error"))
                *error = QStringLiteral("The document could not be written.");
        }
    }
    if (!written) {
        QFile::remove(work);
        return false;
    }
    return putWorkFileInPlace(work, path, error);
}

} // namespace rv::reports
