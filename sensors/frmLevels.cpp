#include "sensors/frmLevels.h"

#include "common/log.h"
#include "common/numbers.h"
#include "sensors/trigger_levels.h"
#include "ui/ui_main_layout.h"

#include <QApplication>
#include <QColorDialog>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace rv::sensors {

namespace {

calc::Quantity quantityOf(int col)
{
    return col == frmLevels::ColLoad ? calc::Quantity::Load
                                     : col == frmLevels::ColDisp ? calc::Quantity::Disp : calc::Quantity::Rate;
}

int columnOf(calc::Quantity q)
{
    return q == calc::Quantity::Load ? frmLevels::ColLoad
                                     : q == calc::Quantity::Disp ? frmLevels::ColDisp : frmLevels::ColRate;
}

// The grid, able to say whether a cell is being typed in and to finish it.
class LevelsGrid : public QTableWidget {
public:
    using QTableWidget::QTableWidget;
    bool editing() const { return state() == EditingState; }
    void finishEdit()
    {
        if (!editing())
            return;
        QWidget* editor = QApplication::focusWidget();
        if (editor && isAncestorOf(editor)) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }
};

void setColourCell(QTableWidgetItem* item, const QString& colour)
{
    item->setText(colour);
    const QColor c(colour);
    item->setBackground(c.isValid() ? QBrush(c) : QBrush());
    item->setForeground(c.isValid() && c.lightness() < 128 ? QBrush(Qt::white) : QBrush(Qt::black));
}

} // namespace

frmLevels::frmLevels(MainContext& c, QWidget* parent) : QDialog(parent), m_c(c)
{
    setObjectName(QStringLiteral("frmLevels"));
    setWindowTitle(QStringLiteral("Rockvane Trigger Levels"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    lblLevelsHeader = new QLabel(this);
    lblLevelsHeader->setObjectName(QStringLiteral("lblLevelsHeader"));
    QFont bold = lblLevelsHeader->font();
    bold.setBold(true);
    lblLevelsHeader->setFont(bold);
    layout->addWidget(lblLevelsHeader);

    optLevelsSensor = new QRadioButton(QStringLiteral("This sensor"), this);
    optLevelsSensor->setObjectName(QStringLiteral("optLevelsSensor"));
    optLevelsType = new QRadioButton(this);
    optLevelsType->setObjectName(QStringLiteral("optLevelsType"));
    layout->addWidget(optLevelsSensor);
    layout->addWidget(optLevelsType);

    grdLevels = new LevelsGrid(3, 5, this);
    grdLevels->setObjectName(QStringLiteral("grdLevels"));
    grdLevels->verticalHeader()->setVisible(false);
    grdLevels->setSelectionMode(QAbstractItemView::SingleSelection);
    grdLevels->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
    grdLevels->setMinimumSize(560, 130);
    grdLevels->installEventFilter(this);
    layout->addWidget(grdLevels);
    layout->addWidget(new QLabel(QStringLiteral("An empty cell is a level that is not set. Double-click a colour "
                                                "(or press Space on it) to change it."),
                                 this));

    auto* buttons = new QHBoxLayout;
    cmdLevelsClear = new QPushButton(QStringLiteral("Clear Sensor Levels"), this);
    cmdLevelsClear->setObjectName(QStringLiteral("cmdLevelsClear"));
    cmdLevelsOK = new QPushButton(QStringLiteral("OK"), this);
    cmdLevelsOK->setObjectName(QStringLiteral("cmdLevelsOK"));
    cmdLevelsCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdLevelsCancel->setObjectName(QStringLiteral("cmdLevelsCancel"));
    // Enter in the grid finishes an edit; it never closes the window.
    for (QPushButton* b : {cmdLevelsClear, cmdLevelsOK, cmdLevelsCancel})
        b->setAutoDefault(false);
    buttons->addWidget(cmdLevelsClear);
    buttons->addStretch();
    buttons->addWidget(cmdLevelsOK);
    buttons->addWidget(cmdLevelsCancel);
    layout->addLayout(buttons);

    chooseColour = [this](const QString& current) -> std::optional<QString> {
        const QColor c = QColorDialog::getColor(QColor(current), this, QStringLiteral("Level Colour"));
        if (!c.isValid())
            return std::nullopt;
        return c.name();
    };

    connect(optLevelsSensor, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            showScope(true);
    });
    connect(optLevelsType, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            showScope(false);
    });
    connect(grdLevels, &QTableWidget::cellDoubleClicked, this, [this](int row, int col) {
        if (col == ColColour)
            pickColour(row);
    });
    connect(cmdLevelsOK, &QPushButton::clicked, this, [this] { ok(); });
    connect(cmdLevelsCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdLevelsClear, &QPushButton::clicked, this, [this] { clearSensorLevels(); });
}

