// Reading a logger's readout file: the rows and fields it gives, and the
// working files a load leaves in the data folder.
#include "import/readout_file.h"
#include "common/scripted_progress.h"
#include "temp_data.h"
#include "faults.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace rv;
using namespace rv::importing;

namespace {

QStringList row(const ReadoutRecords& r, int i)
{
    QStringList out;
    for (int f = 0; f < kReadoutFields; ++f)
        out << r.field(i, f);
    return out;
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

TEST(ReadoutParse, LinesFieldsAndLineEnds)
{
    // A header line is data; CRLF and LF mix; the last line has no line end.
    const auto r = parseReadout("Date,Logger\r\n2024/01/01 08:00:00,SLUG01,45,001,16.2,2.5\n"
                                "2024/01/01 09:00:00,SLUG01");
    ASSERT_EQ(r.recordCount(), 3);
    EXPECT_EQ(r.field(0, 0), "Date");
    EXPECT_EQ(r.field(0, 1), "Logger");
    EXPECT_EQ(r.field(0, 2), "");
    EXPECT_EQ(r.field(1, 0), "2024/01/01 08:00:00");
    EXPECT_EQ(r.field(1, 5), "2.5");
    // Short lines give empty trailing fields, never a leftover "\r".
    EXPECT_EQ(r.field(2, 1), "SLUG01");
    for (int f = 2; f < kReadoutFields; ++f)
        EXPECT_TRUE(r.field(2, f).isEmpty()) << f;
    EXPECT_FALSE(r.field(0, 1).endsWith('\r'));
}

TEST(ReadoutParse, QuotesBlanksAndTooManyFields)
{
    QByteArray line = "\"2024/01/01 08:00:00\",\"SLUG, \"\"A\"\"\", 45 ,,x";
    for (int k = 6; k <= 17; ++k)
        line += "," + QByteArray::number(k);
    const auto r = parseReadout(line + "\n");
    ASSERT_EQ(r.recordCount(), 1);
    EXPECT_EQ(r.field(0, 0), "2024/01/01 08:00:00");
    EXPECT_EQ(r.field(0, 1), "SLUG, \"A\"");
    EXPECT_EQ(r.field(0, 2), " 45 ");  // no trimming
    EXPECT_EQ(r.field(0, 3), "");
    EXPECT_EQ(r.field(0, 4), "x");
    EXPECT_EQ(r.field(0, 15), "16");   // the 16th field; the 17th is dropped
    EXPECT_EQ(r.field(0, 16), "");     // out of range reads as empty

    // A line ending in a comma has an empty last field; an empty line is a row.
    const auto r2 = parseReadout("a,\n\nb\n");
    ASSERT_EQ(r2.recordCount(), 3);
    EXPECT_EQ(row(r2, 1).join(""), "");
    EXPECT_EQ(r2.field(2, 0), "b");
}

TEST(ReadoutParse, EmptyFileAndEncodings)
{
    EXPECT_EQ(parseReadout("").recordCount(), 0);
    // UTF-8 stays UTF-8; a line that is not UTF-8 is read as Latin-1, not lost;
    // a byte-order mark is not part of the first field.
    const auto r = parseReadout("\xEF\xBB\xBF" "2024/01/01 08:00:00,\xC2\xB0" "C\n2024/01/01 09:00:00,\xB0" "C\n");
    ASSERT_EQ(r.recordCount(), 2);
    EXPECT_EQ(r.field(0, 0), "2024/01/01 08:00:00");
    EXPECT_EQ(r.field(0, 1), QString::fromUtf8("\xC2\xB0" "C"));
    EXPECT_EQ(r.field(1, 1), QString::fromUtf8("\xC2\xB0" "C"));
}

TEST(ReadoutParse, CarriageReturnsEndLinesToo)
{
    // A logger that ends its lines with a lone CR: every line is a row.
    QByteArray cr;
    for (int h = 0; h < 12; ++h)
        cr += QStringLiteral("2024/01/01 %1:00:00,SLUG01,45,001,16.2,2.5\r").arg(h, 2, 10, QLatin1Char('0')).toLatin1();
    const auto r = parseReadout(cr);
    ASSERT_EQ(r.recordCount(), 12);
    EXPECT_EQ(r.field(11, 0), "2024/01/01 11:00:00");
    EXPECT_EQ(r.field(0, 5), "2.5");

    // CR, LF and CRLF mixed: each one line end; CRLF is one, not two.
    const auto m = parseReadout("a,1\rb,2\nc,3\r\nd,4\r\re,5\n\nf,6");
    ASSERT_EQ(m.recordCount(), 8);
    QStringList first;
    for (int i = 0; i < m.recordCount(); ++i)
        first << m.field(i, 0) + m.field(i, 1);
    EXPECT_EQ(first, (QStringList{"a1", "b2", "c3", "d4", "", "e5", "", "f6"}));
}

TEST(ReadoutParse, TruncatedLinesAndUnterminatedQuotes)
{
    // A line cut short (a power cut) keeps what it has; the rest is empty.
    const auto r = parseReadout("2024/01/01 08:00:00,SLUG01,45,001,16.2,2.\n2024/01/01 09:00\n");
    ASSERT_EQ(r.recordCount(), 2);
    EXPECT_EQ(r.field(0, 5), "2.");
    EXPECT_EQ(r.field(0, 6), "");
    EXPECT_EQ(r.field(1, 0), "2024/01/01 09:00");
    EXPECT_EQ(r.field(1, 1), "");

    // A quote never closed runs to the end of its line, never into the next.
    const auto q = parseReadout("\"2024/01/01 08:00:00,SLUG01,45\n2024/01/01 09:00:00,\"x\r2024/01/01 10:00:00,y");
    ASSERT_EQ(q.recordCount(), 3);
    EXPECT_EQ(q.field(0, 0), "2024/01/01 08:00:00,SLUG01,45");
    EXPECT_EQ(q.field(0, 1), "");
    EXPECT_EQ(q.field(1, 1), "x");
    EXPECT_EQ(q.field(2, 0), "2024/01/01 10:00:00");
    EXPECT_EQ(q.field(2, 1), "y");
}

TEST(ReadoutLoad, WorkingFilesAndNotFound)
{
    test::TempData data;
    const QString folder = data.folder();
    const QString source = QDir(folder).filePath("../202445001.txt");
    writeBytes(source, "2024/01/01 08:00:00,SLUG01,45,001,16.2,2.5\n");

    ReadoutRecords records;
    NoProgress none;
    EXPECT_EQ(LoadReadoutFile(folder, source, records, none), LoadResult::Loaded);
    EXPECT_TRUE(records.isOpen());
    EXPECT_EQ(records.recordCount(), 1);
    EXPECT_FALSE(QFile::exists(folder + "/Schema.ini"));
    QFile copy(folder + "/datafile.txt");
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), QByteArray("2024/01/01 08:00:00,SLUG01,45,001,16.2,2.5\n"));
    copy.close();

