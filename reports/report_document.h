#pragma once
// The sensor report as an editable word-processor document (OpenDocument
// text): an information page, then one page per graph with its caption, the
// graph's picture and a line for notes.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

namespace rv::reports {

// The sensor fields the information page shows, as texts (empty when null).
struct SensorInfo {
    QString InstrumentID;
    QString Family;
    QString Model;
    QString InstallDate;
    QString InstallBy;
    QString Level;
    QString Location;
    QString Purpose;
    QString Notes;
};

// "REPORT " + the sensor number.
QString reportHeading(const SensorInfo& s);
// The ten labelled lines of the information page, each beginning with three
// blanks; `now` in the general date form.
QStringList reportInfoLines(const SensorInfo& s, const QDateTime& now);

struct ReportPicture {
    QString caption;  // "Load v Time", ...
    QString path;     // the JPEG file of the graph
};

struct ReportContent {
    // The information page: the bold heading and its lines. Left out when
    // the heading is empty.
    QString heading;
    QStringList infoLines;
    // One page each, in order.
    std::vector<ReportPicture> pictures;
};

// Widest a picture is placed on the page, in pixels at 96 per inch (about
// 16 cm, inside the margins of an A4 or Letter page).
constexpr int kPictureWidth = 600;

// Writes the document to `path` as OpenDocument text. Pictures that cannot be
// read leave their page with the caption and the notes line, and are listed in
// `unreadable`. False, with `error`, when the file could not be written.
bool writeReportDocument(const ReportContent& content, const QString& path, QString* error,
                         QStringList* unreadable = nullptr);

} // namespace rv::reports
