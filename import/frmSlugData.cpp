#include "import/frmSlugData.h"
#include "import/preselect.h"
#include "import/readout_archive.h"
#include "import/ui_import.h"
#include "common/log.h"
#include "readings/sensor_tables.h"
#include "readings/ui_readings.h"
#include "store/settings.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace rv::importing {

namespace {

constexpr int kAppendColumn = 11;
// Beside the file's own columns: why a row is not what it seems (already
// stored, dated in the future, a date the chosen layout cannot read).
constexpr int kNoteColumn = 12;
constexpr int kColumns = 13;
constexpr int kTwipsPerPixel = 15;


const char* const kHeaders[kColumns] = {"Reading Date & Time", "SLUG ID", "Type ID", "SensorNo", "ChannelT",
                                  "Channel1", "Channel2", "Channel3", "Channel4", "Channel5",
                                  "Channel6", "Append", "Note"};

// The pictures of a ticked and an unticked "Append" cell, drawn rather than
// loaded so that the program carries no picture files.
QPixmap tickPixmap(bool on)
{
    const int side = 16;
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 1.5, side - 3, side - 3));
    if (on) {
        p.setPen(QPen(QColor(0, 120, 0), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF tick[] = {{4, 8.5}, {7, 11.5}, {12.5, 4.5}};
        p.drawPolyline(tick, 3);
    }
    return pm;
}

} // namespace

// The grid's rows: the loaded readout rows as they stand in the file, with
// one tick flag each. Column k (0 to 10) shows field k whatever the sensor.
class ReadoutGridModel : public QAbstractTableModel {
public:
    ReadoutGridModel(const QPixmap& on, const QPixmap& off, QObject* parent)
        : QAbstractTableModel(parent), m_on(on), m_off(off) {}

    void show(const ReadoutRecords* records, std::vector<char> ticks)
    {
        beginResetModel();
        m_records = records;
        m_ticks = std::move(ticks);
        m_notes.clear();
        endResetModel();
    }
    void clear() { show(nullptr, {}); }
    void setTicks(std::vector<char> ticks)
    {
        m_ticks = std::move(ticks);
        if (rowCount() > 0)
            emit dataChanged(index(0, kAppendColumn), index(rowCount() - 1, kAppendColumn), {Qt::DecorationRole});
    }
    void setNotes(std::vector<QString> notes)
    {
        m_notes = std::move(notes);
        if (rowCount() > 0)
            emit dataChanged(index(0, kNoteColumn), index(rowCount() - 1, kNoteColumn), {Qt::DisplayRole});
    }
    QString note(int row) const
    {
        return row >= 0 && row < static_cast<int>(m_notes.size()) ? m_notes[static_cast<size_t>(row)] : QString();
    }
    bool empty() const { return !m_records || m_records->recordCount() == 0; }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() || empty() ? 0 : m_records->recordCount();
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        if (parent.isValid())
            return 0;
        return empty() ? 1 : kColumns;
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || empty())
            return {};
        const int c = index.column();
        if (c == kAppendColumn) {
            if (role == Qt::DecorationRole)
                return ticked(index.row()) ? m_on : m_off;
            if (role == Qt::AccessibleTextRole || role == Qt::ToolTipRole)
                return ticked(index.row()) ? QStringLiteral("Will be appended")
                                           : QStringLiteral("Will not be appended");
            return {};
        }
        if (c == kNoteColumn)
            return role == Qt::DisplayRole ? QVariant(note(index.row())) : QVariant();
        if (role == Qt::DisplayRole)
            return m_records->field(index.row(), c);
        return {};
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (o != Qt::Horizontal || role != Qt::DisplayRole)
            return QAbstractTableModel::headerData(section, o, role);
        if (empty())
            return section == 0 ? QVariant(QStringLiteral("No Readings")) : QVariant();
        return section >= 0 && section < kColumns ? QVariant(QString::fromLatin1(kHeaders[section])) : QVariant();
    }

    bool ticked(int row) const
    {
        return row >= 0 && row < static_cast<int>(m_ticks.size()) && m_ticks[static_cast<size_t>(row)];
    }
    void toggle(int row)
    {
        if (row < 0 || row >= static_cast<int>(m_ticks.size()))
            return;
        auto& t = m_ticks[static_cast<size_t>(row)];
        t = t ? 0 : 1;
        const QModelIndex i = index(row, kAppendColumn);
        emit dataChanged(i, i, {Qt::DecorationRole});
    }
    const std::vector<char>& ticks() const { return m_ticks; }

private:
    const ReadoutRecords* m_records = nullptr;
    std::vector<char> m_ticks;
    std::vector<QString> m_notes;
    QPixmap m_on;
    QPixmap m_off;
};