    // A file gone by load time: the records are emptied and closed, no
    // Schema.ini is left, and the old working copy stays.
    EXPECT_EQ(LoadReadoutFile(folder, folder + "/nothing.txt", records, none), LoadResult::NotFound);
    EXPECT_FALSE(records.isOpen());
    EXPECT_EQ(records.recordCount(), 0);
    EXPECT_FALSE(QFile::exists(folder + "/Schema.ini"));
    EXPECT_TRUE(QFile::exists(folder + "/datafile.txt"));
}

TEST(ReadoutLoad, SchemaLinesAndCancel)
{
    const QStringList lines = schemaIniLines();
    ASSERT_EQ(lines.size(), 20);
    EXPECT_EQ(lines[0], "[datafile.txt]");
    EXPECT_EQ(lines[3], "ColNameHeader = false");
    EXPECT_EQ(lines[4], "Col1=SlugDate Text");
    EXPECT_EQ(lines[5], "Col2=C1 Text");
    EXPECT_EQ(lines[19], "Col16=C15 Text");

    test::TempData data;
    const QString source = data.folder() + "/../big.txt";
    QByteArray bytes;
    for (int k = 0; k < 20000; ++k)
        bytes += "2024/01/01 08:00:00,SLUG01,45,001,16.2,2.5\n";
    writeBytes(source, bytes);
    ReadoutRecords records;
    ScriptedProgress progress;
    progress.cancelAt(0, 1);
    EXPECT_EQ(LoadReadoutFile(data.folder(), source, records, progress), LoadResult::Cancelled);
    EXPECT_FALSE(records.isOpen());
    EXPECT_EQ(records.recordCount(), 0);
    EXPECT_FALSE(progress.open());
    EXPECT_FALSE(QFile::exists(data.folder() + "/Schema.ini"));
}

TEST(ReadoutLoad, AReadOnlyDataFolderDoesNotStopTheLoadAndIsTold)
{
    // The data folder refuses the working files (read-only, or a full disk):
    // they go to the system's temporary folder, the load goes on, and the
    // caller gets a line to tell the user.
    rv::test::TempData data;
    const QString source = data.folder() + "/../250045001.txt";
    {
        QFile f(source);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("2024/01/01 08:00:00,SLUG01,45,001,16.2,2.5\n2024/01/01 09:00:00,SLUG01,45,001,16.4,2.6\n");
    }
    rv::test::ReadOnly ro(data.folder());
    if (!ro.ok())
        GTEST_SKIP() << "cannot make the folder read-only here";
    ReadoutRecords records;
    NoProgress none;
    QString note;
    LoadResult loaded = LoadResult::NotFound;
    EXPECT_NO_THROW(loaded = LoadReadoutFile(data.folder(), source, records, none, &note));
    EXPECT_EQ(loaded, LoadResult::Loaded);
    EXPECT_EQ(records.recordCount(), 2);
    EXPECT_TRUE(note.contains("The working file Schema.ini could not be written in the data folder"))
        << note.toStdString();
    EXPECT_TRUE(note.contains("The working file datafile.txt could not be written in the data folder"));
    EXPECT_TRUE(note.contains(QDir::toNativeSeparators(QDir::tempPath())));
    EXPECT_FALSE(QFile::exists(QDir::tempPath() + "/Rockvane-work/Schema.ini")) << "removed when the load ends";
    EXPECT_FALSE(QFile::exists(data.folder() + "/datafile.txt"));
}
