#pragma once
// The error log "TENDON_logfile.txt" of the data folder, and the
// error-handler convention every procedure follows.
#include <QString>
#include <exception>

namespace rv {

inline const QString kLogFileName = QStringLiteral("TENDON_logfile.txt");

// Appends one record: an empty line, 89 asterisks, then the date-time,
// " - " and the message. Never throws; a record that cannot be written is lost.
void writeLog(const QString& dataFolder, const QString& message) noexcept;

// "Err #" number ": " description " " logName (logName without its blank,
// e.g. "Form_Load").
QString errorText(int number, const QString& description, const QString& logName);

// Number and description of the exception being handled: a store error's own,
// any other exception as error 5 with its what() text.
void describeCurrentException(int& number, QString& description) noexcept;

// Logs the exception being handled under logName. Call from a catch block.
void logCurrentException(const QString& dataFolder, const QString& logName) noexcept;

// Runs f; on any exception logs it under logName and returns false. The
// "log it and leave the procedure" convention.
template <class F>
bool guarded(const QString& dataFolder, const QString& logName, F&& f) noexcept
{
    try {
        f();
        return true;
    } catch (...) {
        logCurrentException(dataFolder, logName);
        return false;
    }
}

// Runs f and ignores any failure: for the procedures that must run to the end.
template <class F>
void attempt(F&& f) noexcept
{
    try {
        f();
    } catch (...) {
    }
}

} // namespace rv
