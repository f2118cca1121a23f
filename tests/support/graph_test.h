#pragma once
// The graph tests: a sensor with its installation geometry, readings stored
// with the derived values the graph data passes compute from them (so the
// drawings can be tested whether the passes ran or not), and the charts.
#include "ui/ui_chart.h"
#include "main_window_fixture.h"

#include <QDateTime>
#include <QRadioButton>
#include <array>
#include <cmath>
#include <qcustomplot.h>

namespace rv::test {

struct GraphReading {
    QString when;                 // "yyyy/MM/dd HH:mm:ss"
    std::array<double, 6> ch{};   // channels 1..5 (0 unused)
    double temp = 20;
    bool temporal = true;
    bool spatial = true;
};

class GraphTest : public MainWindowTest {
protected:
    QString id;
    int channels = 5;
    bool collar = true;
    std::array<double, 7> anchors{};  // node positions from the roof, 1..6

    // Adds the sensor (type from digits 5-6), nodes 1..n+1 at 1, 2, ... m
    // from the head, recess 0.5, cable 8 m, and shows it again so the
    // Installation page holds the positions relative to the roof.
    void setUpSensor(const QString& number, bool headAtCollar = true, bool plate = false)
    {
        id = number;
        collar = headAtCollar;
        addSensor(number);
        const int digit = number.mid(4, 1).toInt();  // 25 x1, 45 x3, 55 x4, 65 x5
        channels = digit == 2 ? 1 : digit - 1;
        type("txtLengthofCable", "8");
        for (int k = 1; k <= channels + 1; ++k)
            type(QString("txtNode(%1)").arg(k), QString::number(k));
        w<QRadioButton>(headAtCollar ? "Option1" : "Option2")->setChecked(true);
        w<QCheckBox>("chkPlate")->setChecked(plate);
        page(1);
        type("txtRecess", "0.5");
        page(0);
        for (int k = 1; k <= 6; ++k)
            anchors[k] = text(QString("txtRelSGanchor(%1)").arg(k)).toDouble();
        pr.clear();
    }

    // Stores a reading with zero k = channel k (the first reading of every
    // test has all channels 0 and carries both flags, so it is the zero
    // reading of both selections), NumTemp, and the stretches and node
    // displacements of the sections and nodes the type has.
    void store(const GraphReading& r)
    {
        std::array<double, 6> stretch{};
        for (int k = 1; k <= channels; ++k) {
            const double len = anchors[k + 1] - anchors[k];
            stretch[k] = (collar ? 1 : -1) * (r.ch[k] / 3) * len;
        }
        std::array<double, 7> disp{};
        if (collar) {
            disp[channels + 1] = 0;
            for (int k = channels; k >= 1; --k)
                disp[k] = disp[k + 1] + stretch[k];
        } else {
            disp[1] = 0;
            for (int k = 1; k <= channels; ++k)
                disp[k + 1] = disp[k] + stretch[k];
        }
        store::Recordset rs;
        rs.open("SELECT * FROM `" + id + "` ORDER BY FullDate", *st->conn);
        rs.addNew();
        rs.setValue("DateTimeKey", id + " " + r.when);
        rs.setValue("ReadingDate", r.when.left(10));
        rs.setValue("ReadingTime", r.when.mid(11));
        rs.setValue("FullDate", r.when);
        rs.setValue("ChannelT", r.temp);
        rs.setValue("NumTemp", r.temp);
        for (int k = 1; k <= 10; ++k)
            rs.setValue(QString("zero%1").arg(k), k <= channels ? r.ch[k] : 0.0);
        for (int k = 1; k <= channels; ++k) {
            rs.setValue(QString("Channel%1").arg(k), r.ch[k]);
            rs.setValue(QString("Stretch%1").arg(k), stretch[k]);
        }
        for (int k = 1; k <= channels + 1; ++k)
            rs.setValue(QString("Disp%1").arg(k), disp[k]);
        rs.setValue("Plottemporal", r.temporal);
        rs.setValue("PlotSpatial", r.spatial);
        rs.setValue("DoNotPlot", false);
        rs.update();
    }
    void store(const QString& when, std::array<double, 6> ch, double temp = 20, bool temporal = true,
               bool spatial = true)
    {
        store(GraphReading{when, ch, temp, temporal, spatial});
    }

    graphs::Chart& chart(const QString& name)
    {
        auto* plot = w<QCustomPlot>(name);
        graphs::Chart* c = graphs::Chart::of(plot);
        EXPECT_NE(c, nullptr);
        return *c;
    }

    // X of a reading on the time charts.
    static double key(const QString& when)
    {
        const QDateTime dt = QDateTime::fromString(when, "yyyy/MM/dd HH:mm:ss");
        return QDateTime(dt.date(), dt.time(), Qt::UTC).toMSecsSinceEpoch() / 1000.0;
    }

    static std::vector<QPointF> points(const graphs::ChartSeries& s)
    {
        std::vector<QPointF> out;
        for (int i = 0; i < s.count(); ++i)
            out.push_back(s.point(i));
        return out;
    }
};

inline bool near(const QPointF& a, const QPointF& b)
{
    return std::abs(a.x() - b.x()) < 1e-9 && std::abs(a.y() - b.y()) < 1e-9;
}

} // namespace rv::test
