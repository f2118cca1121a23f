#pragma once
// The main window's procedures for the readout file import.
#include "ui/ui_context.h"
#include "common/progress.h"
#include "import/readout_file.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class QWidget;

namespace rv::importing {

// What the import shares between loading a readout file and the review
// window: the loaded rows and the not-found flag. One per main window, a
// child of it named "importSession".
class ImportSession : public QObject {
    Q_OBJECT
public:
    ImportSession(MainContext& c, QWidget* mainWindow);
    ~ImportSession() override;

    MainContext& ctx;
    QPointer<QWidget> mainWindow;

    // The loaded readout file; open only while a loaded file is reviewed.
    ReadoutRecords ReadoutData;
    // The chosen file did not exist when it was to be loaded.
    bool ReadoutNotFound = false;
    // The full path of the file loaded last.
    QString importedPath;

    // The progress of long work: a progress dialog unless replaced (tests
    // hand in a scripted one; nullptr goes back to the dialog).
    Progress& progress();
    void setProgress(Progress* p) { m_override = p; }

    // Where the archive step looks for the logger's copy: the root of the
    // file system that holds the imported file, unless replaced.
    std::function<QString(const QString& importedPath)> archiveRoot;

private:
    std::unique_ptr<Progress> m_dialogProgress;
    Progress* m_override = nullptr;
};

// Connects the controls of the readout file import to their procedures; owner is the
// main window, which the connections live with.
void wireImport(MainContext& c, QObject* owner);

// The import's state of a main window (nullptr before wireImport).
ImportSession* importSession(QObject* owner);

// Picks a readout file for the current sensor, checks its name, loads it and
// shows the review window.
void imgAddSlugData_Click(ImportSession& s);

} // namespace rv::importing
