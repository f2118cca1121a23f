// The displacement values window: opened from the Disp v Length page, its
// grid, its export and the return to the Readings page.
#include "graphs/frmDisp.h"
#include "main_window_fixture.h"
#include "reports_support.h"
#include "reports_window_support.h"
#include "store/recordset.h"

#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

using namespace rv;
using namespace rv::test;

namespace {

QStringList headers(const QTableWidget* g)
{
    QStringList h;
    for (int c = 0; c < g->columnCount(); ++c)
        h << (g->horizontalHeaderItem(c) ? g->horizontalHeaderItem(c)->text() : QString());
    return h;
}

QString cell(const QTableWidget* g, int r, int c)
{
    return g->item(r, c) ? g->item(r, c)->text() : QString();
}

} // namespace

class DispValuesTest : public MainWindowTest {
protected:
    void SetUp() override { ASSERT_TRUE(start()); }

    // A reading with its date and time fields, as the Readings page stores them.
    void addReading(const QString& id, const QString& when, bool temporal, bool spatial)
    {
        MainWindowTest::addReading(id, when, temporal, spatial);
        store::Recordset rs;
        rs.open("SELECT * FROM `" + id + "` ORDER BY FullDate", *st->conn);
        rs.find("DateTimeKey = '" + id + " " + when + "'");
        rs.setValue("ReadingDate", when.left(10));
        rs.setValue("ReadingTime", when.mid(11));
        rs.update();
    }

    // Sets the displacements of one reading straight in its table.
    void setDisp(const QString& id, const QString& when, const std::vector<QVariant>& disp)
    {
        store::Recordset rs;
        rs.open("SELECT * FROM `" + id + "` ORDER BY FullDate", *st->conn);
        rs.find("DateTimeKey = '" + id + " " + when + "'");
        ASSERT_FALSE(rs.eof());
        for (size_t k = 0; k < disp.size(); ++k)
            rs.setValue(QStringLiteral("Disp%1").arg(k + 1), disp[k]);
        rs.update();
    }
    // The grid as PopulateFlexGrid fills it from the sensor's length selection.
    QTableWidget* populate(const QString& id)
    {
        store::Recordset rs;
        rs.open("SELECT * FROM `" + id + "` WHERE PlotSpatial = True ORDER BY FullDate", *st->conn);
        auto* g = new QTableWidget(win.get());
        graphs::frmDisp::PopulateFlexGrid(g, rs, id);
        return g;
    }
};

TEST_F(DispValuesTest, GridByPositionWithHeadersWidthsAndFormats)
{
    const QString id = "250065001";
    addSensor(id);
    addReading(id, "2026/05/01 10:00:00", false, true);
    addReading(id, "2026/05/02 10:00:00", true, true);
    addReading(id, "2026/05/03 10:00:00", false, true);
    addReading(id, "2026/05/04 10:00:00", true, false);  // not for the length graphs
    setDisp(id, "2026/05/01 10:00:00", {2.5, 1234.567, QVariant(), 0.5, -3.14159, 0.0});

    QTableWidget* g = populate(id);
    EXPECT_EQ(g->rowCount() + 1, 4);
    EXPECT_EQ(g->columnCount(), 9);
    EXPECT_EQ(headers(g), (QStringList{"DateTime Key", "ReadingDate", "R. Time", " Disp 1", " Disp 2", " Disp 3",
                                       " Disp 4", " Disp 5", " Disp 6"}));
    EXPECT_EQ(cell(g, 0, 0), id + " 2026/05/01 10:00:00");
    EXPECT_EQ(cell(g, 0, 1), "2026/05/01");
    EXPECT_EQ(cell(g, 0, 2), "10:00:00");
    EXPECT_EQ(cell(g, 0, 3), "2.50");
    EXPECT_EQ(cell(g, 0, 4), "1234.57");
    EXPECT_EQ(cell(g, 0, 5), "");  // a null displacement stays empty
    EXPECT_EQ(cell(g, 0, 6), "0.50");
    EXPECT_EQ(cell(g, 0, 7), "-3.14");
    EXPECT_EQ(cell(g, 0, 8), "0.00");
    EXPECT_EQ(cell(g, 2, 0), id + " 2026/05/03 10:00:00");
    // 150 twips a header character, the key column 2600 twips.
    EXPECT_EQ(g->columnWidth(0), 2600 / 15);
    EXPECT_EQ(g->columnWidth(1), 150 * 11 / 15);
    EXPECT_EQ(g->columnWidth(3), 150 * 6 / 15);
}

