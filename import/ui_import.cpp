#include "import/ui_import.h"
#include "import/frmExceedances.h"
#include "import/frmSlugData.h"
#include "import/readout_archive.h"
#include "ui/ui_progress.h"
#include "common/log.h"
#include "readings/ui_readings.h"

#include <QComboBox>
#include <QFileInfo>
#include <QToolButton>
#include <QWidget>

namespace rv::importing {

ImportSession::ImportSession(MainContext& c, QWidget* window)
    : QObject(window), ctx(c), mainWindow(window)
{
    setObjectName(QStringLiteral("importSession"));
}

ImportSession::~ImportSession() = default;

Progress& ImportSession::progress()
{
    if (m_override)
        return *m_override;
    if (!m_dialogProgress)
        m_dialogProgress = std::make_unique<QtProgress>(mainWindow.data());
    return *m_dialogProgress;
}

void wireImport(MainContext& c, QObject* owner)
{
    auto* window = qobject_cast<QWidget*>(owner);
    auto* session = new ImportSession(c, window);
    if (c.ui.cboSlugInt && c.ui.cboSlugInt->currentText().isEmpty())
        c.ui.cboSlugInt->setCurrentText(QStringLiteral("24"));
    if (c.ui.imgAddSlugData)
        QObject::connect(c.ui.imgAddSlugData, &QToolButton::clicked, session,
                         [session] { imgAddSlugData_Click(*session); });
}

ImportSession* importSession(QObject* owner)
{
    return owner ? owner->findChild<ImportSession*>(QStringLiteral("importSession"), Qt::FindDirectChildrenOnly)
                 : nullptr;
}

namespace {

QString mismatchWarning(const QString& fileTitle, const QString& id)
{
    return QStringLiteral("WARNING:\n") + fileTitle + QStringLiteral(" is not a match for the current sensor of ") + id
        + QStringLiteral("\nAre you sure you want to append this data to the database?\n\n"
                         "This may cause undesirable results including corruption and loss of database");
}

} // namespace

void imgAddSlugData_Click(ImportSession& s)
{
    MainContext& c = s.ctx;
    try {
        readings::SaveReadings(c);
        c.st.CurrentSensorID = c.st.rsSensors.text(QStringLiteral("InstrumentID"));
        const QString id = c.st.CurrentSensorID;

        const QString path = c.pr.openFile(QStringLiteral("Open"), QStringLiteral("Text (*.txt) | *.txt"),
                                           s.importedPath.isEmpty() ? QString() : QFileInfo(s.importedPath).absolutePath());
        if (path.isEmpty())
            return;

        const QString fileTitle = QFileInfo(path).fileName();
        if (fileTitle != id + QStringLiteral(".txt")) {
            if (c.pr.message(mismatchWarning(fileTitle, id), MsgIcon::Warning, MsgButtons::YesNo,
                             QStringLiteral("Quillon's ROCKVANE"), MsgResult::No)
                != MsgResult::Yes)
                return;
        }

        s.importedPath = path;
        QString workNote;
        const LoadResult loaded = LoadReadoutFile(c.st.DataFolder, path, s.ReadoutData, s.progress(), &workNote);
        if (!workNote.isEmpty()) {
            writeLog(c.st.DataFolder, errorText(75, workNote, QStringLiteral("imgAddSlugData_Click")));
            c.pr.message(workNote, MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
        }
        s.ReadoutNotFound = loaded == LoadResult::NotFound;
        if (loaded == LoadResult::Cancelled)
            return;
        if (s.ReadoutNotFound) {
            c.pr.message(QStringLiteral("There was no data found for this sensor."), MsgIcon::Information);
            return;
        }
        std::vector<ExceedanceRow> exceedances;
        {
            FrmSlugData window(s, s.mainWindow.data());
            window.exec();
            exceedances = window.exceedances();
        }
        showExceedances(c, exceedances);
    } catch (...) {
        c.logError(QStringLiteral("imgAddSlugData_Click"));
    }
}

} // namespace rv::importing