namespace {

// Draws the "Append" picture in the middle of its cell.
class CentredPictureDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        // The cell's background and selection only; the picture is drawn below.
        const QWidget* w = opt.widget;
        QStyle* style = w ? w->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, p, w);
        const QPixmap pm = index.data(Qt::DecorationRole).value<QPixmap>();
        if (!pm.isNull()) {
            const QRect r = QStyle::alignedRect(opt.direction, Qt::AlignCenter, pm.size(), option.rect);
            p->drawPixmap(r.topLeft(), pm);
        }
    }
};

} // namespace

FrmSlugData::FrmSlugData(ImportSession& s, QWidget* parent) : QDialog(parent), m_s(s)
{
    setObjectName(QStringLiteral("frmSlugData"));
    setWindowTitle(QStringLiteral("Import DataFiles"));
    setModal(true);
    resize(1000, 620);

    auto* top = new QVBoxLayout(this);
    lblHeader = new QLabel(this);
    lblHeader->setObjectName(QStringLiteral("lblHeader"));
    QFont f = lblHeader->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.2);
    lblHeader->setFont(f);
    top->addWidget(lblHeader);
    lblLayoutHint = new QLabel(this);
    lblLayoutHint->setObjectName(QStringLiteral("lblLayoutHint"));
    lblLayoutHint->setWordWrap(true);
    lblLayoutHint->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    lblLayoutHint->hide();
    top->addWidget(lblLayoutHint);

    img_x_on = new QLabel(this);
    img_x_on->setObjectName(QStringLiteral("img_x_on"));
    img_x_on->setPixmap(tickPixmap(true));
    img_x_on->hide();
    img_x_off = new QLabel(this);
    img_x_off->setObjectName(QStringLiteral("img_x_off"));
    img_x_off->setPixmap(tickPixmap(false));
    img_x_off->hide();

    MSFlexGrid1 = new QTableView(this);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    m_model = new ReadoutGridModel(img_x_on->pixmap(), img_x_off->pixmap(), this);
    MSFlexGrid1->setModel(m_model);
    MSFlexGrid1->setItemDelegateForColumn(kAppendColumn, new CentredPictureDelegate(MSFlexGrid1));
    MSFlexGrid1->verticalHeader()->hide();  // no fixed columns
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(MSFlexGrid1->fontMetrics().height() + 6);
    MSFlexGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    MSFlexGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid1->horizontalHeader()->setHighlightSections(false);
    MSFlexGrid1->horizontalHeader()->setSectionsClickable(false);
    MSFlexGrid1->installEventFilter(this);
    top->addWidget(MSFlexGrid1, 1);

    auto* bottom = new QHBoxLayout;
    auto* frame = new QGroupBox(QStringLiteral("Datafile Date Format:"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* options = new QHBoxLayout(frame);
    const char* const layouts[3] = {"YYYY/MM/DD", "DD/MM/YYYY", "MM/DD/YYYY"};
    for (int k = 0; k < 3; ++k) {
        optDateFormat[k] = new QRadioButton(QString::fromLatin1(layouts[k]), frame);
        optDateFormat[k]->setObjectName(QStringLiteral("optDateFormat(%1)").arg(k));
        options->addWidget(optDateFormat[k]);
    }
    optDateFormat[0]->setChecked(true);
    bottom->addWidget(frame);
    bottom->addStretch(1);
    lblTicked = new QLabel(this);
    lblTicked->setObjectName(QStringLiteral("lblTicked"));
    bottom->addWidget(lblTicked, 0, Qt::AlignBottom);
    cmdAppend = new QPushButton(QStringLiteral("append"), this);
    cmdAppend->setObjectName(QStringLiteral("cmdAppend"));
    cmdAppend->setAutoDefault(false);
    cmdAppend->setMinimumWidth(120);
    bottom->addWidget(cmdAppend, 0, Qt::AlignBottom);
    top->addLayout(bottom);

    connect(MSFlexGrid1, &QTableView::clicked, this,
            [this](const QModelIndex& i) { MSFlexGrid1_Click(i.row(), i.column()); });
    connect(cmdAppend, &QPushButton::clicked, this, [this] { cmdAppend_Click(); });

    Form_Load();

    // After the load, which may have chosen the sensor's own layout.
    for (QRadioButton* o : optDateFormat)
        connect(o, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                optDateFormat_Click();
        });
}

namespace {
QDateTime g_presentForTests;
}

void FrmSlugData::setPresentForTests(const QDateTime& now)
{
    g_presentForTests = now;
}

