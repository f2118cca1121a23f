#include "common/log.h"

#include "common/dates.h"
#include "store/dberror.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>

namespace rv {

void writeLog(const QString& dataFolder, const QString& message) noexcept
{
    try {
        // Without a data folder the path would fall to the file-system root;
        // such a record is dropped instead.
        if (dataFolder.isEmpty())
            return;
        QFile file(dataFolder + QLatin1Char('/') + kLogFileName);
        // Append creates the file when it is missing, never the folder.
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        QByteArray record;
        record += '\n';
        record += QByteArray(89, '*');
        record += '\n';
        record += (generalDate(QDateTime::currentDateTime()) + QStringLiteral(" - ") + message).toUtf8();
        record += '\n';
        file.write(record);
        file.close();
    } catch (...) {
        // A record that cannot be written is lost.
    }
}

QString errorText(int number, const QString& description, const QString& logName)
{
    // Callers pass the bare procedure name; one that still carries its
    // leading blank is not given a second one.
    const QString name = logName.startsWith(u' ') ? logName : QLatin1Char(' ') + logName;
    return QStringLiteral("Err #") + QString::number(number) + QStringLiteral(": ") + description + name;
}

void describeCurrentException(int& number, QString& description) noexcept
{
    number = 0;
    description.clear();
    try {
        const std::exception_ptr current = std::current_exception();
        if (!current)
            return;
        try {
            std::rethrow_exception(current);
        } catch (const store::DbError& e) {
            number = e.number();
            description = e.description();
        } catch (const std::exception& e) {
            number = 5;
            description = QString::fromUtf8(e.what());
        } catch (...) {
            number = 5;
            description = QStringLiteral("Unknown error");
        }
    } catch (...) {
        number = 5;
        description = QStringLiteral("Unknown error");
    }
}

void logCurrentException(const QString& dataFolder, const QString& logName) noexcept
{
    try {
        int number = 0;
        QString description;
        describeCurrentException(number, description);
        writeLog(dataFolder, errorText(number, description, logName));
    } catch (...) {
    }
}

} // namespace rv
