#pragma once
// The main window: start-up and shutdown, the tab control's page changes,
// and the wiring of every control to its procedure.
#include "app/instance_lock.h"
#include "ui/ui_context.h"
#include <QMainWindow>

class QLabel;

namespace rv {

class FrmMain : public QMainWindow {
    Q_OBJECT
public:
    FrmMain(AppState& st, Prompter& pr, QWidget* parent = nullptr);
    ~FrmMain() override;

    // The load sequence. False when the program must end at once (a second
    // copy, or a database connection that cannot be made).
    bool load();
    // Unload: saves the pending edits (not for a refused second copy).
    void unload();
    // Terminate: releases the store and compacts the default database.
    // Runs once; the destructor calls it if nobody did.
    void terminate();

    MainContext& context() { return m_ctx; }
    MainUi& ui() { return m_ui; }
    AppState& state() { return m_st; }

    // Steps 6 to 9 of loading: connect, open the types and the catalogue,
    // fill the list and show the first sensor. Also used after the database
    // has been switched. False when the connection could not be opened.
    bool connectAndLoad();

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void wire();
    void pageChanged(int entered);
    void enterInstallationPage();
    void enterReadingsPage();
    void enterGraphPage(int page, int left);
    void placeTabControl();
    // The title and the status bar name the database in use.
    void showDatabaseInUse();

    AppState& m_st;
    Prompter& m_pr;
    MainUi m_ui;
    MainContext m_ctx;
    InstanceLock m_lock;
    int m_page = 0;
    bool m_unloaded = false;
    bool m_terminated = false;
    // The database could not be created or used: nothing is compacted.
    bool m_connectFailed = false;
    bool m_inDateCheck = false;
    QLabel* m_lblDatabase = nullptr;
};

} // namespace rv
