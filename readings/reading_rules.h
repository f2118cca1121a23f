#pragma once
// The rules of the Readings page that need no window: reading keys, the
// position counter, the keystroke filters of the number boxes, what a typed
// channel stores, and the batch deletion's date test.
#include <QDate>
#include <QString>
#include <QTime>
#include <QVariant>
#include <optional>

namespace rv::readings {

inline const QString kEmptyTableNotice = QStringLiteral("0 Readings - Click the Add button to add a reading");
inline const QString kFutureDateWarning = QStringLiteral("Warning: Reading Date is in the future");

// The reading key: the sensor number, a blank, "yyyy/MM/dd HH:mm:ss".
QString readingKey(const QString& instrumentId, const QDate& d, const QTime& t);

// The counter of the page: "3 of 12".
QString positionText(qint64 position, qint64 count);

// A reading dated after today gets the warning.
bool isFutureDate(const QDate& d, const QDate& today);

// What a keystroke filter does with a typed character (its character code).
enum class KeyAction { Refuse, Accept, SaveThenAccept };

// txtChannel, txtChannelT and txtNode: digits, "," "-" ".", Backspace, Tab,
// Enter and Delete.
KeyAction numberBoxKey(char16_t code);
// txtRecess: digits, "." Tab and Enter save the sensor first; Backspace, ","
// and the code-page character 217 are taken as they are; nothing else.
KeyAction recessKey(char16_t code);

// What a channel box stores: null when it is empty, otherwise its number
// through "##0.00" (12.345 -> "12.35", 7 -> "7.00"). nullopt when the text is
// not a number, such as "1-2" or "1..2": the stored value is then kept.
std::optional<QVariant> channelValue(const QString& typed);
// The temperature box: stored as the number typed, without formatting.
std::optional<QVariant> temperatureValue(const QString& typed);

// The batch deletion takes the readings dated on or between the two days.
bool inBatchRange(const QDate& reading, const QDate& start, const QDate& end);
QString batchDeletedMessage(int count, const QDate& start, const QDate& end);

} // namespace rv::readings
