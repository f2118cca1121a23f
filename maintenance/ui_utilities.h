#pragma once
// The main window's procedures for the Utilities page.
#include "ui/ui_context.h"

class QObject;

namespace rv::maintenance {

// The maker's web site, opened by "Visit the Quillon website".
inline const QString kMakerWebSite = QStringLiteral("https://www.example.com/quillon/rockvane/");

// Connects the controls of the Utilities page to their procedures; owner is the
// main window, which the connections live with.
void wireUtilities(MainContext& c, QObject* owner);

// "View Rockvane Manual": the manual of the data folder in the desktop's PDF viewer.
void imgHelpClick(MainContext& c);
// "Visit the Quillon website".
void imgInternetClick(MainContext& c);
// "About Quillon's Rockvane": the about box, modal over the main window.
void imgAboutClick(MainContext& c);

} // namespace rv::maintenance
