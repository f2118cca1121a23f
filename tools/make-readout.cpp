// Writes a data logger readout file for one sensor, for trying the import,
// for the tests and for the benchmarks: readings at a fixed spacing with a
// daily temperature cycle and channel values that drift slowly with a
// little noise, optionally a header line, repeated lines and a reading the
// logger could not time.
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QRegularExpression>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <vector>

namespace {

const char* const kUsage =
    "usage: make-readout SENSOR [options]\n"
    "  SENSOR                 the nine-digit sensor number (e.g. 202445001)\n"
    "  -n, --count N          number of readings (default 240)\n"
    "  -s, --spacing MINUTES  minutes between readings (default 60)\n"
    "      --start DATETIME   first reading, \"YYYY/MM/DD HH:NN:SS\" (default 2024/01/01 08:00:00)\n"
    "      --layout L         date layout: ymd (YYYY/MM/DD, default), dmy or mdy\n"
    "      --header           write a header line first\n"
    "      --duplicates K     repeat K earlier readings further down\n"
    "      --marker           add a reading the logger could not time (2000/01/01 00:00:80)\n"
    "      --no-temperature   no temperature channel: channel 1 is the 5th field\n"
    "      --channels N       channels per reading (default: the type's first digit)\n"
    "      --crlf             end lines with CR LF\n"
    "      --seed S           seed of the noise (default 1)\n"
    "  -o, --output FILE      file to write (default SENSOR.txt; - for standard output)\n";

struct Options {
    QString sensor;
    int count = 240;
    int spacingMinutes = 60;
    QDateTime start = QDateTime(QDate(2024, 1, 1), QTime(8, 0), Qt::UTC);
    QString layout = QStringLiteral("ymd");
    bool header = false;
    int duplicates = 0;
    bool marker = false;
    bool temperature = true;
    int channels = -1;
    bool crlf = false;
    unsigned seed = 1;
    QString output;
};

int fail(const QString& message)
{
    std::fprintf(stderr, "make-readout: %s\n%s", qPrintable(message), kUsage);
    return 2;
}

QString stamp(const QDateTime& t, const QString& layout)
{
    const QString time = t.time().toString(QStringLiteral("HH:mm:ss"));
    if (layout == QLatin1String("dmy"))
        return t.date().toString(QStringLiteral("dd/MM/yyyy")) + u' ' + time;
    if (layout == QLatin1String("mdy"))
        return t.date().toString(QStringLiteral("MM/dd/yyyy")) + u' ' + time;
    return t.date().toString(QStringLiteral("yyyy/MM/dd")) + u' ' + time;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    QStringList args;
    for (int k = 1; k < argc; ++k)
        args << QString::fromLocal8Bit(argv[k]);
    for (int k = 0; k < args.size(); ++k) {
        const QString a = args[k];
        auto next = [&](QString& out) {
            if (k + 1 >= args.size())
                return false;
            out = args[++k];
            return true;
        };
        QString v;
        bool ok = true;
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == QLatin1String("-n") || a == QLatin1String("--count")) {
            ok = next(v);
            o.count = v.toInt(&ok);
            ok = ok && o.count >= 0;
        } else if (a == QLatin1String("-s") || a == QLatin1String("--spacing")) {
            ok = next(v);
            o.spacingMinutes = v.toInt(&ok);
            ok = ok && o.spacingMinutes > 0;
        } else if (a == QLatin1String("--start")) {
            ok = next(v);
            o.start = QDateTime::fromString(v, QStringLiteral("yyyy/MM/dd HH:mm:ss"));
            o.start.setTimeSpec(Qt::UTC);
            ok = ok && o.start.isValid();
        } else if (a == QLatin1String("--layout")) {
            ok = next(o.layout) && QStringList{"ymd", "dmy", "mdy"}.contains(o.layout);
        } else if (a == QLatin1String("--header")) {
            o.header = true;
        } else if (a == QLatin1String("--duplicates")) {
            ok = next(v);
            o.duplicates = v.toInt(&ok);
            ok = ok && o.duplicates >= 0;
        } else if (a == QLatin1String("--marker")) {
            o.marker = true;
        } else if (a == QLatin1String("--no-temperature")) {
            o.temperature = false;
        } else if (a == QLatin1String("--channels")) {
            ok = next(v);
            o.channels = v.toInt(&ok);
            ok = ok && o.channels >= 0 && o.channels <= 10;
        } else if (a == QLatin1String("--crlf")) {
            o.crlf = true;
        } else if (a == QLatin1String("--seed")) {
            ok = next(v);
            o.seed = v.toUInt(&ok);
        } else if (a == QLatin1String("-o") || a == QLatin1String("--output")) {
            ok = next(o.output);
        } else if (!a.startsWith(u'-') && o.sensor.isEmpty()) {
            o.sensor = a;
        } else {
            return fail(QStringLiteral("unknown argument ") + a);
        }
        if (!ok)
            return fail(QStringLiteral("bad value for ") + a);
    }
    static const QRegularExpression nineDigits(QStringLiteral("^[0-9]{9}$"));
    if (!nineDigits.match(o.sensor).hasMatch())
        return fail(QStringLiteral("the sensor number must have nine digits"));
    if (o.channels < 0)
        o.channels = o.sensor.mid(4, 1).toInt();
    if (o.output.isEmpty())
        o.output = o.sensor + QStringLiteral(".txt");

