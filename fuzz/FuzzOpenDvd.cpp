// Builds a DVD folder from arbitrary bytes and opens it as the program does: the title table
// and the title sets read through libdvdread's file access, checked, parsed and listed, with
// backups in place of damaged files. Every input must end in a reading (titles, notes or an
// error), never a crash, a read outside a buffer or a hang.
//
// The input holds the files one after another, separated by "--FILE--", in the order
// VIDEO_TS.IFO, VIDEO_TS.BUP, VTS_01_0.IFO, VTS_01_0.BUP, VTS_02_0.IFO, ...; a file without a
// piece is absent, an empty piece an empty file.

#include "dvd/DvdLibrary.h"
#include "dvd/DvdSource.h"
#include "dvd/DvdTitleLoader.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

const QByteArray Separator("--FILE--");

QString Folder()
{
    static QTemporaryDir dir;
    static const bool made = QDir().mkpath(dir.path() + QStringLiteral("/VIDEO_TS"));
    Require(dir.isValid() && made);
    return dir.path();
}

void WriteDisc(const QString &root, const QByteArray &input)
{
    QDir videoTs(root + QStringLiteral("/VIDEO_TS"));
    for (const QString &name : videoTs.entryList(QDir::Files))
        videoTs.remove(name);
    qsizetype from = 0;
    for (int piece = 0; piece < 2 * 100 && from <= input.size(); ++piece) {
        qsizetype to = input.indexOf(Separator, from);
        if (to < 0)
            to = input.size();
        QFile file(videoTs.filePath(DvdSource::InfoFileName(piece / 2, piece % 2 == 1)));
        Require(file.open(QIODevice::WriteOnly));
        file.write(input.constData() + from, to - from);
        from = to + Separator.size();
    }
}

void CheckReading(const TDvdReading &reading)
{
    Require(reading.Error.isEmpty() != reading.Titles.isEmpty());
    int previous = 0;
    for (const TDvdReading::Title &title : reading.Titles) {
        // Left-out titles keep the others' numbers: they only grow.
        Require(title.Data.Number > previous);
        previous = title.Data.Number;
        Require(title.Data.AudioTracks.size() == title.Data.AudioLanguages.size());
        for (int c = 0; c < title.Chapters.size(); ++c)
            Require(title.Chapters[c].Number == c + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString root = Folder();
    WriteDisc(root, QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)));
    const TDvdReading reading = DvdTitleLoader::ReadDvd(root);
    CheckReading(reading);
    // The preview's question reads the disc again, title by title.
    if (!reading.Titles.isEmpty())
        DvdLibrary::PlaybackProblem(root, reading.Titles.first().Data.Number);
    return 0;
}
