#pragma once
// The datasheet's data: which reading fields its grid shows, the rules for
// the keys typed into it, the rows of one sensor's readings with the user's
// edits on top, and the write-back of those edits in one transaction.
// GUI-free: the window draws the flag pictures and delivers the keys.
#include "store/recordset.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVarLengthArray>
#include <functional>
#include <vector>

namespace rv::store {
class Connection;
}

namespace rv::datasheet {

inline const QString kDateTimeRefusal =
    QStringLiteral("Only Channel Data is editable in this datasheet\nPlease use the main form to change dates and times");
inline const QString kNumericRefusal = QStringLiteral(
    "Channel Data must be a numeric value\nUse the backspace key to delete, field accepts numeric values only");

// The grid's columns for one sensor. d is the first digit of the sensor's
// type code (its fifth character); the grid has n = d + 3 text columns
// (key, date, time, temperature, then the channels) and the two flag
// columns n and n + 1.
struct Layout {
    int d = 0;
    int n = 3;
    QStringList headers;  // n + 2 captions
    QStringList fields;   // n + 2 reading fields, by name

    int columnCount() const { return n + 2; }
    int channelCount() const { return n > 3 ? n - 3 : 0; }  // ChannelT included
    // Key, date and time are shown only: the main window re-keys readings.
    static bool isFixed(int col) { return col <= 2; }
    bool isChannel(int col) const { return col >= 3 && col < n; }
    bool isFlag(int col) const { return col == n || col == n + 1; }
};

Layout layoutFor(const QString& sensorId);

// Twips per column: 120 per character of the trimmed caption for the columns
// up to n, the key column 2600 so that a whole key shows.
QList<int> columnWidthsTwips(const Layout& l);

// What a key typed into the grid does.
enum class KeyAction {
    Append,           // a digit or "." goes onto the end of a channel cell
    Backspace,        // the last character of a channel cell goes
    NextCell,         // Tab
    PreviousCell,     // Shift+Tab
    ToggleFlag,       // Space on a flag cell: the keyboard's click
    RefuseFixed,      // kDateTimeRefusal
    RefuseNotNumber,  // kNumericRefusal
    Nothing,
};

// code: the character the key produces (8 Backspace, 9 Tab, 13 Enter,
// 27 Escape, otherwise the printable character); backTab for Shift+Tab.
KeyAction keyAction(int code, int column, const Layout& l, bool backTab = false);

// The cell after (row, col) in Tab order: one column right, then the first
// column of the next row, and from the very last cell back to the first.
// rows counts the readings; a grid without readings stays where it is.
void nextCell(int& row, int& col, int rows, int cols);
void previousCell(int& row, int& col, int rows, int cols);

// A typed cell that the write-back could not store: it is not a number.
struct Unsaved {
    QString key;     // the reading's DateTimeKey
    QString column;  // the grid's caption of the cell's column
    QString text;    // what the cell held
};

// A reading the write-back left alone because someone else changed or
// deleted it while the sheet was open.
struct Overtaken {
    QString key;
    bool deleted = false;
};

// The readings of one sensor as the grid shows them, in the order of the
// record set they are read from, with the user's edits kept apart from the
// stored values so that only what was edited is ever written. Rows are read
// from the set a window at a time, when the view asks for them; only the
// edits are kept for the whole sheet.
class Model : public QAbstractTableModel {
    Q_OBJECT
public:
    // The flag of a flag cell (a bool) under this role.
    static constexpr int FlagRole = Qt::UserRole + 1;

    explicit Model(QObject* parent = nullptr);

    // Shows the rows of rs (a reading table, in its order) for the layout;
    // rs must stay open while the model shows it, and the model moves its
    // cursor to read. Leaves rs on its first row.
    void load(store::Recordset& rs, const Layout& l);

