// Kill -9 at random moments: while sensors are added and deleted, during the
// first start, and during the compaction at exit. After every kill the
// database passes SQLite's integrity check, its catalogue rows, reading
// tables and NetworkConfig rows name the same sensors one to one, and the
// next start works. ROCKVANE_CRASH_KILLS sets the kills per phase.
#include "faults.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

using rv::test::consistencyProblem;

namespace {

int kills()
{
    const int n = qEnvironmentVariableIntValue("ROCKVANE_CRASH_KILLS");
    return n > 0 ? n : 1;
}

// Readings that make the compaction take a while, fewer for the short run.
QString fillRows(int full) { return QString::number(kills() > 5 ? full : full / 4); }

QString folderIn(const QTemporaryDir& d) { return d.path() + "/Quillon/Rockvane"; }
QString databaseIn(const QTemporaryDir& d) { return folderIn(d) + "/RockvaneTENDON.mdb"; }

// Runs the helper to its end; its exit code.
int run(const QStringList& args, QString* out = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(ROCKVANE_CRASH_HELPER, args);
    if (!p.waitForFinished(120000))
        return -1;
    if (out)
        *out = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
}

// Starts the helper and sends it SIGKILL after ms milliseconds, counted from
// its start, or from the moment its window has loaded (afterStart), or from
// the moment the file afterFile appears. True
// when it was killed (rather than having ended, or failed, by itself first).
bool runAndKill(const QStringList& args, int ms, QString* out, bool afterStart = false,
                const QString& afterFile = QString())
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(ROCKVANE_CRASH_HELPER, args);
    if (!p.waitForStarted(10000))
        return false;
    QByteArray seen;
    if (afterStart) {
        while (!seen.contains("started") && p.state() == QProcess::Running) {
            p.waitForReadyRead(100);
            seen += p.readAll();
        }
    }
    if (!afterFile.isEmpty()) {
        while (!QFileInfo::exists(afterFile) && p.state() == QProcess::Running)
            QThread::usleep(200);
    }
    const bool ended = p.waitForFinished(ms);
    if (!ended)
        ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
    p.waitForFinished(10000);
    *out = QString::fromUtf8(seen + p.readAll());
    if (ended && p.exitCode() != 0)
        ADD_FAILURE() << "helper failed by itself: " << out->toStdString();
    return !ended;
}

int randomMs(int from, int to) { return from + static_cast<int>(QRandomGenerator::global()->bounded(to - from + 1)); }

} // namespace

TEST(CrashTest, KillsWhileAddingAndDeletingSensorsLeaveAConsistentCatalogue)
{
    QTemporaryDir d;
    int survived = 0;
    int killedRuns = 0;
    int steps = 0;
    for (int k = 0; k < kills(); ++k) {
        QString out;
        const bool killed = runAndKill({"add", folderIn(d)}, randomMs(0, 1000), &out, true);
        steps += static_cast<int>(out.count("step "));
        int sensors = 0;
        const QString problem = consistencyProblem(databaseIn(d), &sensors);
        EXPECT_EQ(problem, QString()) << "after kill " << k;
        killedRuns += killed;
        if (killed && problem.isEmpty())
            ++survived;
    }
    // The last start after a kill works and finds everything in order.
    QString out;
    EXPECT_EQ(run({"add", folderIn(d), "1"}, &out), 0) << out.toStdString();
    EXPECT_EQ(consistencyProblem(databaseIn(d)), QString());
    std::printf("adding: %d kills in %d runs, %d survived, %d add/delete steps done\n", killedRuns, kills(), survived,
                steps);
}

TEST(CrashTest, KillsDuringTheFirstStartNeverLeaveAnUnusableDatabase)
{
    // The kills fall while the database is made: counted from the moment
    // the single-copy lock appears, which is taken just before.
    int survived = 0;
    int killedRuns = 0;
    int partial = 0;
    int inside = 0;
    for (int k = 0; k < kills(); ++k) {
        QTemporaryDir d;
        QString out;
        const bool killed =
            runAndKill({"start", folderIn(d)}, randomMs(0, 200), &out, false, folderIn(d) + "/Rockvane.lock");
        // Killed half-way through building the database.
        inside += !QDir(folderIn(d)).entryList({"*.new"}, QDir::Files).isEmpty();
        const QFileInfo db(databaseIn(d));
        // Either no database yet, or a complete one.
        if (db.exists())
            EXPECT_EQ(consistencyProblem(db.filePath()), QString()) << "after kill " << k;
        else
            ++partial;
        // The start after the kill works.
        EXPECT_EQ(run({"start", folderIn(d)}, &out), 0) << out.toStdString();
        const QString problem = consistencyProblem(db.filePath());
        EXPECT_EQ(problem, QString());
        EXPECT_TRUE(QDir(folderIn(d)).entryList({"*.new*"}, QDir::Files).isEmpty());
        killedRuns += killed;
        if (killed && problem.isEmpty())
            ++survived;
    }
    std::printf("first start: %d kills in %d runs, %d survived (%d before the database existed, %d while it was "
                "being built)\n",
                killedRuns, kills(), survived, partial, inside);
}

TEST(CrashTest, KillsDuringTheCompactionAtExitLoseNothing)
{
    QTemporaryDir d;
    QString out;
    ASSERT_EQ(run({"add", folderIn(d), "6"}, &out), 0) << out.toStdString();
    ASSERT_EQ(run({"fill", folderIn(d), fillRows(20000)}, &out), 0) << out.toStdString();
    int before = 0;
    ASSERT_EQ(consistencyProblem(databaseIn(d), &before), QString());
    // How long a whole start and exit takes here, to spread the kills over it.
    QElapsedTimer t;
    t.start();
    ASSERT_EQ(run({"exit", folderIn(d)}, &out), 0) << out.toStdString();
    const int whole = static_cast<int>(t.elapsed());
    int survived = 0;
    int killedRuns = 0;
    int workFiles = 0;
    for (int k = 0; k < kills(); ++k) {
        // Make something to reclaim again.
        ASSERT_EQ(run({"fill", folderIn(d), fillRows(4000)}, &out), 0) << out.toStdString();
        const bool killed = runAndKill({"exit", folderIn(d)}, randomMs(whole / 3, whole), &out);
        int sensors = 0;
        const QString problem = consistencyProblem(databaseIn(d), &sensors);
        EXPECT_EQ(problem, QString()) << "after kill " << k;
        EXPECT_EQ(sensors, before);
        // A kill inside the compaction leaves its work file, which the next
        // exit reports; the user removes it as the log says.
        const QString work = folderIn(d) + "/Copy_RockvaneTENDON.mdb";
        if (QFile::exists(work)) {
            ++workFiles;
            QFile::remove(work);
        }
        killedRuns += killed;
        if (killed && problem.isEmpty())
            ++survived;
    }
    EXPECT_EQ(run({"exit", folderIn(d)}, &out), 0) << out.toStdString();
    EXPECT_FALSE(out.contains("Error compacting")) << out.toStdString();
    EXPECT_EQ(consistencyProblem(databaseIn(d)), QString());
    std::printf("compaction at exit: %d kills in %d runs, %d survived (%d left a work file), start and exit take "
                "%d ms\n",
                killedRuns, kills(), survived, workFiles, whole);
}
