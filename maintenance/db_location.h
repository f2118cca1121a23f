#pragma once
// Which database file the program works on: the one the data folder's
// location file names when that file is there, else the default database.
#include <QString>

namespace rv {

struct DatabaseLocation {
    QString path;            // the database file to use
    bool alternate = false;  // named by the location file
    // The location file names a file that is not there (a share not mounted
    // today): the default is used, as the window does, and this says so.
    QString warning;
};

// The database the window would open for dataFolder.
DatabaseLocation databaseInUse(const QString& dataFolder);

// Whether uri names a PostgreSQL database that can be used as the site:
// an empty text when it can, else why not, in words for the user. It is
// connected to and looked at only; nothing is written.
QString serverSiteProblem(const QString& uri);

} // namespace rv
