#include "import/readout_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>
#include <cstring>
#include <stdexcept>

namespace rv::importing {

void ReadoutRecords::clear()
{
    m_text.clear();
    m_text.squeeze();
    m_spans.clear();
    m_spans.shrink_to_fit();
    m_open = false;
}

QStringView ReadoutRecords::fieldView(int r, int f) const
{
    if (r < 0 || r >= recordCount() || f < 0 || f >= kReadoutFields)
        return {};
    const Span& s = m_spans[static_cast<size_t>(r) * kReadoutFields + static_cast<size_t>(f)];
    return QStringView(m_text).mid(s.start, s.length);
}

void ReadoutRecords::appendRow(const std::vector<QString>& fields)
{
    const size_t n = std::min<size_t>(fields.size(), kReadoutFields);
    for (size_t k = 0; k < kReadoutFields; ++k) {
        Span s;
        s.start = static_cast<quint32>(m_text.size());
        if (k < n) {
            m_text += fields[k];
            s.length = static_cast<quint32>(fields[k].size());
        }
        m_spans.push_back(s);
    }
}

void ReadoutRecords::reserve(qsizetype bytes, int rows)
{
    m_text.reserve(bytes);
    m_spans.reserve(static_cast<size_t>(rows) * kReadoutFields);
}

namespace {

QString decodeLine(const char* p, qsizetype n)
{
    bool ascii = true;
    for (qsizetype k = 0; k < n; ++k) {
        if (static_cast<unsigned char>(p[k]) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return QString::fromLatin1(p, n);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8.decode(QByteArrayView(p, n));
    if (utf8.hasError())
        return QString::fromLatin1(p, n);
    return s;
}

// Splits one line into its fields; fields is reused from line to line.
void splitLine(const QString& line, std::vector<QString>& fields)
{
    fields.clear();
    const qsizetype n = line.size();
    qsizetype k = 0;
    while (true) {
        QString field;
        if (k < n && line[k] == u'"') {
            ++k;
            while (k < n) {
                if (line[k] == u'"') {
                    if (k + 1 < n && line[k + 1] == u'"') {
                        field += u'"';
                        k += 2;
                        continue;
                    }
                    ++k;
                    break;
                }
                field += line[k++];
            }
            // Anything between the closing quote and the comma belongs to the field.
            while (k < n && line[k] != u',')
                field += line[k++];
        } else {
            const qsizetype comma = line.indexOf(u',', k);
            const qsizetype end = comma < 0 ? n : comma;
            field = line.mid(k, end - k);
            k = end;
        }
        fields.push_back(std::move(field));
        if (k >= n)
            break;
        ++k;  // the comma
        if (k == n) {
            fields.emplace_back();  // a line ending in a comma has an empty last field
            break;
        }
    }
}

} // namespace

bool parseReadout(const QByteArray& bytes, ReadoutRecords& records, Progress& progress)
{
    const char* data = bytes.constData();
    qsizetype size = bytes.size();
    qsizetype pos = 0;
    // A byte-order mark is not part of the first field.
    if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0)
        pos = 3;
    // A rough count for the buffers: about 60 bytes a line.
    records.reserve(size, static_cast<int>(size / 60 + 1));
    std::vector<QString> fields;
    fields.reserve(kReadoutFields + 4);
    int lines = 0;
    while (pos < size) {
        // CR, LF and CRLF each end a line: loggers write all three.
        qsizetype end = pos;
        while (end < size && data[end] != '\n' && data[end] != '\r')
            ++end;
        splitLine(decodeLine(data + pos, end - pos), fields);
        records.appendRow(fields);
        pos = end + 1;
        if (end + 1 < size && data[end] == '\r' && data[end + 1] == '\n')
            ++pos;
        if ((++lines & 0xFFF) == 0 && !progress.advance(std::min(pos, size)))
            return false;
    }
    return true;
}

ReadoutRecords parseReadout(const QByteArray& bytes)
{
    ReadoutRecords r;
    NoProgress none;
    parseReadout(bytes, r, none);
    r.setOpen(true);
    return r;
}

QStringList schemaIniLines()
{
    QStringList lines = {QStringLiteral("[datafile.txt]"), QStringLiteral("Format=CSVDelimited"),
                         QStringLiteral("DecimalSymbol=."), QStringLiteral("ColNameHeader = false"),
                         QStringLiteral("Col1=SlugDate Text")};
    for (int k = 1; k <= 15; ++k)
        lines << QStringLiteral("Col%1=C%2 Text").arg(k + 1).arg(k);
    return lines;
}

namespace {

// Removes "Schema.ini" when the load ends, however it ends.
struct SchemaIniGuard {
    QString path;
    ~SchemaIniGuard()
    {
        if (!path.isEmpty())
            QFile::remove(path);
    }
};

QByteArray schemaIniText()
{
    QByteArray text;
    for (const QString& line : schemaIniLines())
        text += line.toLatin1() + '\n';
    return text;
}

bool writeWhole(const QString& path, const QByteArray& bytes, QString& error)
{
    QFile::remove(path);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size() && f.flush())
        return true;
    error = f.errorString();
    f.close();
    QFile::remove(path);
    return false;
}

// Writes a working file of the import in the data folder or, when the data
// folder refuses it (read-only, full), in a folder of the system's temporary
// folder. The import itself writes only to the database, so a working file
// that cannot be written anywhere does not stop it. Returns the path
// written, empty when none; a refusal adds a line to note.
QString writeWorkFile(const QString& dataFolder, const QString& name, const QByteArray& bytes, QStringList& note)
{
    const QString inData = dataFolder + QLatin1Char('/') + name;
    QString why;
    if (writeWhole(inData, bytes, why))
        return inData;
    const QString tempFolder = QDir::tempPath() + QStringLiteral("/Rockvane-work");
    QDir().mkpath(tempFolder);
    const QString inTemp = tempFolder + QLatin1Char('/') + name;
    QString tempWhy;
    if (writeWhole(inTemp, bytes, tempWhy)) {
        note << QStringLiteral("The working file %1 could not be written in the data folder %2 (%3); it was "
                               "written to %4 instead.")
                    .arg(name, QDir::toNativeSeparators(dataFolder), why, QDir::toNativeSeparators(inTemp));
        return inTemp;
    }
    note << QStringLiteral("The working file %1 could not be written in the data folder %2 (%3) nor in %4 (%5); "
                           "the import goes on without it.")
                .arg(name, QDir::toNativeSeparators(dataFolder), why, QDir::toNativeSeparators(tempFolder), tempWhy);
    return QString();
}

} // namespace

LoadResult LoadReadoutFile(const QString& dataFolder, const QString& path, ReadoutRecords& records,
                           Progress& progress, QString* workNote)
{
    records.clear();
    QStringList note;
    struct NoteOut {
        QStringList& note;
        QString* out;
        ~NoteOut()
        {
            if (out)
                *out = note.join(QLatin1Char('\n'));
        }
    } noteOut{note, workNote};
    SchemaIniGuard guard{writeWorkFile(dataFolder, QStringLiteral("Schema.ini"), schemaIniText(), note)};
    const QFileInfo source(path);
    if (path.isEmpty() || !source.exists() || !source.isFile())
        return LoadResult::NotFound;

    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        throw std::runtime_error(("Cannot read " + path + ": " + in.errorString()).toStdString());
    const QByteArray bytes = in.readAll();
    in.close();
    const QString work = dataFolder + QStringLiteral("/datafile.txt");
    // The working copy stays in the data folder after the load; a file
    // picked from there is not copied onto itself.
    if (QFileInfo(work).absoluteFilePath() != source.absoluteFilePath())
        writeWorkFile(dataFolder, QStringLiteral("datafile.txt"), bytes, note);

    progress.begin(QStringLiteral("Reading ") + source.fileName() + QStringLiteral("..."), bytes.size());
    const bool finished = parseReadout(bytes, records, progress);
    progress.end();
    if (!finished) {
        records.clear();
        return LoadResult::Cancelled;
    }
    records.setOpen(true);
    return LoadResult::Loaded;
}

} // namespace rv::importing