void frmLevels::Form_Load()
{
    AppState& st = m_c.st;
    try {
        m_id = st.rsSensors.text(QStringLiteral("InstrumentID"));
        m_type = st.rsSensors.text(QStringLiteral("SensorType"));
        m_unit = st.rsConfig.text(QStringLiteral("Units1"));
    } catch (...) {
        m_c.logError(QStringLiteral("frmLevels_Load"));
    }
    lblLevelsHeader->setText(QStringLiteral("Trigger levels for Sensor ") + st.prefs.MineID + m_id);
    optLevelsType->setText(QStringLiteral("All sensors of type ") + m_type + QStringLiteral(" (defaults)"));
    grdLevels->setHorizontalHeaderLabels({QStringLiteral("Level"), QStringLiteral("Load (") + m_unit + u')',
                                          QStringLiteral("Disp (mm)"), QStringLiteral("Rate (mm/day)"),
                                          QStringLiteral("Colour")});
    grdLevels->setColumnWidth(ColName, 130);
    grdLevels->setColumnWidth(ColColour, 90);
    bool own = false;
    try {
        own = readScopeLevels(*st.conn, m_id).any();
    } catch (...) {
        m_c.logError(QStringLiteral("frmLevels_Load"));
    }
    // The check box that is already on sends no signal: fill directly.
    QSignalBlocker a(optLevelsSensor), b(optLevelsType);
    (own ? optLevelsSensor : optLevelsType)->setChecked(true);
    showScope(own);
}

void frmLevels::showScope(bool sensorScope)
{
    calc::Levels levels = calc::defaultLevels();
    try {
        ScopeLevels s = readScopeLevels(*m_c.st.conn, sensorScope ? m_id : m_type);
        // A sensor without levels of its own starts from its type's.
        if (sensorScope && !s.any())
            s = readScopeLevels(*m_c.st.conn, m_type);
        levels = s.levels;
        // One name and colour per level in the grid: from the first quantity
        // that has its rows.
        for (calc::Quantity q : calc::kAllQuantities)
            if (s.hasRows[size_t(q)]) {
                for (calc::Quantity other : calc::kAllQuantities)
                    for (int n = 1; n <= calc::kLevelCount; ++n) {
                        levels.of(other).level[size_t(n)].name = s.levels.of(q).level[size_t(n)].name;
                        levels.of(other).level[size_t(n)].colour = s.levels.of(q).level[size_t(n)].colour;
                    }
                break;
            }
    } catch (...) {
        m_c.logError(QStringLiteral("frmLevels_showScope"));
    }
    fillGrid(levels);
}

void frmLevels::fillGrid(const calc::Levels& levels)
{
    for (int row = 0; row < calc::kLevelCount; ++row) {
        const int n = row + 1;
        const calc::TriggerLevel& first = levels.of(calc::Quantity::Load).level[size_t(n)];
        grdLevels->setItem(row, ColName, new QTableWidgetItem(first.name));
        for (calc::Quantity q : calc::kAllQuantities) {
            const auto& v = levels.of(q).level[size_t(n)].value;
            grdLevels->setItem(row, columnOf(q), new QTableWidgetItem(v ? numberText(*v) : QString()));
        }
        auto* colour = new QTableWidgetItem;
        colour->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        setColourCell(colour, first.colour);
        grdLevels->setItem(row, ColColour, colour);
    }
}

