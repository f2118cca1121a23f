// Saving a graph as a picture, printing it, and the graphing tips.
#include "graph_test.h"

#include "graphs/ui_graphs.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QPushButton>

using namespace rv;
using namespace rv::test;

class ExportTest : public GraphTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(start());
        setUpSensor("250065001");
        store("2026/06/01 08:00:00", {0, 0, 0, 0, 0, 0}, 12);
        store("2026/06/08 08:00:00", {0, 1, 2, 3, 4, 5}, 13);
        store("2026/06/15 08:00:00", {0, 2, 3, 4, 5, 6}, 14);
    }
    QByteArray fileBytes(const QString& name) const
    {
        QFile f(data.folder() + "/" + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void press(const QString& button)
    {
        QTest::mouseClick(w<QWidget>(button), Qt::LeftButton);
        QApplication::processEvents();
    }
    std::vector<PromptRecord> records(PromptRecord::Kind kind) const
    {
        std::vector<PromptRecord> out;
        for (const auto& r : pr.records())
            if (r.kind == kind)
                out.push_back(r);
        return out;
    }
};

TEST_F(ExportTest, EachPageSavesItsPictureAndOpensIt)
{
    const struct {
        int page;
        const char* button;
        const char* file;
    } pages[] = {{3, "cmdTemp", "Temporal.jpg"}, {4, "cmdRate", "Rate.jpg"}, {5, "cmdSpat", "Spatial.jpg"},
                 {6, "cmdDvl", "DvL.jpg"}};
    for (const auto& p : pages) {
        page(p.page);
        pr.clear();
        press(p.button);
        const QByteArray jpg = fileBytes(p.file);
        ASSERT_GT(jpg.size(), 1000) << p.file;
        EXPECT_TRUE(jpg.startsWith("\xFF\xD8\xFF")) << p.file << " is not a JPEG";
        const auto opened = records(PromptRecord::Kind::OpenWith);
        ASSERT_EQ(opened.size(), 1u) << p.file;
        EXPECT_EQ(opened[0].text, data.folder() + "/" + p.file);
        EXPECT_TRUE(pr.messages().empty());
    }
}

TEST_F(ExportTest, WithoutAViewerTheUserIsToldWhereThePictureIs)
{
    page(5);
    pr.clear();
    pr.setOpenWithResult(false);
    press("cmdSpat");
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "No picture viewer could be found to open the graph.\nThe graph was saved as:\n"
                             + data.folder() + "/Spatial.jpg");
    EXPECT_EQ(m[0].icon, MsgIcon::Information);
    EXPECT_GT(fileBytes("Spatial.jpg").size(), 1000);
}

TEST_F(ExportTest, APictureShowsTheChartAsItStandsAndReplacesTheLastOne)
{
    page(3);
    press("cmdTemp");
    const QByteArray all = fileBytes("Temporal.jpg");
    graphs::Chart& c = chart("ChartT");
    c.series(5).setUserHidden(true);
    press("cmdTemp");
    const QByteArray hidden = fileBytes("Temporal.jpg");
    ASSERT_FALSE(hidden.isEmpty());
    EXPECT_NE(all, hidden) << "the second picture replaces the first and leaves the unticked line out";
    EXPECT_FALSE(c.series(5).shown()) << "saving does not bring the line back";
}

TEST_F(ExportTest, AFileThatCannotBeWrittenIsToldAndLogged)
{
    page(4);
    // Something that is not a writable file stands where the picture goes.
    ASSERT_TRUE(QDir(data.folder()).mkdir("Rate.jpg"));
    pr.clear();
    press("cmdRate");
    EXPECT_TRUE(records(PromptRecord::Kind::OpenWith).empty());
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_TRUE(m[0].text.startsWith("The graph could not be saved as " + data.folder() + "/Rate.jpg."));
    EXPECT_EQ(m[0].icon, MsgIcon::Warning);
    EXPECT_EQ(m[0].title, "Quillon's Rockvane");
    EXPECT_TRUE(data.readLog().contains(" cmdRate_Click"));
    EXPECT_TRUE(win->isVisible());
}

TEST_F(ExportTest, PrintingGoesThroughThePrintDialog)
{
    page(5);
    // Cancelled: nothing printed, nothing said.
    pr.clear();
    press("imgPrintS");
    ASSERT_EQ(records(PromptRecord::Kind::Print).size(), 1u);
    EXPECT_TRUE(pr.messages().empty());

    const QString pdf = data.folder() + "/printed.pdf";
    pr.setPrinterSetup([pdf](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        return true;
    });
    for (const char* button : {"imgPrintS"}) {
        press(button);
        QFile f(pdf);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.read(5) == "%PDF-");
        EXPECT_GT(f.size(), 2000);
    }
    page(3);
    QFile::remove(pdf);
    press("imgPrintT");
    EXPECT_TRUE(QFile::exists(pdf));
    page(4);
    QFile::remove(pdf);
    press("mgPrintR");
    EXPECT_TRUE(QFile::exists(pdf));
    EXPECT_TRUE(pr.messages().empty());
}

TEST_F(ExportTest, TheQuestionMarkShowsTheFourTips)
{
    page(3);
    pr.clear();
    press("cmdTHelp");
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].title, "Graphing Tips and Hints");
    EXPECT_EQ(m[0].icon, MsgIcon::None);
    EXPECT_EQ(m[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(m[0].text,
              "1) To scroll graph hold down the left mouse button over an axis and drag to desired range\n"
              "2) Explanation of zooming (diagonal left to right zooms in, right to left zooms out)\n"
              "3) Click on a series in the graph to see raw data in lower annotation\n"
              "4) Uncheck a series in the legend to hide, check series to show");
}

TEST_F(ExportTest, TheReportCanHaveAnyPageRedrawnAndSaved)
{
    page(2);
    QString path;
    EXPECT_TRUE(graphs::exportChartJpeg(win->context(), 6, &path));
    EXPECT_EQ(path, data.folder() + "/DvL.jpg");
    EXPECT_EQ(currentPage(), 6);
    EXPECT_TRUE(fileBytes("DvL.jpg").startsWith("\xFF\xD8\xFF"));
    // Again on the page it is on: drawn again and saved.
    QFile::remove(path);
    EXPECT_TRUE(graphs::exportChartJpeg(win->context(), 6, &path));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(records(PromptRecord::Kind::OpenWith).empty());

    // A sensor with one reading: the page refuses, nothing is written.
    page(0);
    setUpSensor("250065002");
    store("2026/06/01 08:00:00", {0, 0, 0, 0, 0, 0});
    page(2);
    pr.clear();
    EXPECT_FALSE(graphs::exportChartJpeg(win->context(), 3, &path));
    EXPECT_EQ(currentPage(), 2);
    EXPECT_FALSE(QFile::exists(data.folder() + "/Temporal.jpg"));
    EXPECT_EQ(pr.messages().size(), 1u);
}