    const Layout& layout() const { return m_layout; }
    int readingCount() const { return m_count; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The caption of column col ("No Readings" over the first column of an
    // empty sheet, nothing over the others).
    QString header(int col) const;
    // The text of a cell (flag cells: "True" or "False").
    QString text(int row, int col) const;
    // Replaces the text of a channel cell.
    void setText(int row, int col, const QString& t);
    bool flag(int row, int col) const;
    void setFlag(int row, int col, bool on);
    void toggleFlag(int row, int col) { setFlag(row, col, !flag(row, col)); }
    bool isEdited(int row, int col) const;
    QString key(int row) const { return rowAt(row).key; }
    qint64 bookmark(int row) const { return rowAt(row).bookmark; }

    // Every cell as text, the caption row first: what an export writes.
    QList<QStringList> texts() const;

    // Writes the edited cells and switched flags back through rs, the record
    // set the rows were loaded from, as one transaction on conn; rows without
    // edits are not visited. A cell that is not a number is not written (the
    // stored value stays) and comes back in the list; an emptied cell stores
    // null. A flag stored as null counts as set, as it is shown, and a row
    // written stores it set. A reading someone else changed or deleted since
    // the sheet showed it is not written at all (their values stay) and
    // comes back in `others`; the other rows are written all the same.
    // Throws on an engine error, after which nothing has been written and rs
    // is as it was.
    std::vector<Unsaved> writeBack(store::Recordset& rs, store::Connection& conn,
                                   std::vector<Overtaken>* others = nullptr) const;

private:
    struct Row {
        qint64 bookmark = 0;
        qint64 version = 0;  // on a server, the row version shown
        QString key;
        QString date;
        QString time;
        // -1 stored as null, 0 false, 1 true.
        signed char storedFlag[2] = {-1, -1};
        // Stored channel values as shown: numbers in their shortest form,
        // anything else (a file written by another program) as it stands.
        QStringList values;
        // The same values as numbers (the null ones marked in nullMask), and
        // whether the row holds nothing but numbers, nulls, Yes/No and a
        // text key: only then can a write-back work from what was shown.
        QVarLengthArray<double, 10> numbers;
        unsigned nullMask = 0;
        bool plain = true;
    };
    // An edited row as the grid showed it when it was first edited, with
    // the user's flags: the write-back compares and logs against these
    // values without reading the row again (unless the row was not plain).
    struct Edited {
        int row = 0;
        qint64 bookmark = 0;
        qint64 version = 0;  // on a server, the row version shown
        QString key;
        bool plain = false;
        signed char storedFlag[2] = {-1, -1};
        signed char flag[2] = {-1, -1};  // the user's; -1 when not switched
        unsigned nullMask = 0;
        int numbersAt = 0;  // the row's first value in m_editedNumbers
        int lastTyped = -1;  // the row's newest cell in m_typed
    };
    // A channel cell the user typed in; a row's cells are chained newest
    // first.
    struct Typed {
        int col = 0;
        int previous = -1;
        QString text;
    };
    const Edited* edited(int row) const;
    const QString* typed(int row, int col) const;
    QString storedText(int row, int col) const;
    // The row, read from the set with the rows around it when not held.
    const Row& rowAt(int row) const;
    Row readRow() const;
    bool storedFlagShown(int row, int f) const;
    Edited& noteEdited(int row);

    Layout m_layout;
    store::Recordset* m_rs = nullptr;
    int m_count = 0;
    std::vector<int> m_fieldAt;
    // The rows read last: a window of the sheet around what the view shows.
    mutable int m_winStart = 0;
    mutable std::vector<Row> m_win;
    // Every row edited, in the order first edited, and where each is.
    std::vector<Edited> m_edited;
    QHash<int, int> m_editedAt;
    std::vector<double> m_editedNumbers;
    // The user's texts.
    std::vector<Typed> m_typed;
};

// The warning listing the cells that were not saved; empty when none.
QString unsavedMessage(const std::vector<Unsaved>& unsaved);
// The warning listing the readings someone else changed or deleted, which
// were not saved; empty when none. `who` tells of one reading by its key
// who changed it and when ("" when not known).
QString overtakenMessage(const std::vector<Overtaken>& rows,
                         const std::function<QString(const QString& key)>& who = {});

} // namespace rv::datasheet
