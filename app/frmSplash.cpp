#include "app/frmSplash.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace rv {

QString frmSplash::versionCaption()
{
    return QStringLiteral("Version %1.%2.%3")
        .arg(ROCKVANE_VERSION_MAJOR)
        .arg(ROCKVANE_VERSION_MINOR)
        .arg(ROCKVANE_VERSION_PATCH);
}

frmSplash::frmSplash(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("About Rockvane"));
    setModal(true);

    auto* title = new QLabel(QStringLiteral("Rockvane"), this);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    title->setFont(big);

    auto* about = new QLabel(
        QStringLiteral("Monitoring of instrumented cable bolts in underground mines:\n"
                       "sensor catalogue, readings, load and displacement graphs,\n"
                       "reports and data logger imports.\n\n"
                       "by Quillon"),
        this);

    lblVersion = new QLabel(versionCaption(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    // Hidden, not closed: the box stays loaded for the rest of the run.
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(about);
    layout->addSpacing(8);
    layout->addWidget(lblVersion);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace rv
