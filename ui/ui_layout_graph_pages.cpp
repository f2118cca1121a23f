// The four graph pages of the main window: a chart filling the page and a
// row of buttons under it.
#include "ui/ui_layout_parts.h"

#include "ui/ui_icons.h"
#include "ui/ui_chart.h"

#include <QLabel>
#include <QVariant>
#include <algorithm>
#include <QPushButton>
#include <QToolButton>
#include <qcustomplot.h>

namespace rv::layout {

namespace {

constexpr QRect kChartRect(8, 8, 980, 588);
constexpr int kButtonRowY = 604;

QCustomPlot* chart(QWidget* page, const QString& name, graphs::ChartKind kind)
{
    auto* c = new QCustomPlot(page);
    c->setObjectName(name);
    c->setGeometry(kChartRect);
    // The looks the drawings rely on: series, colours, fonts, legend.
    graphs::Chart::attach(c, kind);
    return c;
}

QPushButton* pushButton(QWidget* page, const QString& name, const QString& text, const QRect& r)
{
    auto* b = new QPushButton(text, page);
    b->setObjectName(name);
    b->setGeometry(r);
    return b;
}

QPushButton* exportButton(QWidget* page, const QString& name)
{
    return pushButton(page, name, QStringLiteral("Export as JPG"),
                      QRect(8, kButtonRowY + 4, 120, 30));
}

QToolButton* printButton(QWidget* page, const QString& name)
{
    return imageButton(page, name, buttonIcon(QStringLiteral("document-print"), drawnPrinterIcon()),
                       QRect(136, kButtonRowY, 38, 38), QStringLiteral("Print the graph"));
}

} // namespace

void buildGraphPages(QWidget* const pages[4], MainUi& ui)
{
    // Load v Time
    ui.ChartT = chart(pages[0], QStringLiteral("ChartT"), graphs::ChartKind::Time);
    ui.cmdTemp = exportButton(pages[0], QStringLiteral("cmdTemp"));
    ui.imgPrintT = printButton(pages[0], QStringLiteral("imgPrintT"));
    ui.cmdTHelp = pushButton(pages[0], QStringLiteral("cmdTHelp"), QStringLiteral("?"),
                             QRect(184, kButtonRowY + 4, 40, 30));
    ui.cmdTHelp->setToolTip(QStringLiteral("Graphing Tips and Hints"));

    // Disp v Time
    ui.ChartT2 = chart(pages[1], QStringLiteral("ChartT2"), graphs::ChartKind::Time);
    ui.cmdRate = exportButton(pages[1], QStringLiteral("cmdRate"));
    ui.mgPrintR = printButton(pages[1], QStringLiteral("mgPrintR"));

    // Load v Length
    ui.ChartS = chart(pages[2], QStringLiteral("ChartS"), graphs::ChartKind::Length);
    ui.cmdSpat = exportButton(pages[2], QStringLiteral("cmdSpat"));
    ui.imgPrintS = printButton(pages[2], QStringLiteral("imgPrintS"));
    ui.lblW15 = namedLabel(pages[2], QStringLiteral("lblW15"),
                           QStringLiteral("There are more than 15 records selected to plot, only the "
                                          "last 15 readings will be plotted. Go to the Readings Tab "
                                          "to select or unselect which data to plot"),
                           QRect(190, kButtonRowY, 790, 40));
    ui.lblW15->setWordWrap(true);
    ui.lblW15->setStyleSheet(QStringLiteral("color: red;"));
    ui.lblW15->hide();

    // Disp v Length
    ui.ChartDvL = chart(pages[3], QStringLiteral("ChartDvL"), graphs::ChartKind::Length);
    ui.cmdDvl = exportButton(pages[3], QStringLiteral("cmdDvl"));
    ui.lblRecStatus = namedLabel(pages[3], QStringLiteral("lblRecStatus"), QString(),
                                 QRect(140, kButtonRowY + 4, 600, 30));
    ui.cmdDisp = pushButton(pages[3], QStringLiteral("cmdDisp"),
                            QStringLiteral("Displacement Values"),
                            QRect(780, kButtonRowY + 4, 200, 30));
}

void growGraphPages(MainUi& ui, const QSize& extra)
{
    const int dx = std::max(0, extra.width());
    const int dy = std::max(0, extra.height());
    for (QCustomPlot* plot : {ui.ChartT, ui.ChartT2, ui.ChartS, ui.ChartDvL}) {
        if (!plot)
            continue;
        plot->setGeometry(kChartRect.adjusted(0, 0, dx, dy));
        QWidget* page = plot->parentWidget();
        for (QWidget* w : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (w == plot)
                continue;
            // The design place is kept on the control, so that growing and
            // shrinking again never drifts.
            QVariant design = w->property("designPos");
            if (!design.isValid()) {
                design = w->pos();
                w->setProperty("designPos", design);
            }
            const QPoint at = design.toPoint();
            w->move(at.x(), at.y() >= kButtonRowY ? at.y() + dy : at.y());
        }
    }
}

} // namespace rv::layout
