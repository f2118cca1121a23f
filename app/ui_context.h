#pragma once
// What the main window's procedures work on: the application state, the
// window's controls and the prompter. Handed by reference; no globals.
#include "app/appstate.h"
#include "app/ui_main_layout.h"
#include "common/prompter.h"

namespace rv {

struct MainContext {
    AppState& st;
    MainUi& ui;
    Prompter& pr;

    // Window-level state of the sensor page.
    bool completionOff = false;      // set by Delete/Backspace in cboSensors
    QString pendingSensorNumber;     // the number being added

    // Logs the exception being handled under `logName`, the usual ending of
    // a procedure whose statement failed.
    void logError(const QString& logName) const;
};

} // namespace rv
