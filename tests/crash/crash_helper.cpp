// The real program's start, sensor catalogue and exit, driven without a
// user, for the crash test to kill at random moments:
//   crash_helper start <folder>       first start (or any start), then exit
//   crash_helper add <folder> [n]     start, then add (and now and then
//                                     delete) sensors until n adds or killed
//   crash_helper fill <folder> rows   start, add one sensor with rows readings
//                                     and drop half, so that compaction has work
//   crash_helper exit <folder>        start and close: the exit's compaction
// The exit code is 0 when the start worked, 2 when it did not.
#include "app/frmMain.h"
#include "common/scripted_prompter.h"
#include "sensors/ui_sensors.h"
#include "state/appstate.h"
#include "store/connection.h"
#include "store/recordset.h"

#include <QApplication>
#include <QComboBox>
#include <QRandomGenerator>
#include <cstdio>

using namespace rv;

namespace {

// A sensor number not in the list yet.
QString freeNumber(QComboBox* list)
{
    static const char* types[] = {"25", "45", "55", "65"};
    for (;;) {
        const quint32 r = QRandomGenerator::global()->bounded(4u * 999u);
        const QString n = QString("2005") + types[r / 999] + QString("%1").arg(r % 999 + 1, 3, 10, QChar('0'));
        if (list->findText(n) < 0)
            return n;
    }
}

void fill(AppState& st, ScriptedPrompter& pr, MainContext& c, int rows)
{
    const QString id = "200545999";
    if (c.ui.cboSensors->findText(id) < 0) {
        pr.answerInput(id);
        pr.answer(MsgResult::Yes);
        sensors::imgAddSensorClick(c);
    }
    const QString batch = QString::number(QRandomGenerator::global()->generate());
    store::Recordset rs;
    rs.open("SELECT * FROM `" + id + "` ORDER BY FullDate", *st.conn);
    {
        store::Connection::Transaction tx(*st.conn);
        for (int k = 0; k < rows; ++k) {
            rs.addNew();
            rs.setValue("DateTimeKey", id + " " + batch + "-" + QString::number(k));
            for (int ch = 1; ch <= 10; ++ch)
                rs.setValue("Channel" + QString::number(ch), k + ch);
        }
        rs.update();
        tx.commit();
    }
    rs.close();
    st.conn->execute("DELETE * FROM `" + id + "` WHERE Channel1 > " + QString::number(rows / 2));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3)
        return 64;
    const QString mode = argv[1];
    AppState st(argv[2]);
    ScriptedPrompter pr;
    int rc = 0;
    {
        FrmMain win(st, pr);
        if (!win.load()) {
            for (const QString& m : pr.messageTexts())
                std::fprintf(stderr, "%s\n", qPrintable(m));
            return 2;
        }
        std::printf("started\n");
        std::fflush(stdout);
        MainContext& c = win.context();
        if (mode == "add") {
            const int n = argc > 3 ? atoi(argv[3]) : -1;
            for (int k = 0; n < 0 || k < n; ++k) {
                pr.clear();
                if (k % 4 == 3 && win.ui().cboSensors->count() > 0) {
                    pr.answer(MsgResult::Yes);
                    sensors::imgDeleteClick(c);
                } else {
                    pr.answerInput(freeNumber(win.ui().cboSensors));
                    pr.answer(MsgResult::Yes);
                    sensors::imgAddSensorClick(c);
                }
                std::printf("step %d\n", k);
                std::fflush(stdout);
            }
        } else if (mode == "fill") {
            fill(st, pr, c, argc > 3 ? atoi(argv[3]) : 10000);
        } else if (mode != "start" && mode != "exit") {
            rc = 64;
        }
        win.close();
        win.terminate();
    }
    for (const QString& m : pr.messageTexts())
        std::printf("message: %s\n", qPrintable(m));
    return rc;
}
