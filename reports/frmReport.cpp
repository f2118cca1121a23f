#include "reports/frmReport.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace rv::reports {

namespace {

QCheckBox* box(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QCheckBox(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setChecked(true);
    return b;
}

} // namespace

frmReport::frmReport(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmReport"));
    setWindowTitle(QStringLiteral("Rockvane Reporting"));
    setModal(true);

    Label1 = new QLabel(QStringLiteral("Select the contents to include in the report:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    chkCover = box(this, "chkCover", QStringLiteral("Sensor Information Cover Page"));

    Frame1 = new QGroupBox(QStringLiteral("Plots:"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    chkTemp = box(Frame1, "chkTemp", QStringLiteral("Load v Time"));
    chkRate = box(Frame1, "chkRate", QStringLiteral("Disp v Time"));
    chkSpatial = box(Frame1, "chkSpatial", QStringLiteral("Load v Length"));
    chkDvL = box(Frame1, "chkDvL", QStringLiteral("Disp v Length"));
    auto* plots = new QVBoxLayout(Frame1);
    plots->addWidget(chkTemp);
    plots->addWidget(chkRate);
    plots->addWidget(chkSpatial);
    plots->addWidget(chkDvL);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOK, &QPushButton::clicked, this, &frmReport::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmReport::cmdCancel_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(chkCover);
    layout->addWidget(Frame1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frmReport::cmdOK_Click()
{
    m_options.ReportRequested = true;
    m_options.ReportCover = chkCover->isChecked();
    m_options.ReportLoadTime = chkTemp->isChecked();
    m_options.ReportDispTime = chkRate->isChecked();
    m_options.ReportLoadLength = chkSpatial->isChecked();
    m_options.ReportDispLength = chkDvL->isChecked();
    hide();
    QDialog::accept();
}

void frmReport::cmdCancel_Click()
{
    m_options.ReportRequested = false;
    hide();
    QDialog::reject();
}

void frmReport::reject()
{
    cmdCancel_Click();
}

} // namespace rv::reports
