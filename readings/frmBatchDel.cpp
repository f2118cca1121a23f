#include "readings/frmBatchDel.h"

#include <QCalendarWidget>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace rv {

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setWordWrap(true);
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QCalendarWidget* calendar(QWidget* parent, const char* name, const QDate& day)
{
    auto* c = new QCalendarWidget(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setGridVisible(true);
    c->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // The days to delete are usually around the reading the user is looking
    // at, not around today.
    c->setSelectedDate(day.isValid() ? day : QDate::currentDate());
    return c;
}

} // namespace

FrmBatchDel::FrmBatchDel(std::array<bool, 3>& choice, QWidget* parent, const QDate& shownDay)
    : QDialog(parent), m_choice(choice)
{
    setObjectName(QStringLiteral("frmBatchDel"));
    setWindowTitle(QStringLiteral("SensorData Deletion"));
    setModal(true);
    m_choice = {false, false, false};

    auto* top = new QVBoxLayout(this);
    top->addWidget(label(this, "Label9", QStringLiteral("BATCH DELETE a group of readings by date:")));

    auto* dates = new QGridLayout;
    dates->addWidget(label(this, "Label2", QStringLiteral("Select start date")), 0, 0);
    dates->addWidget(label(this, "Label3", QStringLiteral("Select end date")), 0, 1);
    DelStart = calendar(this, "DelStart", shownDay);
    DelEnd = calendar(this, "DelEnd", shownDay);
    dates->addWidget(DelStart, 1, 0);
    dates->addWidget(DelEnd, 1, 1);
    top->addLayout(dates);

    top->addWidget(label(this, "Label1",
                         QStringLiteral("All sensor data found on or between the dates selected above will be "
                                        "permanently deleted from the database. Click the DELETE button below to "
                                        "continue or Cancel to return to the main form.")));
    auto* okButton = button(this, "OKButton", QStringLiteral("BATCH DELETE"));
    top->addWidget(okButton, 0, Qt::AlignHCenter);

    auto* single = new QHBoxLayout;
    single->addWidget(label(this, "Label5",
                            QStringLiteral("Click DELETE button to confirm deletetion of current reading ->")), 1);
    auto* cmdSingleDel = button(this, "cmdSingleDel", QStringLiteral("DELETE"));
    single->addWidget(cmdSingleDel);
    top->addLayout(single);

    auto* all = new QHBoxLayout;
    all->addWidget(label(this, "Label7",
                         QStringLiteral("Click DELETE ALL button to confirm deletetion of ALL readings ->")), 1);
    auto* command1 = button(this, "Command1", QStringLiteral("DELETE ALL"));
    all->addWidget(command1);
    top->addLayout(all);

    auto* warning = label(this, "Label4", QStringLiteral("WARNING: These operations cannot be undone"));
    warning->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    top->addWidget(warning);
    auto* cancel = button(this, "CancelButton", QStringLiteral("CANCEL"));
    top->addWidget(cancel, 0, Qt::AlignHCenter);

    connect(cmdSingleDel, &QPushButton::clicked, this, [this] { choose(SingleDelete); });
    connect(command1, &QPushButton::clicked, this, [this] { choose(DeleteAll); });
    connect(okButton, &QPushButton::clicked, this, [this] {
        m_start = DelStart->selectedDate();
        m_end = DelEnd->selectedDate();
        choose(BatchDelete);
    });
    // Cancel and the close box both close with no choice made.
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void FrmBatchDel::choose(Flag f)
{
    m_choice = {false, false, false};
    m_choice[static_cast<size_t>(f)] = true;
    accept();
}

} // namespace rv
