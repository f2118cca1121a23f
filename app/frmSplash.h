#pragma once
// The about box: what the program is, who makes it, and its version.
#include <QDialog>

class QLabel;
class QPushButton;

namespace rv {

class frmSplash : public QDialog {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    // "Version " and the three parts of the program's version.
    static QString versionCaption();

    QLabel* lblVersion = nullptr;
    QPushButton* cmdOK = nullptr;
};

} // namespace rv
