#pragma once
// Helpers for the import's window tests: readout files written on the fly
// and a hook that acts inside the modal review window while it is shown.
#include "import/frmSlugData.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QTimer>
#include <functional>
#include <memory>

namespace rv::test {

// Hourly readout lines for a type-45 sensor from start on.
inline QByteArray hourlyReadout(int count, const QString& sensorNo = QStringLiteral("001"),
                                const QDateTime& start = QDateTime(QDate(2024, 3, 1), QTime(0, 0), Qt::UTC))
{
    QByteArray out;
    for (int k = 0; k < count; ++k) {
        const QDateTime t = start.addSecs(3600 * k);
        out += t.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")).toUtf8() + ",SLUG01,45," + sensorNo.toUtf8()
            + ",16.25," + QByteArray::number(2 + k * 0.01, 'f', 3) + ",3.5,4.5,5.5\n";
    }
    return out;
}

inline void writeReadout(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

// Runs act on the review window once it is shown; the window is closed
// afterwards if act left it open. Arm it before the click that opens it.
class ReviewWindowHook {
public:
    explicit ReviewWindowHook(std::function<void(importing::FrmSlugData&)> act) : m_act(std::move(act))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    bool ran() const { return m_ran; }

private:
    void poll()
    {
        auto* w = qobject_cast<importing::FrmSlugData*>(QApplication::activeModalWidget());
        if (!w || m_ran)
            return;
        m_ran = true;
        m_timer.stop();
        w->activateWindow();
        QApplication::setActiveWindow(w);
        QApplication::processEvents();
        m_act(*w);
        if (w->isVisible())
            w->reject();
    }
    std::function<void(importing::FrmSlugData&)> m_act;
    QTimer m_timer;
    bool m_ran = false;
};

} // namespace rv::test