FrmSlugData::~FrmSlugData()
{
    if (!m_unloaded)
        Form_Unload();
}

bool FrmSlugData::ticked(int row) const
{
    return m_model->ticked(row);
}

int FrmSlugData::tickedCount() const
{
    int n = 0;
    for (char t : m_model->ticks())
        n += t ? 1 : 0;
    return n;
}

QString FrmSlugData::note(int row) const
{
    return m_model->note(row);
}

DateLayout FrmSlugData::dateLayout() const
{
    if (optDateFormat[1]->isChecked())
        return DateLayout::DayFirst;
    if (optDateFormat[2]->isChecked())
        return DateLayout::MonthFirst;
    return DateLayout::YearFirst;
}

void FrmSlugData::Form_Load()
{
    AppState& st = m_s.ctx.st;
    // Each step goes on whatever the one before did.
    attempt([&] {
        st.SavedReadingBookmark = 0;
        if (st.rsReadings.state() && !st.rsReadings.bof() && !st.rsReadings.eof())
            st.SavedReadingBookmark = st.rsReadings.bookmark();
    });
    attempt([&] {
        if (st.rsReadings.state())
            st.rsReadings.close();
        OpenSensorData(st, m_s.ctx.pr);
    });
    lblHeader->setText(QStringLiteral("Click to download textfile data to Sensor ") + st.CurrentSensorID);
    cmdAppend->setEnabled(true);
    attempt([&] { loadStoredKeys(); });
    // The layout this sensor's files were last appended with.
    attempt([&] {
        if (m_instrumentId.isEmpty() || !st.conn)
            return;
        const auto kept = store::readSetting(*st.conn, m_instrumentId, kLayoutSetting);
        if (const auto l = kept ? layoutFromName(*kept) : std::nullopt)
            optDateFormat[static_cast<int>(*l)]->setChecked(true);
    });
    attempt([&] { PopulateSFlexGrid(MSFlexGrid1, &m_s.ReadoutData); });
}

void FrmSlugData::loadStoredKeys()
{
    AppState& st = m_s.ctx.st;
    m_storedKeys.clear();
    m_instrumentId = st.rsSensors.text(QStringLiteral("InstrumentID"));
    // The readings record set has just been opened on the sensor's table;
    // the window puts it back where it was when it closes.
    auto& rs = st.rsReadings;
    if (!rs.state() || rs.recordCount() < 1)
        return;
    const int keyField = rs.fieldIndex(QStringLiteral("DateTimeKey"));
    m_storedKeys.reserve(rs.recordCount());
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        m_storedKeys.insert(rs.value(keyField).toString());
    rs.moveFirst();
}

void FrmSlugData::rememberLayout()
{
    AppState& st = m_s.ctx.st;
    if (m_instrumentId.isEmpty() || !st.conn)
        return;
    try {
        store::writeSetting(*st.conn, m_instrumentId, kLayoutSetting, layoutName(dateLayout()));
    } catch (...) {
        // Only a convenience for the next import: logged, never in the way.
        logCurrentException(st.DataFolder, QStringLiteral("cmdAppend_Click"));
    }
}

bool FrmSlugData::handChanged() const
{
    const auto& now = m_model->ticks();
    return now.size() == m_computed.size() && now != m_computed;
}

void FrmSlugData::recompute(bool keepHand)
{
    const ReadoutRecords* records = &m_s.ReadoutData;
    const DateLayout layout = dateLayout();
    const QComboBox* box = m_s.ctx.ui.cboSlugInt;
    const int spacing = spacingHours(box ? box->currentText() : QStringLiteral("24"));
    const QDateTime now = g_presentForTests.isValid() ? g_presentForTests : clockAsWritten();
    const Preselection pre = preselectRows(*records, spacing, layout, now);

    std::vector<char> ticks = pre.ticked;
    if (keepHand && handChanged()) {
        const auto& shown = m_model->ticks();
        for (size_t r = 0; r < ticks.size() && r < shown.size(); ++r)
            if (shown[r] != m_computed[r])
                ticks[r] = shown[r];
    }
    m_computed = pre.ticked;
    m_shownLayout = layout;

    const int n = records->recordCount();
    std::vector<QString> notes(static_cast<size_t>(n));
    for (int r = 0; r < n; ++r) {
        const QStringView slug = records->fieldView(r, 0);
        const auto stamp = readingStamp(m_instrumentId, slug, layout);
        QString& text = notes[static_cast<size_t>(r)];
        if (slug == kNoTimeMarker)
            text = QStringLiteral("No time");
        else if (!stamp)
            text = QStringLiteral("Date not readable as ") + layoutName(layout);
        else if (m_storedKeys.contains(stamp->key))
            text = QStringLiteral("Already stored");
        else if (pre.future[static_cast<size_t>(r)])
            text = QStringLiteral("More than a day in the future");
    }
    m_model->setTicks(std::move(ticks));
    m_model->setNotes(std::move(notes));

    const std::vector<DateLayout> better = betterLayouts(*records, layout);
    if (better.empty()) {
        lblLayoutHint->clear();
        lblLayoutHint->hide();
    } else {
        QStringList names;
        for (DateLayout l : better)
            names << layoutName(l);
        lblLayoutHint->setText(QStringLiteral("Most dates in this file cannot be read as ") + layoutName(layout)
                               + QStringLiteral(": they are written ") + names.join(QStringLiteral(" or "))
                               + QStringLiteral(". Choose the file's layout under Datafile Date Format: "
                                                "before you append."));
        lblLayoutHint->show();
    }
    refreshCount();
}

