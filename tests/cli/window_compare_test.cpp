// The same readout file imported through the window and through
// rockvane-cli leaves byte-identical rows: the command line reuses the
// window's preselection, stamps and append.
#include "cli_support.h"
#include "import/ui_import.h"
#include "import_support.h"
#include "main_window_fixture.h"
#include "common/scripted_progress.h"
#include "maintenance/backups.h"

#include <QComboBox>
#include <QJsonArray>
#include <QPushButton>

using namespace rv;
using namespace rv::test;

namespace {

const QString kSensor = QStringLiteral("240145001");

// Every row of a reading table, every column as SQLite stores it (type
// and bytes), in key order.
QList<QByteArrayList> storedRows(const QString& path, const QString& table)
{
    QList<QByteArrayList> rows;
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = "SELECT * FROM `" + table.toUtf8() + "` ORDER BY DateTimeKey";
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr), SQLITE_OK);
    while (sqlite3_step(st) == SQLITE_ROW) {
        QByteArrayList row;
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            const int type = sqlite3_column_type(st, c);
            QByteArray cell = QByteArray::number(type) + ':';
            if (type == SQLITE_FLOAT) {
                const double v = sqlite3_column_double(st, c);
                cell += QByteArray(reinterpret_cast<const char*>(&v), sizeof v).toHex();
            } else if (type != SQLITE_NULL) {
                cell += QByteArray(static_cast<const char*>(sqlite3_column_blob(st, c)), sqlite3_column_bytes(st, c));
            }
            row << cell;
        }
        rows << row;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

} // namespace

class CliWindowCompare : public MainWindowTest {};

TEST_F(CliWindowCompare, SameFileSameRows)
{
    ASSERT_TRUE(start());
    addSensor(kSensor);
    CliSite site;
    // The site of the command line starts from the window's database as it
    // is now: the sensor added, no readings.
    rv::copyDatabase(st->DatabasePath, site.database());
    const QString file = site.readout(kSensor, {"--count", "1500", "--spacing", "20", "--marker", "--duplicates", "4"});
    ASSERT_EQ(site.rows(kSensor), 0);

    // Through the window: spacing 8, every message answered as it comes.
    page(2);
    auto* spacing = w<QComboBox>("cboSlugInt");
    spacing->setCurrentText("8");
    ScriptedProgress progress;
    importing::ImportSession* session = importing::importSession(win.get());
    ASSERT_NE(session, nullptr);
    session->setProgress(&progress);
    QTemporaryDir root;
    session->archiveRoot = [&root](const QString&) { return root.path(); };
    pr.clear();
    pr.answerFile(file);
    pr.answer(MsgResult::Yes);
    ReviewWindowHook hook([](importing::FrmSlugData& f) {
        f.cmdAppend->setFocus();
        QApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QApplication::processEvents();
    });
    click("imgAddSlugData");
    ASSERT_TRUE(hook.ran());
    stop();

    const CliRun r = site.run({"--json", "import", "--spacing", "8", "--no-archive", file});
    ASSERT_TRUE(r.code == 0 || r.code == 1) << r.err.toStdString();

    const auto byWindow = storedRows(data.database(), kSensor);
    const auto byCli = storedRows(site.database(), kSensor);
    ASSERT_GT(byWindow.size(), 50);
    EXPECT_EQ(byCli.size(), byWindow.size());
    EXPECT_TRUE(byCli == byWindow);
    EXPECT_EQ(r.json()["files"].toArray().at(0).toObject()["appended"].toInt(), byWindow.size());
}
