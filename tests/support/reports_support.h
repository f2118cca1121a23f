#pragma once
// Reading back the files the reports and exports write: zip members through
// the `unzip` command, sheet cells and document paragraphs through the XML.
#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>
#include <vector>

namespace rv::test {

inline QByteArray zipMember(const QString& zip, const QString& member)
{
    QProcess p;
    p.start(QStringLiteral("unzip"), {QStringLiteral("-p"), zip, member});
    p.waitForFinished(60000);
    return p.readAllStandardOutput();
}

inline QStringList zipMembers(const QString& zip)
{
    QProcess p;
    p.start(QStringLiteral("unzip"), {QStringLiteral("-Z1"), zip});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

// One cell of a sheet: its type attribute ("n" when absent), its value (the
// text of an inline or shared string, else the number as written) and its
// style index.
struct SheetCell {
    QString type;
    QString value;
    int style = 0;
};

// The cells of the first sheet by reference ("A1"), and the row count.
struct SheetCells {
    QMap<QString, SheetCell> cells;
    int rows = 0;
    int lastRow = 0;
    QStringList columnWidths;  // "min-max:width" of each <col>
};

inline SheetCells readSheet(const QString& xlsx)
{
    QStringList shared;
    {
        QXmlStreamReader x(zipMember(xlsx, QStringLiteral("xl/sharedStrings.xml")));
        while (!x.atEnd())
            if (x.readNext() == QXmlStreamReader::StartElement && x.name() == u"t")
                shared << x.readElementText();
    }
    SheetCells out;
    QXmlStreamReader x(zipMember(xlsx, QStringLiteral("xl/worksheets/sheet1.xml")));
    SheetCell cur;
    QString ref;
    while (!x.atEnd()) {
        if (x.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto a = x.attributes();
        if (x.name() == u"row") {
            ++out.rows;
            out.lastRow = a.value(QStringLiteral("r")).toInt();
        } else if (x.name() == u"col") {
            out.columnWidths << a.value(QStringLiteral("min")).toString() + u'-' + a.value(QStringLiteral("max")).toString() + u':' +
                                    a.value(QStringLiteral("width")).toString();
        } else if (x.name() == u"c") {
            ref = a.value(QStringLiteral("r")).toString();
            cur = SheetCell{};
            cur.type = a.hasAttribute(QStringLiteral("t")) ? a.value(QStringLiteral("t")).toString() : QStringLiteral("n");
            cur.style = a.value(QStringLiteral("s")).toInt();
            out.cells[ref] = cur;
        } else if (x.name() == u"v" || x.name() == u"t") {
            QString v = x.readElementText();
            if (out.cells[ref].type == u"s")
                v = shared.value(v.toInt());
            out.cells[ref].value = v;
        }
    }
    return out;
}

// The number format code of each cell style index of a workbook.
inline QStringList cellStyleFormats(const QString& xlsx)
{
    QMap<int, QString> codes{{0, "General"}, {14, "m/d/yyyy"}};
    QStringList styles;
    QXmlStreamReader x(zipMember(xlsx, QStringLiteral("xl/styles.xml")));
    bool inCellXfs = false;
    while (!x.atEnd()) {
        const auto t = x.readNext();
        if (t == QXmlStreamReader::StartElement) {
            const auto a = x.attributes();
            if (x.name() == u"numFmt")
                codes[a.value(QStringLiteral("numFmtId")).toInt()] = a.value(QStringLiteral("formatCode")).toString();
            else if (x.name() == u"cellXfs")
                inCellXfs = true;
            else if (inCellXfs && x.name() == u"xf")
                styles << codes.value(a.value(QStringLiteral("numFmtId")).toInt(), QStringLiteral("?"));
        } else if (t == QXmlStreamReader::EndElement && x.name() == u"cellXfs") {
            inCellXfs = false;
        }
    }
    return styles;
}

inline QString sheetNameOf(const QString& xlsx)
{
    QXmlStreamReader x(zipMember(xlsx, QStringLiteral("xl/workbook.xml")));
    while (!x.atEnd())
        if (x.readNext() == QXmlStreamReader::StartElement && x.name() == u"sheet")
            return x.attributes().value(QStringLiteral("name")).toString();
    return QString();
}

// A paragraph of an OpenDocument text, with what the styles say of it.
struct OdtParagraph {
    QString text;           // with blanks and images ("[image Pictures/...]") in place
    bool pageBreakBefore = false;
    bool bold = false;      // some of its text is bold
};

inline std::vector<OdtParagraph> readOdtParagraphs(const QString& odt)
{
    const QByteArray xml = zipMember(odt, QStringLiteral("content.xml"));
    // Automatic styles first: which break the page, which are bold.
    QStringList breakStyles, boldStyles;
    {
        QXmlStreamReader x(xml);
        QString style;
        while (!x.atEnd()) {
            if (x.readNext() != QXmlStreamReader::StartElement)
                continue;
            const auto a = x.attributes();
            if (x.name() == u"style")
                style = a.value(QStringLiteral("style:name")).toString();
            else if (x.name() == u"paragraph-properties" && a.value(QStringLiteral("fo:break-before")) == u"page")
                breakStyles << style;
            else if (x.name() == u"text-properties" && a.value(QStringLiteral("fo:font-weight")) == u"bold")
                boldStyles << style;
        }
    }
    std::vector<OdtParagraph> out;
    QXmlStreamReader x(xml);
    int depth = 0;  // inside a paragraph
    while (!x.atEnd()) {
        const auto t = x.readNext();
        if (t == QXmlStreamReader::StartElement) {
            const auto a = x.attributes();
            const QString style = a.value(QStringLiteral("text:style-name")).toString();
            if (x.name() == u"p" || x.name() == u"h") {
                out.push_back({});
                out.back().pageBreakBefore = breakStyles.contains(style);
                out.back().bold = boldStyles.contains(style);
                depth = 1;
            } else if (depth && x.name() == u"span") {
                if (boldStyles.contains(style))
                    out.back().bold = true;
            } else if (depth && x.name() == u"s") {
                out.back().text += QString(a.hasAttribute(QStringLiteral("text:c")) ? a.value(QStringLiteral("text:c")).toInt() : 1, u' ');
            } else if (depth && x.name() == u"image") {
                out.back().text += QStringLiteral("[image ") + a.value(QStringLiteral("xlink:href")).toString() + u']';
            }
        } else if (t == QXmlStreamReader::EndElement && (x.name() == u"p" || x.name() == u"h")) {
            depth = 0;
        } else if (t == QXmlStreamReader::Characters && depth && !x.isWhitespace()) {
            // Whitespace alone is the writer's indentation; blanks of the text
            // itself come as <text:s/>.
            out.back().text += x.text();
        }
    }
    return out;
}

} // namespace rv::test