void FrmSlugData::refreshCount()
{
    const int n = m_model->rowCount();
    lblTicked->setText(QStringLiteral("%1 of %2 rows ticked").arg(tickedCount()).arg(n));
}

void FrmSlugData::optDateFormat_Click()
{
    if (m_model->empty() || dateLayout() == m_shownLayout)
        return;
    bool keep = false;
    if (handChanged()) {
        keep = m_s.ctx.pr.ask(QStringLiteral("You have ticked or unticked some rows by hand.\n\n"
                                             "Keep those rows as you set them? (No ticks every row afresh for ")
                                  + layoutName(dateLayout()) + QStringLiteral(".)"),
                              kAppTitle, MsgIcon::Question, MsgResult::Yes);
    }
    recompute(keep);
}

bool FrmSlugData::PopulateSFlexGrid(QTableView* grid, const ReadoutRecords* records)
{
    if (!grid || !records || grid->model() != m_model)
        return false;
    m_model->show(records, {});
    m_computed.clear();
    recompute(false);
    QHeaderView* header = grid->horizontalHeader();
    if (m_model->empty()) {
        header->resizeSection(0, 160);
        return true;
    }
    // 120 twips a character of the header, as the grid was laid out.
    for (int c = 0; c < 12; ++c)
        header->resizeSection(c, 120 * static_cast<int>(QString::fromLatin1(kHeaders[c]).trimmed().size())
                                     / kTwipsPerPixel);
    header->resizeSection(kNoteColumn, grid->fontMetrics().horizontalAdvance(
                                           QStringLiteral("Date not readable as YYYY/MM/DD")) + 16);
    return true;
}

void FrmSlugData::MSFlexGrid1_Click(int row, int column)
{
    if (column == kAppendColumn) {
        m_model->toggle(row);
        refreshCount();
    }
}

bool FrmSlugData::eventFilter(QObject* watched, QEvent* e)
{
    // The space bar ticks and unticks like a click, for the keyboard's user.
    if (watched == MSFlexGrid1 && e->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Space) {
        const QModelIndex i = MSFlexGrid1->currentIndex();
        if (i.isValid())
            MSFlexGrid1_Click(i.row(), i.column());
        return i.isValid() && i.column() == kAppendColumn;
    }
    return QDialog::eventFilter(watched, e);
}

QString FrmSlugData::finalMessage(const AppendOutcome& out, bool duplicatesSilenced) const
{
    QString text = out.appended < 1
        ? QStringLiteral(" No data was found to append")
        : QStringLiteral(" %1 records appended to ").arg(out.appended) + m_s.ctx.st.CurrentSensorID;
    if (out.badDates > 0)
        text += out.badDates == 1
            ? QStringLiteral("\n\n1 ticked row was skipped because its date and time could not be read.")
            : QStringLiteral("\n\n%1 ticked rows were skipped because their date and time could not be read.")
                  .arg(out.badDates);
    if (out.partialRows > 0)
        text += out.partialRows == 1
            ? QStringLiteral("\n\n1 reading had channels without a value; they were stored empty.")
            : QStringLiteral("\n\n%1 readings had channels without a value; they were stored empty.")
                  .arg(out.partialRows);
    if (out.emptyRows > 0)
        text += out.emptyRows == 1
            ? QStringLiteral("\n\n1 ticked row was skipped because none of its channels had a value.")
            : QStringLiteral("\n\n%1 ticked rows were skipped because none of their channels had a value.")
                  .arg(out.emptyRows);
    if (duplicatesSilenced && out.duplicates > 0)
        text += out.duplicates == 1 ? QStringLiteral("\n\n1 row was refused as a duplicate.")
                                    : QStringLiteral("\n\n%1 rows were refused as duplicates.").arg(out.duplicates);
    return text;
}

