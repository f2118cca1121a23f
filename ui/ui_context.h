#pragma once
// What the main window's procedures work on: the application state, the
// window's controls and the prompter. Handed by reference; no globals.
#include "state/appstate.h"
#include "ui/ui_main_layout.h"
#include "common/prompter.h"
#include <functional>

namespace rv {

struct MainContext {
    AppState& st;
    MainUi& ui;
    Prompter& pr;

    // Window-level state of the sensor page.
    bool completionOff = false;      // set by Delete/Backspace in cboSensors
    QString pendingSensorNumber;     // the number being added

    // Steps 6 to 9 of loading (connect, open the types and the catalogue,
    // fill the list, show the first sensor), set by the main window for the
    // procedures that switch or replace the database. False when the
    // connection could not be opened.
    std::function<bool()> reload;

    // Shows the about box; the shell owns it, so the pages reach it here.
    std::function<void()> showAbout;

    // Logs the exception being handled under `logName`, the usual ending of
    // a procedure whose statement failed.
    void logError(const QString& logName) const;
};

} // namespace rv
