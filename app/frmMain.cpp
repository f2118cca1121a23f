#include "app/frmMain.h"
#include "app/first_start.h"
#include "app/frmSplash.h"
#include "ui/ui_clickable_label.h"
#include "graphs/graph_data.h"
#include "common/log.h"
#include "maintenance/compact_db.h"
#include "maintenance/ui_backups.h"
#include "graphs/ui_graphs.h"
#include "import/ui_import.h"
#include "maintenance/ui_utilities.h"
#include "readings/reading_rules.h"
#include "readings/sensor_tables.h"
#include "readings/ui_datasheet.h"
#include "readings/ui_readings.h"
#include "reports/frmSiteStatus.h"
#include "reports/frmAuditLog.h"
#include "reports/ui_reports.h"
#include "sensors/frmLevels.h"
#include "sensors/prefs.h"
#include "sensors/ui_sensors.h"
#include "store/connection.h"
#include "store/schema.h"
#include "ui/ui_progress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QStatusBar>
#include <algorithm>
#include <QComboBox>
#include <qcustomplot.h>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>

namespace rv {

namespace {

// Tops of the Installation page's moving boxes, in twips, for the two geometries.
struct InstallationTops {
    int head;
    int anchors[6];
    int centres[5];
};
constexpr InstallationTops kCollarTops{8880, {7920, 7080, 6240, 5400, 4560, 3720}, {7440, 6600, 5760, 4920, 4080}};
constexpr InstallationTops kToeTops{3240, {4200, 5040, 6000, 6960, 7800, 8760}, {4560, 5520, 6480, 7440, 8400}};

void moveTop(QWidget* w, int twips)
{
    if (w)
        w->move(w->x(), twips / kTwipsPerPixel);
}

const QString kMainTitle = QStringLiteral("Quillon's Rockvane - Cable Bolt Monitoring");

const QString kTwoReadings = QStringLiteral("You must have at least 2 readings to view the plot.\n\n");
const QString kTemporalHint = QStringLiteral(
    "If you have at least 2 readings in the database, ensure the Plot Temporal box on the Readings Tab is checked in each case.");
const QString kSpatialHint = QStringLiteral(
    "If you have at least 2 readings in the database, ensure the Plot Spatial box on the Readings Tab is checked in each case.");

} // namespace

FrmMain::FrmMain(AppState& st, Prompter& pr, QWidget* parent)
    : QMainWindow(parent), m_st(st), m_pr(pr), m_ctx{st, m_ui, pr, false, QString(), {}, {}}, m_lock(st.DataFolder)
{
    setObjectName("frmMain");
    setWindowTitle(kMainTitle);
    buildMainUi(this, m_ui);
    // Where the work goes is always in sight: the file's full path in the
    // status bar, the window grown by the bar's height so the pages keep
    // their size.
    m_lblDatabase = new QLabel(this);
    m_lblDatabase->setObjectName("lblDatabase");
    m_lblDatabase->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusBar()->setObjectName("statusBar");
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(m_lblDatabase, 1);
    resize(width(), height() + statusBar()->sizeHint().height());
    m_ctx.reload = [this] {
        // The single-copy lock guards a database file only: a window moved
        // to a server leaves the data folder to other copies, and one moved
        // back to a file takes the lock again, or stays where it was.
        if (store::isServerLocation(m_st.DatabasePath)) {
            m_lock.release();
        } else if (!m_lock.acquire()) {
            m_pr.message("Another copy of Rockvane is running on this data folder.\n"
                         "A database file can be used by one copy at a time.",
                         MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
            return false;
        }
        return connectAndLoad();
    };
    m_ctx.showAbout = [this] {
        // Made once and kept for the rest of the run; OK only hides it.
        auto* about = findChild<frmSplash*>(QStringLiteral("frmSplash"), Qt::FindDirectChildrenOnly);
        if (!about)
            about = new frmSplash(this);
        about->exec();
    };
    wire();
}

FrmMain::~FrmMain()
{
    terminate();
}

void FrmMain::wire()
{
    auto& u = m_ui;
    connect(u.SSTab1, &QTabWidget::currentChanged, this, &FrmMain::pageChanged);
    u.SSTab1->tabBar()->installEventFilter(this);

    // Sensor pages.
    auto on = [this](auto* sender, auto signal, void (*proc)(MainContext&)) {
        connect(sender, signal, this, [this, proc] { proc(m_ctx); });
    };
    on(u.imgAddSensor, &QToolButton::clicked, sensors::imgAddSensorClick);
    on(u.Label57, &ClickableLabel::clicked, sensors::imgAddSensorClick);
    on(u.imgDelete, &QToolButton::clicked, sensors::imgDeleteClick);
    on(u.Label55, &ClickableLabel::clicked, sensors::imgDeleteClick);
    on(u.imgPrevious, &QToolButton::clicked, sensors::imgPreviousClick);
    on(u.Label56, &ClickableLabel::clicked, sensors::imgPreviousClick);
    on(u.imgNext, &QToolButton::clicked, sensors::imgNextClick);
    on(u.Label59, &ClickableLabel::clicked, sensors::imgNextClick);
    on(u.imgFilter, &QToolButton::clicked, sensors::imgFilterClick);
    on(u.lblFilterState, &ClickableLabel::clicked, sensors::imgFilterClick);

    connect(u.cboSensors, &QComboBox::activated, this, [this](int) { sensors::cboSensorsClick(m_ctx); });
    connect(u.cboDestroyed, &QComboBox::activated, this, [this](int) { sensors::cboDestroyedClick(m_ctx); });
    // An editable combo box takes the keys itself and hands them to its line
    // edit directly, so the keys are watched where they arrive.
    u.cboSensors->installEventFilter(this);
    u.cboDestroyed->installEventFilter(this);
    // Destroyed holds "Yes", "No" or nothing: no paste, cut, drop or menu
    // edit may put any other text into it.
    u.cboDestroyed->lineEdit()->setReadOnly(true);
    for (int i = 1; i <= 6; ++i)
        u.txtNode[i]->installEventFilter(this);
    u.txtRecess->installEventFilter(this);
    u.txtStartDate->installEventFilter(this);
    u.txtEndDate->installEventFilter(this);

    // The other pages wire their own controls.
    readings::wireReadingsPage(m_ctx, this);
    graphs::wireGraphPages(m_ctx, this);
    importing::wireImport(m_ctx, this);
    maintenance::wireUtilities(m_ctx, this);
    reports::wireReports(m_ctx, this);
    readings::wireDatasheet(m_ctx, this);
    sensors::wireLevels(m_ctx, this);
    reports::wireSiteStatus(m_ctx, this);
    reports::wireAuditLog(m_ctx, this);
}

bool FrmMain::eventFilter(QObject* watched, QEvent* e)
{
    auto& u = m_ui;
    if (watched == u.SSTab1->tabBar() && e->type() == QEvent::MouseButtonPress) {
        const int page = u.SSTab1->currentIndex();
        if (page >= 3 && page <= 5)
            attempt([&] { if (m_st.rsReadings.state()) m_st.rsReadings.close(); });
        return false;
    }
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (watched == u.cboSensors) {
            // Shortcuts (select all, copy, paste) and a modifier key on its
            // own are not typing: they neither complete nor touch the flag.
            const int code = k->key();
            const bool modifierOnly = code == Qt::Key_Shift || code == Qt::Key_Control || code == Qt::Key_Alt
                || code == Qt::Key_Meta || code == Qt::Key_AltGr;
            if (modifierOnly || (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
                return false;
            sensors::cboSensorsKeyDown(m_ctx, code);
            const QString t = k->text();
            if (!t.isEmpty() && t.at(0).isPrint() && !sensors::cboSensorsKeyPress(m_ctx, t.at(0)))
                return true;
            return false;
        }
        if (watched == u.cboDestroyed) {
            const QString t = k->text();
            if (!t.isEmpty() && t.at(0).isPrint() && !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
                sensors::cboDestroyedKeyPress(m_ctx, t.at(0));
                return true;
            }
            // Editing keys would change the word without a choice being made.
            return k->key() == Qt::Key_Backspace || k->key() == Qt::Key_Delete;
        }
        const bool isNode = std::find(std::begin(u.txtNode) + 1, std::end(u.txtNode), watched) != std::end(u.txtNode);
        if (isNode || watched == u.txtRecess) {
            // Shortcuts (copy, paste, select all) are not typed characters.
            const QString t = k->text();
            if (t.isEmpty() || (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
                return false;
            const char16_t code = t.at(0).unicode();
            const readings::KeyAction a = isNode ? readings::numberBoxKey(code) : readings::recessKey(code);
            if (a == readings::KeyAction::SaveThenAccept)
                sensors::savefields(m_ctx);
            return a == readings::KeyAction::Refuse;
        }
    }
    if (e->type() == QEvent::FocusOut && (watched == u.txtStartDate || watched == u.txtEndDate)) {
        auto* f = static_cast<QFocusEvent*>(e);
        // Only a move to another control of this window counts: the message
        // box of the check itself takes the focus too.
        if (m_inDateCheck || f->reason() == Qt::ActiveWindowFocusReason || f->reason() == Qt::PopupFocusReason)
            return false;
        m_inDateCheck = true;
        if (watched == u.txtStartDate)
            sensors::txtStartDateLostFocus(m_ctx);
        else
            sensors::txtEndDateLostFocus(m_ctx);
        m_inDateCheck = false;
        return false;
    }
    return QMainWindow::eventFilter(watched, e);
}

bool FrmMain::load()
{
    // 1. A second copy is refused before it touches anything.
    if (!m_lock.acquire()) {
        m_st.RefusedCopy = true;
        m_pr.message("Rockvane is already running\nCannot load program again", MsgIcon::Warning,
                     MsgButtons::Ok, kQuillonTitle);
        return false;
    }
    // 2.
    m_st.Firstload = true;
    // 3. Centre the window, first page, no error line.
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect g = s->availableGeometry();
        move(g.x() + (g.width() - width()) / 2, g.y() + (g.height() - height() - 250 / kTwipsPerPixel) / 2);
    }
    m_ui.SSTab1->setCurrentIndex(0);
    m_page = 0;
    m_ui.lblError->hide();
    // The window is up before the first message, so that every box of the
    // load stands over it.
    show();

    // While a statement waits for another program's lock the pointer says
    // so; it comes back once control returns to the event loop.
    store::setBusyWaitHook([] {
        static bool waiting = false;
        if (waiting)
            return;
        waiting = true;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QTimer::singleShot(0, qApp, [] {
            QApplication::restoreOverrideCursor();
            waiting = false;
        });
    });

    bool ok = true;
    try {
        // 4. The data folder was resolved by the caller.
        // 5. The location file.
        m_st.DatabasePath = m_st.defaultDatabasePath();
        QFile loc(m_st.locationFilePath());
        if (loc.exists()) {
            if (!loc.open(QIODevice::ReadOnly | QIODevice::Text))
                throw store::DbError(53, "File not found");
            QTextStream in(&loc);
            const QString line = in.readLine();
            if (line.isNull())
                throw store::DbError(62, "Input past end of file");
            // A named file that is not there (a share not mounted today) is
            // handled as an empty line; the location file is kept, so the
            // alternate database is used again once it is back.
            const bool found = !line.isEmpty() && (store::isServerLocation(line) || QFileInfo::exists(line));
            if (found) {
                m_st.DatabasePath = line;
            } else {
                if (!line.isEmpty())
                    writeLog(m_st.DataFolder,
                             errorText(store::err::CannotOpen,
                                       "'" + line + "' is not a valid path. The alternate database was not found.",
                                       "Form_Load"));
                m_pr.message("The alternate database file path location could not be found\n"
                             "The default path will be used\n"
                             "You can edit the location on the '6. Utilities' tab",
                             MsgIcon::None, MsgButtons::Ok, kAppTitle);
            }
        }
        // The single-copy lock guards a database file; a server is shared
        // by any number of windows and command-line runs at once.
        if (store::isServerLocation(m_st.DatabasePath))
            m_lock.release();
        // The default database is made here, under the single-copy lock, on
        // the first start (or after one that was interrupted).
        if (m_st.DatabasePath == m_st.defaultDatabasePath()) {
            QString why;
            if (!ensureDataFolder(m_st.DataFolder, &why)) {
                writeLog(m_st.DataFolder, errorText(store::err::CannotOpen, why, "Form_Load"));
                m_pr.message("ERROR: could not create the database " + m_st.DatabasePath + "\n" + why +
                                 "\nProgram must exit",
                             MsgIcon::Critical, MsgButtons::Ok, "Database connection error");
                m_connectFailed = true;
                return false;
            }
        }
        // 6 to 9.
        ok = connectAndLoad();
    } catch (...) {
        logCurrentException(m_st.DataFolder, "Form_Load");
    }
    if (!ok)
        return false;
    // 10.
    m_st.BatchChoice = {false, false, false};
    // Also after a failed step: the window stays usable with what was filled.
    m_st.Firstload = false;
    return true;
}

bool FrmMain::connectAndLoad()
{
    // 6. Connect. A file that cannot be opened is an error of the load
    // itself (logged by the caller); a connection that reports itself
    // closed afterwards ends the program.
    m_st.ConnectString = store::isServerLocation(m_st.DatabasePath)
                             ? "Provider=PostgreSQL;Data Source=" + store::redactedLocation(m_st.DatabasePath)
                             : "Provider=SQLite;Data Source=" + m_st.DatabasePath;
    showDatabaseInUse();
    m_st.rsSensors.close();
    m_st.rsConfig.close();
    m_st.rsReadings.close();
    m_st.rsGraph.close();
    m_st.conn = std::make_unique<store::Connection>();
    // A file that cannot be opened, stays locked or is not a Rockvane
    // database leaves nothing to work on: the program says so and ends
    // rather than show a window that silently does nothing. The log keeps
    // the real cause.
    try {
        m_st.conn->open(m_st.DatabasePath);
        const QStringList missing = store::missingFixedTables(*m_st.conn);
        if (!missing.isEmpty())
            throw store::DbError(store::err::CannotOpen, "'" + m_st.DatabasePath +
                                                             "' is not a Rockvane database: it has no table " +
                                                             missing.join(", ") + ".");
    } catch (...) {
        logCurrentException(m_st.DataFolder, m_st.Firstload ? "Form_Load" : "connectAndLoad");
        attempt([&] { m_st.conn->close(); });
    }
    if (m_st.conn->state() == 0) {
        m_connectFailed = true;
        m_pr.message("ERROR: could not connect to database\nProgram must exit", MsgIcon::Critical,
                     MsgButtons::Ok, "Database connection error");
        return false;
    }
    // A file that may not be written is shown, and said so once, here: the
    // user knows before typing anything that nothing can be kept.
    if (m_st.conn->isReadOnly())
        m_pr.message("The database " + QDir::toNativeSeparators(m_st.DatabasePath) +
                         " is read-only.\nIt can be viewed, but no change to it can be saved.",
                     MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
    // An older Rockvane file gains what this version keeps beside the
    // original tables (a large site shows the indexing as it goes). A file
    // that cannot be written stays as it is and is still shown; the log
    // says why it was not brought up to date.
    try {
        importing::QtProgress progress(this);
        bool begun = false;
        store::upgradeSchema(*m_st.conn, [&](qint64 done, qint64 total) {
            if (!begun) {
                progress.begin(QStringLiteral("Preparing the database for this version of Rockvane..."), total);
                begun = true;
            }
            progress.advance(done);
        });
        if (begun)
            progress.end();
    } catch (...) {
        logCurrentException(m_st.DataFolder, "upgradeSchema");
    }
    // 7. The sensor types and the site preferences.
    m_st.rsConfig.open("SELECT * FROM Configuration ORDER BY SensorType", *m_st.conn);
    m_st.rsConfig.moveFirst();
    GetPrefs(m_st);
    // 8. The catalogue.
    m_st.rsSensors.open("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;", *m_st.conn);
    // 9.
    m_ui.cboSensors->clear();
    if (m_st.rsSensors.bof() || m_st.rsSensors.eof()) {
        m_pr.message("There are no sensors in the database, \nclick the ADD NEW button to begin using Rockvane",
                     MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
        m_ui.txtSCount->setText("0");
        sensors::fillfields(m_ctx);
    } else {
        sensors::refillSensorList(m_ctx);
    }
    return true;
}

void FrmMain::showDatabaseInUse()
{
    if (store::isServerLocation(m_st.DatabasePath)) {
        const QString shown = store::redactedLocation(m_st.DatabasePath);
        setWindowTitle(kMainTitle + QStringLiteral(" - ") + shown);
        m_lblDatabase->setText(QStringLiteral("Database: ") + shown);
        m_lblDatabase->setToolTip(shown);
        return;
    }
    const QFileInfo db(m_st.DatabasePath);
    setWindowTitle(kMainTitle + QStringLiteral(" - ") + db.fileName());
    const QString full = QDir::toNativeSeparators(db.absoluteFilePath());
    m_lblDatabase->setText(QStringLiteral("Database: ") + full);
    m_lblDatabase->setToolTip(full);
}

void FrmMain::closeEvent(QCloseEvent* e)
{
    unload();
    e->accept();
}

void FrmMain::unload()
{
    if (m_unloaded || m_st.RefusedCopy)
        return;
    m_unloaded = true;
    try {
        sensors::savefields(m_ctx);
        // Leaving the Readings page saved its reading already; only the page
        // still shown has edits to keep.
        if (m_page == 2)
            readings::SaveReadings(m_ctx);
    } catch (...) {
        logCurrentException(m_st.DataFolder, "Form_Unload");
    }
}

void FrmMain::terminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    if (m_st.RefusedCopy)
        return;
    attempt([&] { m_st.rsSensors.close(); });
    attempt([&] { m_st.rsReadings.close(); });
    attempt([&] { m_st.rsGraph.close(); });
    attempt([&] { m_st.rsConfig.close(); });
    // The next start finds the readings counted this session without
    // counting them again, unless the file is written meanwhile.
    attempt([&] { if (m_st.conn && m_st.conn->state()) m_st.conn->noteRowCounts(); });
    attempt([&] { if (m_st.conn && m_st.conn->state()) m_st.conn->close(); });
    attempt([&] { m_st.conn.reset(); });
    // Only the default database is compacted, never a relocated one; when
    // a relocated database is in use from the start there may be no default
    // file at all, and that is nothing to report.
    // After a database that could not be used the program just ends: the
    // file is not touched again.
    // A database server looks after its own space (autovacuum): the program
    // never compacts there, and the log says so once per session.
    const bool onServer = store::isServerLocation(m_st.DatabasePath);
    if (onServer && !m_connectFailed)
        writeLog(m_st.DataFolder, QStringLiteral("The database is on a server (%1): it is not compacted at close; "
                                                 "the server reclaims its own space.")
                                      .arg(store::redactedLocation(m_st.DatabasePath)));
    attempt([&] {
        if (!onServer && !m_connectFailed && QFileInfo::exists(m_st.defaultDatabasePath()))
            G_CompactDB(m_st.DataFolder + "/", kDefaultDatabaseName, m_pr, m_st.DataFolder);
    });
    m_lock.release();
}

void FrmMain::pageChanged(int entered)
{
    const int left = m_page;
    m_page = entered;
    auto& u = m_ui;

    // 1. Leaving a page saves what was edited on it.
    if (left == 0 || left == 1) {
        attempt([&] { sensors::savefields(m_ctx); });
        attempt([&] { sensors::fillfields(m_ctx); });
    } else if (left == 2) {
        attempt([&] { m_st.SavedReadingBookmark = m_st.rsReadings.bookmark(); });
        attempt([&] { readings::SaveReadings(m_ctx); });
    }

    // 2. Entering a page.
    switch (entered) {
    case 0:
        attempt([&] { u.cboSensors->setFocus(); });
        m_st.SavedReadingBookmark = 0;
        break;
    case 1:
        enterInstallationPage();
        break;
    case 2:
        enterReadingsPage();
        break;
    case 3:
    case 4:
    case 5:
    case 6:
        enterGraphPage(entered, left);
        break;
    case 7:
        attempt([&] { GListBackups(m_ctx); });
        break;
    default:
        break;
    }
}

void FrmMain::enterInstallationPage()
{
    auto& u = m_ui;
    const bool collar = u.Option1->isChecked();
    const InstallationTops& tops = collar ? kCollarTops : kToeTops;
    attempt([&] {
        u.lblRecess->setText(collar ? "m recess" : "m protruding from hole for plating");
        u.lbloption->setText(collar ? "Option 1 and 2 - Head at Borehole Collar" : "Option 3 - Head at Toe");
        u.imgHead->setPixmap((collar ? u.imgCollar : u.imgToe)->pixmap());
        moveTop(u.lblHead, tops.head);
        moveTop(u.txtHead, tops.head);
        for (int i = 1; i <= 6; ++i)
            moveTop(u.txtRelSGanchor[i], tops.anchors[i - 1]);
        for (int i = 1; i <= 5; ++i)
            moveTop(u.txtRelSGCenter[i], tops.centres[i - 1]);
    });
    attempt([&] { u.txtLevel->setFocus(); });
}

void FrmMain::enterReadingsPage()
{
    auto& u = m_ui;
    attempt([&] { OpenSensorData(m_st, m_pr); });
    attempt([&] {
        auto& rs = m_st.rsReadings;
        if (rs.state() && rs.recordCount() > 0) {
            bool back = false;
            if (m_st.SavedReadingBookmark != 0)
                attempt([&] { rs.setBookmark(m_st.SavedReadingBookmark); back = true; });
            // A remembered reading that is gone (deleted elsewhere) gives the latest.
            if (!back)
                rs.moveLast();
            readings::fillreadings(m_ctx);
            readings::showPosition(m_ctx);
        } else {
            u.txtRcount->setText("0 of 0");
            readings::fillreadings(m_ctx);
            m_st.SavedReadingBookmark = 0;
        }
    });
    // A working file left over from an import.
    attempt([&] {
        const QString f = m_st.DataFolder + "/datafile.txt";
        if (QFile::exists(f))
            QFile::remove(f);
    });
}

void FrmMain::enterGraphPage(int page, int left)
{
    auto& u = m_ui;
    QCustomPlot* charts[] = {u.ChartT, u.ChartT2, u.ChartS, u.ChartDvL};
    QCustomPlot* chart = charts[page - 3];
    const bool temporal = page == 3 || page == 4;
    attempt([&] { chart->setFocus(); chart->hide(); });
    // Whether the selection holds two readings, without reading a sensor's
    // years of readings only to count them.
    int count = 0;
    attempt([&] {
        count = graphs::GraphDataCount(m_st, m_pr,
                                       temporal ? graphs::GraphSelection::Temporal : graphs::GraphSelection::Spatial,
                                       2);
    });
    if (count > 1) {
        // The page's data pass, then the chart shown and drawn.
        graphs::drawGraphPage(m_ctx, page);
        return;
    }
    // Back to the page that was left, which runs its own entry, then the notice.
    attempt([&] { m_ui.SSTab1->setCurrentIndex(left); });
    m_pr.message(kTwoReadings + (temporal ? kTemporalHint : kSpatialHint), MsgIcon::Information, MsgButtons::Ok,
                 kQuillonTitle);
}

void FrmMain::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    placeTabControl();
}

void FrmMain::placeTabControl()
{
    if (isMinimized() || !m_ui.SSTab1)
        return;
    // The pages, and the charts on them, take the room the window gives.
    {
        QWidget* area = centralWidget();
        fitMainUi(m_ui, area ? area->size() : size());
    }
    if (isMaximized()) {
        QWidget* area = centralWidget();
        const int w = area ? area->width() : width();
        const int h = area ? area->height() : height();
        m_ui.SSTab1->move(std::max(0, (w - m_ui.SSTab1->width()) / 2), std::max(0, (h - m_ui.SSTab1->height()) / 2));
    } else {
        m_ui.SSTab1->move(120 / kTwipsPerPixel, 120 / kTwipsPerPixel);
    }
}

} // namespace rv