void FrmSlugData::cmdAppend_Click()
{
    MainContext& c = m_s.ctx;
    AppState& st = c.st;
    const bool yes = c.pr.ask(QStringLiteral("All the checked data will be added to sensor:  ") + st.CurrentSensorID
                                  + QStringLiteral(" ?"),
                              kAppTitle);
    if (yes) {
        rememberLayout();
        bool silenced = false;
        const DuplicateNotice onDuplicate = [&](const QString& key) {
            if (silenced)
                return;
            bool checked = false;
            c.pr.messageWithCheck(key + QStringLiteral(" is a duplicate reading and cannot be appended."),
                                  QStringLiteral("Do not show this message again for this import"), checked,
                                  MsgIcon::None, MsgButtons::Ok, kAppTitle);
            silenced = checked;
        };
        AppendOutcome out;
        bool failed = false;
        try {
            AppendTarget target;
            target.instrumentId = st.rsSensors.text(QStringLiteral("InstrumentID"));
            target.sensorType = st.rsSensors.text(QStringLiteral("SensorType"));
            target.tempChannel = st.rsConfig.value(QStringLiteral("TempChannel")).toBool();
            target.sourceFile = m_s.importedPath;
            out = appendReadings(*st.conn, m_s.ReadoutData, m_model->ticks(), target, dateLayout(), onDuplicate,
                                 m_s.progress());
        } catch (...) {
            failed = true;
            int number = 0;
            QString description;
            describeCurrentException(number, description);
            writeLog(st.DataFolder, errorText(number, description, QStringLiteral("cmdAppend_Click")));
            c.pr.message(QStringLiteral("The readings could not be appended:\n") + description
                             + QStringLiteral("\n\nNothing was appended to ") + st.CurrentSensorID + u'.',
                         MsgIcon::Warning);
        }
        if (!failed && out.cancelled) {
            c.pr.message(QStringLiteral("The append was cancelled. Nothing was appended to ") + st.CurrentSensorID
                             + u'.',
                         MsgIcon::Information);
        } else if (!failed) {
            c.pr.message(finalMessage(out, silenced));
            if (out.appended >= 1)
                archive();
            // Shown by the caller once this window has closed.
            try {
                m_exceedances = checkAppendedReadings(*st.conn, st.rsSensors.text(QStringLiteral("InstrumentID")),
                                                      out.rows);
            } catch (...) {
                logCurrentException(st.DataFolder, QStringLiteral("cmdAppend_Click"));
            }
        }
    }
    m_model->clear();
    cmdAppend->setEnabled(false);
    accept();
}

void FrmSlugData::archive()
{
    AppState& st = m_s.ctx.st;
    const QString root = m_s.archiveRoot ? m_s.archiveRoot(m_s.importedPath) : driveRoot(m_s.importedPath);
    const ArchiveOutcome out = archiveReadout(root, st.CurrentSensorID, QDate::currentDate());
    if (out.status != ArchiveOutcome::Status::Failed)
        return;
    writeLog(st.DataFolder, errorText(75, out.error, QStringLiteral("cmdAppend_Click")));
    m_s.ctx.pr.message(QStringLiteral("The logger's readout file could not be archived.\n") + out.error,
                       MsgIcon::Warning);
}

void FrmSlugData::done(int result)
{
    if (!m_unloaded)
        Form_Unload();
    QDialog::done(result);
}

void FrmSlugData::Form_Unload()
{
    m_unloaded = true;
    MainContext& c = m_s.ctx;
    AppState& st = c.st;
    attempt([&] { m_model->clear(); });
    attempt([&] {
        if (st.rsReadings.state())
            st.rsReadings.close();
    });
    m_s.ReadoutData.clear();
    attempt([&] { OpenSensorData(st, c.pr); });
    attempt([&] {
        auto& rs = st.rsReadings;
        if (rs.recordCount() < 1)
            return;
        bool placed = false;
        if (st.SavedReadingBookmark != 0) {
            try {
                rs.setBookmark(st.SavedReadingBookmark);
                placed = true;
            } catch (...) {
            }
        }
        if (!placed)
            rs.moveLast();
    });
    attempt([&] { readings::fillreadings(c); });
    attempt([&] {
        auto& rs = st.rsReadings;
        if (c.ui.txtRcount && rs.state() && rs.recordCount() > 0 && !rs.bof() && !rs.eof())
            c.ui.txtRcount->setText(QString::number(rs.absolutePosition()) + QStringLiteral(" of ")
                                    + QString::number(rs.recordCount()));
    });
}

} // namespace rv::importing
