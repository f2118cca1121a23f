#include "readings/frmDatasheet.h"

#include "ui/ui_icons.h"
#include "ui/ui_layout_parts.h"
#include "ui/ui_main_layout.h"
#include "common/log.h"
#include "readings/sensor_tables.h"
#include "store/conflict.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace rv {

namespace {

// The flag pictures: a ticked-off box with a cross, and an empty box.
QPixmap flagPixmap(bool on)
{
    const int side = 14;
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(0.5, 0.5, side - 1, side - 1));
    if (on) {
        p.setPen(QPen(QColor(20, 60, 160), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(side - 3.5, side - 3.5));
        p.drawLine(QPointF(side - 3.5, 3.5), QPointF(3.5, side - 3.5));
    }
    return pm;
}

// Paints a flag cell's picture in the middle of the cell, over the usual
// background and selection.
class FlagDelegate : public QStyledItemDelegate {
public:
    FlagDelegate(const QLabel* on, const QLabel* off, QObject* parent)
        : QStyledItemDelegate(parent), m_on(on), m_off(off) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(p, option, index);
        const QVariant f = index.data(datasheet::Model::FlagRole);
        if (!f.isValid())
            return;
        const QPixmap pm = (f.toBool() ? m_on : m_off)->pixmap();
        const QRect r = QStyle::alignedRect(option.direction, Qt::AlignCenter,
                                            pm.deviceIndependentSize().toSize(), option.rect);
        p->drawPixmap(r, pm);
    }

private:
    const QLabel* m_on;
    const QLabel* m_off;
};

} // namespace

FrmDatasheet::FrmDatasheet(AppState& st, Prompter& pr, QWidget* parent)
    : QDialog(parent), m_st(st), m_pr(pr), m_model(this)
{
    setObjectName(QStringLiteral("frmDatasheet"));
    setWindowTitle(QStringLiteral("Rockvane DataSheet"));
    setModal(true);

    auto* top = new QHBoxLayout;
    m_lblHeader = new QLabel(this);
    m_lblHeader->setObjectName(QStringLiteral("lblHeader"));
    QFont big = m_lblHeader->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    m_lblHeader->setFont(big);
    top->addWidget(m_lblHeader, 1);

    m_Image1 = layout::imageButton(this, QStringLiteral("Image1"),
                                   buttonIcon(QStringLiteral("x-office-spreadsheet"),
                                              QStyle::SP_FileDialogDetailedView),
                                   QRect(0, 0, 40, 40), QStringLiteral("Export to a spreadsheet"));
    m_Image1->setFixedSize(40, 40);
    // The opener enables it once it has connected the spreadsheet export.
    m_Image1->setEnabled(false);
    top->addWidget(m_Image1);

    m_imgXOn = layout::pictureSource(this, QStringLiteral("img_x_on"), flagPixmap(true));
    m_imgXOff = layout::pictureSource(this, QStringLiteral("img_x_off"), flagPixmap(false));

    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("MSFlexGrid1"));
    m_grid->setModel(&m_model);
    m_grid->setItemDelegate(new FlagDelegate(m_imgXOn, m_imgXOff, m_grid));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    // Tab moves between cells; the grid's own rule decides where.
    m_grid->setTabKeyNavigation(true);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->setWordWrap(false);
    m_grid->installEventFilter(this);
    connect(m_grid, &QTableView::clicked, this, [this](const QModelIndex& i) {
        if (i.isValid())
            gridClick(i.row(), i.column());
    });

    auto* v = new QVBoxLayout(this);
    v->addLayout(top);
    v->addWidget(m_grid, 1);

    resize(960, 640);
    load();
}

FrmDatasheet::~FrmDatasheet() = default;

void FrmDatasheet::load()
{
    guarded(m_st.DataFolder, QStringLiteral("frmDatasheet.Form_Load"), [&] {
        auto& rs = m_st.rsReadings;
        // The grid reads from the Readings page's own set, which stays open
        // through the window: the shown reading is remembered, to show again
        // afterwards.
        if (rs.state() && !rs.bof() && !rs.eof() && rs.recordCount() > 0)
            m_st.SavedReadingBookmark = rs.bookmark();
        m_changed = false;
        if (!rs.state())
            OpenSensorData(m_st, m_pr);
        m_lblHeader->setText("Data for Sensor " + m_st.CurrentSensorID);
        const datasheet::Layout l = datasheet::layoutFor(m_st.CurrentSensorID);
        if (rs.state())
            m_model.load(rs, l);
        // The widths in twips were made for a small bitmap font: a wider
        // font widens a column to its caption and first reading rather than
        // cutting off keys and times.
        const QList<int> widths = datasheet::columnWidthsTwips(l);
        const QFontMetrics fm(m_grid->font());
        const QFontMetrics hm(m_grid->horizontalHeader()->font());
        const int pad = 14;
        int total = 0;
        for (int k = 0; k < widths.size(); ++k) {
            int w = widths[k] / kTwipsPerPixel;
            w = std::max(w, hm.horizontalAdvance(m_model.header(k)) + pad);
            if (m_model.readingCount() > 0 && !l.isFlag(k))
                w = std::max(w, fm.horizontalAdvance(m_model.text(0, k)) + pad);
            m_grid->setColumnWidth(k, w);
            total += w;
        }
        // Wide enough for every column where the screen allows it.
        total += m_grid->verticalScrollBar()->sizeHint().width() + 2 * m_grid->frameWidth() + 2 * 12;
        int room = total;
        if (const QScreen* sc = screen())
            room = std::min(total, sc->availableGeometry().width() * 95 / 100);
        resize(std::max(room, 480), height());
        if (m_model.readingCount() > 0)
            m_grid->setCurrentIndex(m_model.index(0, 0));
        m_grid->setFocus(Qt::OtherFocusReason);
    });
}

