// The report document: its pages, captions, pictures and lines, read back
// from the OpenDocument file.
#include "reports/report_document.h"
#include "reports_support.h"
#include "temp_data.h"

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

using namespace rv;
using namespace rv::reports;
using namespace rv::test;

namespace {

QString makeJpeg(const QString& path, int w, int h, QColor colour)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    EXPECT_TRUE(img.save(path, "JPG"));
    return path;
}

SensorInfo sampleSensor()
{
    SensorInfo s;
    s.InstrumentID = "250045001";
    s.Family = "TENDON";
    s.Model = "Type 25";
    s.InstallDate = "2025/03/04";
    s.InstallBy = "J. Smith";
    s.Level = "";  // empty fields go in as empty text
    s.Location = "Stope 4";
    s.Purpose = "Hangingwall";
    s.Notes = "";
    return s;
}

std::vector<QString> texts(const std::vector<OdtParagraph>& ps)
{
    std::vector<QString> out;
    for (const auto& p : ps)
        out.push_back(p.text);
    return out;
}

} // namespace

TEST(ReportDocument, InformationLinesCarryTheirLabels)
{
    const QStringList lines = reportInfoLines(sampleSensor(), QDateTime(QDate(2026, 5, 1), QTime(14, 3, 7)));
    const QStringList expected{
        "   Date: 2026/05/01 14:03:07", "   Sensor Number: 250045001", "   Sensor Type: TENDON Type 25",
        "   Date Installed: 2025/03/04", "   Installed By: J. Smith", "   Level: ",
        "   Location: Stope 4", "   Purpose: Hangingwall", "   Notes: "};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(reportHeading(sampleSensor()), "REPORT 250045001");
}

TEST(ReportDocument, InformationPageThenOnePagePerGraphInOrder)
{
    TempData data;
    ReportContent c;
    c.heading = reportHeading(sampleSensor());
    c.infoLines = reportInfoLines(sampleSensor(), QDateTime(QDate(2026, 5, 1), QTime(14, 3, 7)));
    c.pictures = {{"Load v Time", makeJpeg(data.folder() + "/Temporal.jpg", 900, 450, Qt::red)},
                  {"Disp v Length", makeJpeg(data.folder() + "/DvL.jpg", 300, 200, Qt::blue)}};
    const QString path = data.folder() + "/report.odt";
    QString error;
    QStringList unreadable;
    ASSERT_TRUE(writeReportDocument(c, path, &error, &unreadable)) << error.toStdString();
    EXPECT_TRUE(unreadable.isEmpty());

    const auto ps = readOdtParagraphs(path);
    const auto t = texts(ps);
    ASSERT_GE(t.size(), 18u);
    // The bold heading between two empty lines, then the lines.
    EXPECT_EQ(t[0], "");
    EXPECT_EQ(t[1], "REPORT 250045001");
    EXPECT_TRUE(ps[1].bold);
    EXPECT_EQ(t[2], "");
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(t[size_t(3 + i)], c.infoLines[i]);
    EXPECT_FALSE(ps[3].bold);
    EXPECT_FALSE(ps[3].pageBreakBefore);

    // Each graph: a page break, the caption, the picture, the notes line.
    EXPECT_TRUE(ps[12].pageBreakBefore);
    EXPECT_EQ(t[12], "Load v Time");
    EXPECT_TRUE(t[13].startsWith("[image Pictures/"));
    EXPECT_EQ(t[14], "   Notes:");
    EXPECT_TRUE(ps[15].pageBreakBefore);
    EXPECT_EQ(t[15], "Disp v Length");
    EXPECT_TRUE(t[16].startsWith("[image Pictures/"));
    EXPECT_NE(t[13], t[16]);
    EXPECT_EQ(t[17], "   Notes:");
    int breaks = 0;
    for (const auto& p : ps)
        breaks += p.pageBreakBefore ? 1 : 0;
    EXPECT_EQ(breaks, 2);

    // The JPEG files themselves are inside, in the order of the pages.
    const QString first = t[13].mid(7).chopped(1);
    const QString second = t[16].mid(7).chopped(1);
    const QStringList members = zipMembers(path);
    EXPECT_TRUE(members.contains(first));
    EXPECT_TRUE(members.contains(second));
    const QImage a = QImage::fromData(zipMember(path, first));
    const QImage b = QImage::fromData(zipMember(path, second));
    EXPECT_EQ(a.size(), QSize(900, 450));
    EXPECT_EQ(b.size(), QSize(300, 200));
    EXPECT_GT(qRed(a.pixel(10, 10)), 200);
    EXPECT_GT(qBlue(b.pixel(10, 10)), 200);
    EXPECT_TRUE(zipMember(path, "mimetype").startsWith("application/vnd.oasis.opendocument.text"));
}

TEST(ReportDocument, WithoutTheInformationPageTheFirstGraphStartsTheDocument)
{
    TempData data;
    ReportContent c;
    c.pictures = {{"Disp v Length", makeJpeg(data.folder() + "/DvL.jpg", 300, 200, Qt::blue)}};
    const QString path = data.folder() + "/report.odt";
    ASSERT_TRUE(writeReportDocument(c, path, nullptr));
    const auto ps = readOdtParagraphs(path);
    ASSERT_GE(ps.size(), 3u);
    EXPECT_EQ(ps[0].text, "Disp v Length");
    EXPECT_FALSE(ps[0].pageBreakBefore);
    EXPECT_TRUE(ps[1].text.startsWith("[image "));
    EXPECT_EQ(ps[2].text, "   Notes:");
}

TEST(ReportDocument, AMissingPictureKeepsItsPageAndIsListed)
{
    TempData data;
    ReportContent c;
    c.heading = "REPORT 250045001";
    c.pictures = {{"Load v Time", data.folder() + "/missing.jpg"},
                  {"Disp v Time", makeJpeg(data.folder() + "/Rate.jpg", 300, 200, Qt::green)}};
    const QString path = data.folder() + "/report.odt";
    QStringList unreadable;
    ASSERT_TRUE(writeReportDocument(c, path, nullptr, &unreadable));
    EXPECT_EQ(unreadable, QStringList{data.folder() + "/missing.jpg"});
    const auto t = texts(readOdtParagraphs(path));
    const auto at = std::find(t.begin(), t.end(), QString("Load v Time"));
    ASSERT_NE(at, t.end());
    EXPECT_EQ(*(at + 1), "   Notes:");
    EXPECT_EQ(*(at + 2), "Disp v Time");
    EXPECT_TRUE((at + 3)->startsWith("[image "));
}

TEST(ReportDocument, AnUnwritableFileIsAFailure)
{
    TempData data;
    ReportContent c;
    c.heading = "REPORT 1";
    QString error;
    EXPECT_FALSE(writeReportDocument(c, data.folder() + "/no/such/folder/r.odt", &error));
    EXPECT_FALSE(error.isEmpty());
}