    std::mt19937 random(o.seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    const QString typeId = o.sensor.mid(4, 2);
    const QString serial = o.sensor.mid(6, 3);
    const QString loggerId = QStringLiteral("SLUG%1").arg(serial.toInt() % 100, 2, 10, QLatin1Char('0'));
    const QString eol = o.crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");

    QStringList lines;
    if (o.header) {
        QStringList h = {QStringLiteral("Date Time"), QStringLiteral("Logger"), QStringLiteral("Type"),
                         QStringLiteral("Serial")};
        if (o.temperature)
            h << QStringLiteral("Temp");
        for (int c = 1; c <= o.channels; ++c)
            h << QStringLiteral("Ch%1").arg(c);
        lines << h.join(u',');
    }
    const double dayMs = 86400000.0;
    for (int r = 0; r < o.count; ++r) {
        const QDateTime t = o.start.addSecs(qint64(r) * o.spacingMinutes * 60);
        const double days = o.start.msecsTo(t) / dayMs;
        const double hour = t.time().hour() + t.time().minute() / 60.0;
        QStringList f = {stamp(t, o.layout), loggerId, typeId, serial};
        if (o.temperature) {
            const double temp = 16.0 + 3.0 * std::sin(2 * std::numbers::pi * (hour - 9.0) / 24.0) + 0.15 * noise(random);
            f << QString::number(temp, 'f', 1);
        }
        for (int c = 1; c <= o.channels; ++c) {
            // Each channel takes load at its own slow rate, faster near the head.
            const double base = 1.0 + 1.5 * c;
            const double trend = 0.04 * (o.channels + 1 - c) * std::log1p(days);
            const double value = base + trend + 0.02 * noise(random);
            f << QString::number(value, 'f', 3);
        }
        lines << f.join(u',');
        if (o.marker && r == o.count / 2) {
            QStringList m = f;
            m[0] = QStringLiteral("2000/01/01 00:00:80");
            lines << m.join(u',');
        }
    }
    // Repeats, as a logger read twice without being cleared gives them.
    const int first = o.header ? 1 : 0;
    const int readings = static_cast<int>(lines.size()) - first;
    for (int d = 0; d < o.duplicates && readings > 0; ++d) {
        const int from = first + static_cast<int>(random() % static_cast<unsigned>(readings));
        const int to = std::min(static_cast<int>(lines.size()), from + 1 + static_cast<int>(random() % 5));
        lines.insert(to, lines[from]);
    }

    const QString text = lines.isEmpty() ? QString() : lines.join(eol) + eol;
    if (o.output == QLatin1String("-")) {
        std::fputs(text.toUtf8().constData(), stdout);
        return 0;
    }
    QFile out(o.output);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(text.toUtf8()) < 0) {
        std::fprintf(stderr, "make-readout: cannot write %s: %s\n", qPrintable(o.output), qPrintable(out.errorString()));
        return 1;
    }
    std::fprintf(stderr, "make-readout: wrote %d readings to %s\n", o.count, qPrintable(o.output));
    return 0;
}
