#pragma once
// The one error type the store raises: a number and a description, numbered
// after the classic database runtime errors so that log lines read as users
// of the old tools expect ("Err #3021: ...").
#include <QString>
#include <stdexcept>

namespace rv::store {

namespace err {
constexpr int TypeMismatch = 13;          // "Type mismatch"
constexpr int InvalidUse = 94;            // "Invalid use of Null"
constexpr int ObjectClosed = 3704;        // "Operation is not allowed when the object is closed."
constexpr int NoCurrentRecord = 3021;     // "Either BOF or EOF is True, or the current record has been deleted..."
constexpr int DuplicateKey = 3022;        // duplicate value in a unique field
constexpr int RecordDeleted = 3167;       // "Record is deleted.": the file lost a row the set holds
constexpr int NoSuchField = 3265;         // "Item cannot be found in the collection..."
constexpr int InputTableMissing = 3078;   // "The database engine cannot find the input table or query '...'."
constexpr int TableExists = 3010;         // "Table '...' already exists."
constexpr int SyntaxError = 3142;         // a SQL text outside the dialect
constexpr int CannotOpen = 3044;          // "'...' is not a valid path." / not a database
constexpr int BadCriteria = 3001;         // "Arguments are of the wrong type, are out of acceptable range..."
constexpr int EngineError = 3146;         // any other failure reported by SQLite
constexpr int ReadOnly = 3027;            // "Cannot update. Database or object is read-only."
constexpr int Locked = 3218;              // "Could not update; currently locked." (another program holds the file)
// On a server, where several users write at once: the row a record set is
// writing or deleting was changed, or deleted, by someone else since the
// set read it. Nothing was written; the set still holds the pending edit.
constexpr int ChangedByOther = 3197;      // "...you and another user are attempting to change the same data..."
constexpr int DeletedByOther = 3198;
} // namespace err

class DbError : public std::runtime_error {
public:
    DbError(int number, const QString& description)
        : std::runtime_error(description.toStdString()), m_number(number), m_description(description) {}
    int number() const { return m_number; }
    const QString& description() const { return m_description; }

private:
    int m_number;
    QString m_description;
};

} // namespace rv::store