bool frmLevels::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == grdLevels && e->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(e);
        if (grdLevels->currentColumn() == ColColour && !static_cast<LevelsGrid*>(grdLevels)->editing() &&
            (k->key() == Qt::Key_Space || k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)) {
            pickColour(grdLevels->currentRow());
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void frmLevels::pickColour(int row)
{
    QTableWidgetItem* item = grdLevels->item(row, ColColour);
    if (!item || !chooseColour)
        return;
    if (const auto c = chooseColour(item->text()))
        setColourCell(item, *c);
}

QString frmLevels::cellName(int row, int col) const
{
    const QTableWidgetItem* name = grdLevels->item(row, ColName);
    QString level = name ? name->text().trimmed() : QString();
    if (level.isEmpty())
        level = calc::defaultLevelName(row + 1);
    const QTableWidgetItem* h = grdLevels->horizontalHeaderItem(col);
    return QStringLiteral("Level %1 (%2), %3").arg(row + 1).arg(level, h ? h->text() : QString());
}

std::optional<calc::Levels> frmLevels::gridLevels()
{
    // A cell still being typed in counts as typed.
    static_cast<LevelsGrid*>(grdLevels)->finishEdit();
    auto refuse = [this](int row, int col, const QString& why) {
        grdLevels->setCurrentCell(row, col);
        m_c.pr.message(cellName(row, col) + QStringLiteral(": ") + why + u'.', MsgIcon::Warning, MsgButtons::Ok,
                       kQuillonTitle);
        return std::nullopt;
    };
    calc::Levels levels = calc::defaultLevels();
    for (int row = 0; row < calc::kLevelCount; ++row) {
        const int n = row + 1;
        const QTableWidgetItem* nameItem = grdLevels->item(row, ColName);
        QString name = nameItem ? nameItem->text().trimmed() : QString();
        if (name.isEmpty())
            name = calc::defaultLevelName(n);
        const QTableWidgetItem* colourItem = grdLevels->item(row, ColColour);
        const QString colour = colourItem && QColor(colourItem->text()).isValid() ? colourItem->text()
                                                                                  : calc::defaultLevelColour(n);
        for (calc::Quantity q : calc::kAllQuantities) {
            calc::TriggerLevel& l = levels.of(q).level[size_t(n)];
            l.name = name;
            l.colour = colour;
            const QTableWidgetItem* item = grdLevels->item(row, columnOf(q));
            const QString text = item ? item->text().trimmed() : QString();
            if (text.isEmpty())
                continue;
            const auto v = toNumber(text);
            if (!v || !std::isfinite(*v))
                return refuse(row, columnOf(q), QStringLiteral("not a number"));
            l.value = *v;
        }
    }
    if (const auto p = calc::checkLevels(levels))
        return refuse(p->levelNo - 1, columnOf(p->quantity), p->reason);
    return levels;
}

void frmLevels::ok()
{
    const auto levels = gridLevels();
    if (!levels)
        return;
    const QString scope = optLevelsSensor->isChecked() ? m_id : m_type;
    try {
        writeScopeLevels(*m_c.st.conn, scope, *levels);
    } catch (...) {
        int number = 0;
        QString why;
        describeCurrentException(number, why);
        logCurrentException(m_c.st.DataFolder, QStringLiteral("cmdLevelsOK_Click"));
        m_c.pr.message(QStringLiteral("The trigger levels could not be saved; nothing was changed.\n") + why,
                       MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
        return;
    }
    accept();
}

void frmLevels::clearSensorLevels()
{
    const QString sensor = m_c.st.prefs.MineID + m_id;
    bool own = false;
    try {
        own = readScopeLevels(*m_c.st.conn, m_id).any();
    } catch (...) {
        m_c.logError(QStringLiteral("cmdLevelsClear_Click"));
    }
    if (!own) {
        m_c.pr.message(QStringLiteral("Sensor ") + sensor + QStringLiteral(" has no trigger levels of its own."),
                       MsgIcon::Information, MsgButtons::Ok, kQuillonTitle);
        return;
    }
    if (!m_c.pr.ask(QStringLiteral("Clear the trigger levels of Sensor ") + sensor +
                        QStringLiteral("? The defaults of type ") + m_type + QStringLiteral(" will apply."),
                    kQuillonTitle, MsgIcon::Question, MsgResult::No))
        return;
    try {
        clearScopeLevels(*m_c.st.conn, m_id);
    } catch (...) {
        int number = 0;
        QString why;
        describeCurrentException(number, why);
        logCurrentException(m_c.st.DataFolder, QStringLiteral("cmdLevelsClear_Click"));
        m_c.pr.message(QStringLiteral("The trigger levels could not be cleared.\n") + why, MsgIcon::Warning,
                       MsgButtons::Ok, kQuillonTitle);
        return;
    }
    optLevelsType->setChecked(true);
    showScope(false);
}

void cmdLevels_Click(MainContext& c)
{
    frmLevels f(c, c.ui.SSTab1 ? c.ui.SSTab1->window() : nullptr);
    f.Form_Load();
    f.exec();
}

void wireLevels(MainContext& c, QObject* owner)
{
    if (c.ui.cmdLevels)
        QObject::connect(c.ui.cmdLevels, &QPushButton::clicked, owner, [&c] { cmdLevels_Click(c); });
}

} // namespace rv::sensors
