#pragma once
// The user manual: written in Markdown, built into the program, and put into
// the data folder as a PDF for the desktop's viewer.
#include <QString>

namespace rv {

inline const QString kManualFileName = QStringLiteral("RockvaneManual.pdf");

// The program's version as "major.minor.revision".
QString programVersion();

// The manual's Markdown as built into the program; empty when it is missing.
QString manualMarkdown();

// Renders Markdown into an A4 PDF at path, stamped with version. Needs a
// running QGuiApplication (for the fonts). The file is written under a work
// name and then put in place, so a half-written manual never replaces a good
// one. False when nothing could be written.
bool renderManual(const QString& markdown, const QString& path, const QString& version);

// The version stamped into a manual PDF by renderManual; empty when the file
// is missing or carries none.
QString manualVersion(const QString& path);

// True when version a ("1.3.0") is newer than b; an empty or unreadable b is
// older than anything.
bool versionNewer(const QString& a, const QString& b);

// Writes "RockvaneManual.pdf" into the data folder when it is missing or was
// written by an older version of the program. False when it was needed and
// could not be written (or there is no QGuiApplication to render it).
bool installManual(const QString& dataFolder);

} // namespace rv
