#pragma once
// Runs the built rockvane-cli as a process on a site of its own: a HOME
// whose documents folder holds the data folder and the default database.
#include "maintenance_files.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace rv::test {

struct CliRun {
    int code = -1;
    QString out;
    QString err;
    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

class CliSite {
public:
    CliSite() { QDir().mkpath(folder()); }

    QString home() const { return m_home.path(); }
    QString folder() const { return m_home.path() + "/Documents/Quillon/Rockvane"; }
    QString database() const { return folder() + "/RockvaneTENDON.mdb"; }
    QString files() const { return m_home.path() + "/logger"; }

    // The default database with the sensors, each with its reading table
    // and network row, as the window adds them.
    void makeSite(const QStringList& ids) const
    {
        makeDatabase(database(), ids);
        for (const QString& id : ids)
            runSql(database(), QStringLiteral("INSERT INTO NetworkConfig (SensorID) VALUES ('%1')").arg(id));
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home());
        env.remove("XDG_DOCUMENTS_DIR");
        env.remove("XDG_CONFIG_HOME");
        env.remove("QT_QPA_PLATFORM");
        env.remove("DISPLAY");
        return env;
    }

    CliRun run(const QStringList& args, int timeoutMs = 120000) const
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.setWorkingDirectory(home());
        p.start(QStringLiteral(ROCKVANE_CLI), args);
        CliRun r;
        if (!p.waitForFinished(timeoutMs)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    // A readout file written by the generator into the logger folder.
    QString readout(const QString& id, const QStringList& args, const QString& name = QString()) const
    {
        QDir().mkpath(files());
        const QString path = files() + "/" + (name.isEmpty() ? id + ".txt" : name);
        QProcess p;
        p.start(QStringLiteral(MAKE_READOUT), QStringList{id} + args + QStringList{"-o", path});
        p.waitForFinished(60000);
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return path;
    }

    int rows(const QString& table) const
    {
        sqlite3* db = nullptr;
        int n = -1;
        if (sqlite3_open_v2(QFile::encodeName(database()).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* st = nullptr;
            const QByteArray sql = "SELECT COUNT(*) FROM `" + table.toUtf8() + "`";
            if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
                n = sqlite3_column_int(st, 0);
            sqlite3_finalize(st);
        }
        sqlite3_close(db);
        return n;
    }

private:
    QTemporaryDir m_home;
};

} // namespace rv::test
