#pragma once
// The main window on the Readings page of one five-channel sensor, with
// helpers to put readings straight into its table, to answer the batch
// deletion window and to read what was stored.
#include "main_window_fixture.h"
#include "readings/frmBatchDel.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>
#include <functional>
#include <sqlite3.h>

namespace rv::test {

class ReadingsPageTest : public MainWindowTest {
protected:
    const QString id = QStringLiteral("200565001");

    void SetUp() override
    {
        ASSERT_TRUE(start());
        addSensor(id);
        pr.clear();
    }

    // A reading at "yyyy/MM/dd HH:mm:ss" with its date and time fields, as the
    // program writes them.
    void putReading(const QString& when, const QString& channel1 = QString())
    {
        store::Recordset rs;
        rs.open("SELECT * FROM `" + id + "` ORDER BY FullDate", *st->conn);
        rs.addNew();
        rs.setValue("DateTimeKey", id + " " + when);
        rs.setValue("FullDate", when);
        rs.setValue("ReadingDate", when.left(10));
        rs.setValue("ReadingTime", when.mid(11));
        rs.setValue("Plottemporal", true);
        rs.setValue("PlotSpatial", false);
        if (!channel1.isEmpty())
            rs.setValue("Channel1", channel1);
        rs.update();
    }

    // Many hourly readings at once, straight through SQLite.
    void putHourlyReadings(int count, const QDateTime& first)
    {
        sqlite3* db = st->conn->handle();
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* s = nullptr;
        const QByteArray sql = "INSERT INTO \"" + id.toUtf8()
            + "\" (DateTimeKey, ReadingDate, ReadingTime, FullDate, Channel1, Plottemporal, PlotSpatial) "
              "VALUES (?1, ?2, ?3, ?4, ?5, 1, 0)";
        sqlite3_prepare_v2(db, sql.constData(), -1, &s, nullptr);
        for (int k = 0; k < count; ++k) {
            const QDateTime at = first.addSecs(3600LL * k);
            const QByteArray key = (id + " " + at.toString("yyyy/MM/dd HH:mm:ss")).toUtf8();
            const QByteArray day = at.date().toString(Qt::ISODate).toUtf8();
            const QByteArray clock = at.time().toString("HH:mm:ss").toUtf8();
            const QByteArray full = day + ' ' + clock;
            sqlite3_bind_text(s, 1, key.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(s, 2, day.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(s, 3, clock.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(s, 4, full.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(s, 5, k * 0.5);
            sqlite3_step(s);
            sqlite3_reset(s);
        }
        sqlite3_finalize(s);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }

    // A stored field of the reading with key time "when".
    QVariant stored(const QString& when, const QString& field) const
    {
        return data.valueOf(id, "DateTimeKey", id + " " + when, field);
    }
    int readingCount() const { return data.rowCount(id); }

    void toReadings() { page(2); }

    QDate pickedDate() const { return win->findChild<QDateEdit*>("dtpRdate")->date(); }
    QTime pickedTime() const { return win->findChild<QTimeEdit*>("dtpRtime")->time(); }
    bool errorShown() const { return !win->findChild<QLabel*>("lblError")->isHidden(); }

    // Clicks a button where the mouse would.
    void mouseClick(QWidget* b)
    {
        QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, b->rect().center());
        QApplication::processEvents();
    }

    // Opens the deletion window with imgDeleteReading and, while it is up,
    // runs `act` on it (set the calendars, press a button, or close it).
    void deleteWith(const std::function<void(FrmBatchDel*)>& act)
    {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<FrmBatchDel*>(QApplication::activeModalWidget());
            seen = dlg != nullptr;
            if (dlg)
                act(dlg);
            else if (QWidget* m = QApplication::activeModalWidget())
                m->close();
        });
        click("imgDeleteReading");
        EXPECT_TRUE(seen) << "frmBatchDel was not shown";
    }
    void pressIn(FrmBatchDel* dlg, const char* button)
    {
        auto* b = dlg->findChild<QPushButton*>(QString::fromLatin1(button));
        ASSERT_NE(b, nullptr) << button;
        QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, b->rect().center());
    }
};

} // namespace rv::test
