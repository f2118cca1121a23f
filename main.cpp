#include "state/appstate.h"
#include "app/frmMain.h"
#include "ui/ui_qt_prompter.h"
#include "maintenance/manual.h"
#include <QApplication>
#include <QDir>
#include <QStandardPaths>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Rockvane");
    QApplication::setOrganizationName("Quillon");

    // The data folder is resolved here, once; everything else is handed it.
    // The window's load makes the folder and the default database when they
    // are missing, once it knows it is the only copy running.
    const QString dataFolder =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/Quillon/Rockvane";

    rv::AppState state(dataFolder);
    rv::QtPrompter prompter(nullptr);
    rv::FrmMain window(state, prompter);
    prompter.setParentWidget(&window);
    if (!window.load())
        return 1;
    // The manual is written once the load has made the data folder; the
    // window tests, which make a data folder for every test, never render it.
    rv::installManual(dataFolder);
    const int rc = app.exec();
    window.terminate();
    return rc;
}
