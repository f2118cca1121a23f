#pragma once
// Column types of the store and the declared SQLite type names that carry them.
#include <QString>
#include <QVariant>

namespace rv::store {

// Values are held in QVariant: Text -> QString, Double -> double, Long -> qint64,
// YesNo -> bool, Date -> QDate, Time -> QTime, DateTime -> QDateTime; a null
// field is an invalid (default-constructed) QVariant.
enum class ColType { Text, Double, Long, YesNo, Date, Time, DateTime };

// Declared type names written in CREATE TABLE: "TEXT", "DOUBLE", "INTEGER",
// "YESNO", "DATE", "TIME", "DATETIME". Unknown names read as Text.
QString declaredName(ColType t);
ColType fromDeclared(const QString& declared);

// Converts a value assigned to a field of type t the way the engine does:
// numeric text to a number, date and time text through the general date
// parser, booleans to Yes/No, empty text or null to null for any non-text
// column. Throws DbError(err::TypeMismatch) when the value cannot be converted.
QVariant convertForColumn(const QVariant& v, ColType t);

} // namespace rv::store
