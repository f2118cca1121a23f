#pragma once
// "SensorData Deletion": the choice between deleting the shown reading, the
// readings of a range of days, or all of them. The window only records the
// choice; the main window carries it out.
#include <QDate>
#include <QDialog>
#include <array>

class QCalendarWidget;
class QPushButton;

namespace rv {

class FrmBatchDel : public QDialog {
    Q_OBJECT
public:
    // choice: the three flags (single, batch, all), cleared here and set by
    // the button that closes the window. The calendars open on shownDay (the
    // day of the reading shown behind the window), or on today without one.
    FrmBatchDel(std::array<bool, 3>& choice, QWidget* parent = nullptr, const QDate& shownDay = QDate());

    enum Flag { SingleDelete = 0, BatchDelete = 1, DeleteAll = 2 };

    // The days taken from the two calendars when "BATCH DELETE" was pressed.
    QDate batchStart() const { return m_start; }
    QDate batchEnd() const { return m_end; }

private:
    void choose(Flag f);

    std::array<bool, 3>& m_choice;
    QCalendarWidget* DelStart = nullptr;
    QCalendarWidget* DelEnd = nullptr;
    QDate m_start;
    QDate m_end;
};

} // namespace rv
