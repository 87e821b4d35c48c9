#include "DvdScan.h"

#include "DvdSource.h"
#include "DvdTitleLoader.h"
#include "core/EQuarnelError.h"
#include "core/PathText.h"
#include "core/TDVDInformation.h"
#include "tasklist/TTaskListModel.h"

#include <QFileInfo>
#include <QList>
#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

// The JSON text written straight out. QJsonObject keeps every value in a CBOR container
// and re-sorts it on each insert; building and printing the document that way took longer
// than reading the disc.
class JsonWriter
{
public:
    JsonWriter() { m_text.reserve(64 * 1024); }
    void BeginObject() { Open('{'); }
    void EndObject() { Close('}'); }
    void BeginArray() { Open('['); }
    void EndArray() { Close(']'); }
    // key: a plain identifier, written as it is.
    void Key(const char *key)
    {
        Separate();
        m_text += '"';
        m_text += key;
        m_text += "\": ";
        m_afterKey = true;
    }
    void Value(const QString &text)
    {
        Separate();
        String(text);
    }
    void Value(double number)
    {
        Separate();
        // JSON has no infinity or NaN.
        m_text += std::isfinite(number) ? QByteArray::number(number, 'g', QLocale::FloatingPointShortest) : "null";
    }
    void Value(int number)
    {
        Separate();
        m_text += QByteArray::number(number);
    }
    void Value(bool flag)
    {
        Separate();
        m_text += flag ? "true" : "false";
    }
    void Value(const QStringList &texts)
    {
        BeginArray();
        for (const QString &text : texts)
            Value(text);
        EndArray();
    }
    QByteArray Text() const { return m_text + '\n'; }

private:
    // Before a value: a comma after its predecessor, and a new line at the container's depth.
    void Separate()
    {
        if (m_afterKey) {
            m_afterKey = false;
            return;
        }
        if (m_empty.isEmpty())
            return;
        if (!m_empty.last())
            m_text += ',';
        m_empty.last() = false;
        NewLine();
    }
    void Open(char bracket)
    {
        Separate();
        m_text += bracket;
        m_empty.append(true);
    }
    void Close(char bracket)
    {
        const bool empty = m_empty.takeLast();
        if (!empty)
            NewLine();
        m_text += bracket;
    }
    void NewLine()
    {
        m_text += '\n';
        m_text.append(m_empty.size() * 4, ' ');
    }
    void String(const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        m_text += '"';
        if (std::none_of(utf8.begin(), utf8.end(), NeedsEscape)) {
            m_text += utf8;
        } else {
            static const char hex[] = "0123456789abcdef";
            for (const char c : utf8) {
                const auto u = static_cast<unsigned char>(c);
                if (c == '"' || c == '\\') {
                    m_text += '\\';
                    m_text += c;
                } else if (u < 0x20) {
                    m_text += "\\u00";
                    m_text += hex[u >> 4];
                    m_text += hex[u & 15];
                } else {
                    m_text += c;
                }
            }
        }
        m_text += '"';
    }
    static bool NeedsEscape(char c) { return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20; }

    QByteArray m_text;
    QList<bool> m_empty; // per open container: nothing written into it yet
    bool m_afterKey = false;
};

// The fields titles and chapters share.
void WriteCommon(JsonWriter &json, const TTaskNodeData &e)
{
    json.Key("Number");
    json.Value(e.Number);
    json.Key("Caption");
    json.Value(e.Caption);
    json.Key("OrigStart");
    json.Value(e.OrigStart);
    json.Key("OrigEnd");
    json.Value(e.OrigEnd);
    json.Key("OrigStartText");
    json.Value(e.OrigStartText);
    json.Key("OrigEndText");
    json.Value(e.OrigEndText);
    json.Key("OutputName");
    json.Value(e.OutputName);
    json.Key("Checked");
    json.Value(e.Checked);
}

void WriteTitle(JsonWriter &json, const TTaskListModel &list, const QModelIndex &title)
{
    const TTaskNodeData &e = *list.Entry(title);
    json.BeginObject();
    WriteCommon(json, e);
    json.Key("ShortName");
    json.Value(e.ShortName);
    json.Key("FrameSize");
    json.Value(e.FrameSize);
    json.Key("Aspect");
    json.Value(e.Aspect);
    json.Key("Duration");
    json.Value(e.Duration);
    json.Key("AudioTracks");
    json.Value(e.AudioTracks);
    json.Key("AudioLanguages");
    json.Value(e.AudioLanguages);
    json.Key("Subtitles");
    json.Value(e.Subtitles);
    json.Key("AngleCount");
    json.Value(e.AngleCount);
    json.Key("Chapters");
    json.BeginArray();
    for (int c = 0; c < list.rowCount(title); ++c) {
        const TTaskNodeData &chapter = *list.Entry(list.index(c, 0, title));
        json.BeginObject();
        WriteCommon(json, chapter);
        json.Key("ChapterIndex");
        json.Value(chapter.ChapterIndex);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
}

} // namespace

void OpenDvdForScript(const QString &path, TTaskListModel &list, QStringList *notes)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw EQuarnelError(QStringLiteral("Cannot open \"%1\": no such file or folder.").arg(path));
    DvdTitleLoader loader;
    try {
        loader.LoadDvdTitles(path, list);
    } catch (const EQuarnelError &) {
        if (notes)
            *notes = loader.Notes();
        throw;
    }
    if (notes)
        *notes = loader.Notes();
    list.CheckLongestTitle();
}

QByteArray ScanDvd(const QString &path, QStringList *notes)
{
    TTaskListModel list;
    OpenDvdForScript(path, list, notes);

    JsonWriter json;
    json.BeginObject();
    json.Key("DvdPath");
    json.Value(DvdInfo.DvdPath);
    json.Key("Standard");
    json.Value(DvdInfo.Standard);
    json.Key("FrameRateFactor");
    json.Value(DvdInfo.FrameRateFactor);
    json.Key("VolumeName");
    json.Value(DvdInfo.VolumeName);
    json.Key("Titles");
    json.BeginArray();
    for (int t = 0; t < list.rowCount(); ++t)
        WriteTitle(json, list, list.index(t, 0));
    json.EndArray();
    json.EndObject();
    return json.Text();
}