TEST_F(DispValuesTest, ColumnCountFromTheFifthCharacterAndNoReadings)
{
    EXPECT_EQ(graphs::frmDisp::dispColumns("250045001"), 4);
    EXPECT_EQ(graphs::frmDisp::dispColumns("250025001"), 2);
    EXPECT_EQ(graphs::frmDisp::dispColumns("2500"), 0);
    EXPECT_EQ(graphs::frmDisp::dispColumns("2500X5001"), 0);

    const QString id = "250045001";
    addSensor(id);
    QTableWidget* empty = populate(id);
    EXPECT_EQ(empty->rowCount(), 0);
    EXPECT_EQ(headers(empty), QStringList{"No Readings"});

    addReading(id, "2026/05/01 10:00:00", false, true);
    QTableWidget* g = populate(id);
    EXPECT_EQ(g->columnCount(), 7);

    // A number too short for a type gives the key, date and time alone, in
    // columns wide enough to read.
    store::Recordset rs;
    rs.open("SELECT * FROM `" + id + "` ORDER BY FullDate", *st->conn);
    auto* bare = new QTableWidget(win.get());
    graphs::frmDisp::PopulateFlexGrid(bare, rs, "2500");
    EXPECT_EQ(bare->columnCount(), 3);
    EXPECT_EQ(headers(bare), (QStringList{"", "", ""}));
    EXPECT_EQ(cell(bare, 0, 1), "2026/05/01");
    EXPECT_GT(bare->columnWidth(1), 50);
    EXPECT_GT(bare->columnWidth(2), 50);
}

// Through the window: the button on the Disp v Length page, the caption, the
// export, and the Readings page back on its reading after the close.
TEST_F(DispValuesTest, OpenExportAndCloseFromTheDispVLengthPage)
{
    const QString id = "250045001";
    addSensor(id);
    addReading(id, "2026/05/01 10:00:00", true, true);
    addReading(id, "2026/05/02 10:00:00", true, true);
    addReading(id, "2026/05/03 10:00:00", true, true);
    page(2);
    // The first reading shown when the Readings page is left.
    st->rsReadings.moveFirst();
    page(6);
    ASSERT_EQ(currentPage(), 6);
    EXPECT_EQ(w<QPushButton>("cmdDisp")->text(), "Disp Values");
    pr.clear();

    QString caption, header;
    qint64 rows = 0, cols = 0;
    onModal("frmDisp", [&](QDialog* d) {
        auto* f = static_cast<graphs::frmDisp*>(d);
        caption = d->windowTitle();
        header = f->lblHeader->text();
        rows = f->Rows();
        cols = f->Cols();
        keyIn(d, "Image1", Qt::Key_Space);
        keyIn(d, "MSFlexGrid1", Qt::Key_Escape);
    });
    focusOn("cmdDisp");
    keyToFocus(Qt::Key_Space);

    EXPECT_EQ(caption, "Rockvane Disp Values");
    EXPECT_EQ(header, "Disp values from graph for Sensor " + id);
    EXPECT_EQ(st->CurrentSensorID, id);
    EXPECT_EQ(rows, 4);
    EXPECT_EQ(cols, 7);

    // The export: a workbook in the data folder, handed to the desktop.
    ASSERT_EQ(pr.records().size(), 1u);
    EXPECT_EQ(pr.records()[0].kind, PromptRecord::Kind::OpenWith);
    const QString xlsx = pr.records()[0].text;
    EXPECT_TRUE(xlsx.startsWith(data.folder() + "/" + id + " "));
    EXPECT_EQ(sheetNameOf(xlsx), id);
    const SheetCells s = readSheet(xlsx);
    EXPECT_EQ(s.rows, 4);
    EXPECT_EQ(s.cells["A1"].value, "DateTime Key");
    EXPECT_EQ(s.cells["D1"].value, " Disp 1");
    EXPECT_EQ(s.cells["A4"].value, id + " 2026/05/03 10:00:00");
    EXPECT_EQ(s.cells["B4"].value.toInt(), QDate(1899, 12, 30).daysTo(QDate(2026, 5, 3)));

    // Closed: the readings record set is back on the reading that was shown.
    EXPECT_EQ(text("txtRcount"), "1 of 3");
    EXPECT_EQ(st->rsReadings.absolutePosition(), 1);
}