bool FrmDatasheet::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == m_grid && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        // Shortcuts such as copying stay the grid's own.
        if (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        int code = 0;
        bool backTab = false;
        switch (k->key()) {
        case Qt::Key_Tab: code = 9; break;
        case Qt::Key_Backtab: code = 9; backTab = true; break;
        case Qt::Key_Backspace: code = 8; break;
        case Qt::Key_Return:
        case Qt::Key_Enter: code = 13; break;
        case Qt::Key_Escape: code = 27; break;
        default: {
            const QString t = k->text();
            if (t.isEmpty() || !t.at(0).isPrint())
                return false;
            code = t.at(0).unicode();
        }
        }
        return gridKeyPress(code, backTab);
    }
    return QDialog::eventFilter(watched, e);
}

bool FrmDatasheet::gridKeyPress(int code, bool backTab)
{
    guarded(m_st.DataFolder, QStringLiteral("frmDatasheet.MSFlexGri1_KeyPress"), [&] {
        const QModelIndex cur = m_grid->currentIndex();
        int row = cur.isValid() ? cur.row() : 0;
        int col = cur.isValid() ? cur.column() : 0;
        using datasheet::KeyAction;
        switch (datasheet::keyAction(code, col, m_model.layout(), backTab)) {
        case KeyAction::Append:
            if (!cur.isValid())
                return;
            m_model.setText(row, col, m_model.text(row, col) + QChar(code));
            m_changed = true;
            break;
        case KeyAction::Backspace: {
            if (!cur.isValid())
                return;
            m_changed = true;
            const QString t = m_model.text(row, col);
            if (!t.isEmpty())
                m_model.setText(row, col, t.left(t.size() - 1));
            break;
        }
        case KeyAction::NextCell:
        case KeyAction::PreviousCell:
            if (backTab)
                datasheet::previousCell(row, col, m_model.readingCount(), m_model.columnCount());
            else
                datasheet::nextCell(row, col, m_model.readingCount(), m_model.columnCount());
            if (m_model.readingCount() > 0)
                m_grid->setCurrentIndex(m_model.index(row, col));
            break;
        case KeyAction::ToggleFlag:
            if (!cur.isValid())
                return;
            m_model.toggleFlag(row, col);
            m_changed = true;
            break;
        case KeyAction::RefuseFixed:
            m_pr.message(datasheet::kDateTimeRefusal, MsgIcon::Information, MsgButtons::Ok, kQuillonTitle);
            break;
        case KeyAction::RefuseNotNumber:
            m_pr.message(datasheet::kNumericRefusal, MsgIcon::Information, MsgButtons::Ok, kQuillonTitle);
            break;
        case KeyAction::Nothing:
            break;
        }
    });
    return true;
}

void FrmDatasheet::gridClick(int row, int col)
{
    if (!m_model.layout().isFlag(col) || row < 0 || row >= m_model.readingCount())
        return;
    m_model.toggleFlag(row, col);
    m_changed = true;
}

void FrmDatasheet::done(int r)
{
    if (!m_unloaded) {
        m_unloaded = true;
        unload();
    }
    QDialog::done(r);
}

void FrmDatasheet::unload()
{
    auto& rs = m_st.rsReadings;
    if (m_changed && rs.state()) {
        std::vector<datasheet::Unsaved> unsaved;
        std::vector<datasheet::Overtaken> overtaken;
        const bool ok = guarded(m_st.DataFolder, QStringLiteral("frmDatasheet.G_ReadValuesFromGrid"),
                                [&] { unsaved = m_model.writeBack(rs, *m_st.conn, &overtaken); });
        if (!ok) {
            // The write-back is one transaction: a failure keeps every stored
            // value, and the user must know the edits are gone.
            m_pr.message(QStringLiteral("The changes made in the datasheet could not be saved; "
                                        "the readings are as they were before it opened."),
                         MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
        } else if (!unsaved.empty()) {
            m_pr.message(datasheet::unsavedMessage(unsaved), MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
        }
        if (ok && !overtaken.empty()) {
            const QString sensor = rs.tableName();
            auto who = [&](const QString& key) {
                QString by;
                attempt([&] {
                    auto last = store::lastChangeOf(*m_st.conn, {sensor}, {key}, store::audit::Edit);
                    if (!last)
                        last = store::lastChangeOf(*m_st.conn, {sensor}, {key, QString()}, store::audit::Delete);
                    if (last)
                        by = "by " + last->changedBy + (last->machine.isEmpty() ? QString() : " on " + last->machine)
                            + " at " + last->changedAt.toString("yyyy/MM/dd HH:mm:ss");
                });
                return by;
            };
            m_pr.message(datasheet::overtakenMessage(overtaken, who), MsgIcon::Warning, MsgButtons::Ok,
                         store::kConflictTitle);
        }
    }
}

} // namespace rv
