#include "convert/commands/TScanType.h"

#include "dvd/TPictureFlags.h"

#include <QRegularExpression>

TDeinterlace DeinterlaceFromValue(const QString &value, bool rowPresent)
{
    if (!rowPresent)
        return TDeinterlace::Auto;
    const QString v = value.trimmed().toLower();
    if (v == u"auto")
        return TDeinterlace::Auto;
    // Earlier profiles: "yadif" for Yes, an empty value for No.
    if (v == u"yadif" || v == u"yes")
        return TDeinterlace::Yes;
    return TDeinterlace::No;
}

TScanType ScanTypeFromFlags(const TPictureFlags &flags, bool ntsc)
{
    if (flags.Frames == 0) {
        // MPEG-1 has no interlace; a sequence that says progressive means it.
        return flags.Sequences == 0 || flags.ProgressiveSequences == flags.Sequences ? TScanType::Progressive
                                                                                     : TScanType::Undecided;
    }
    // Soft pulldown flags two pictures of every four; a few percent means film in places.
    if (ntsc && flags.RepeatFirstField * 50 > flags.Frames)
        return TScanType::SoftFilm;
    if (flags.Sequences > 0 && flags.ProgressiveSequences == flags.Sequences)
        return TScanType::Progressive;
    if (flags.FieldPictures == 0 && flags.ProgressiveFrames == flags.Frames)
        return TScanType::Progressive;
    // Frames flagged interlaced may hold interlaced video, hard-telecined film or progressive
    // pictures coded as interlaced (common on PAL film).
    return TScanType::Undecided;
}

TScanType ScanTypeFromIdet(const QString &idetOutput, bool ntsc)
{
    static const QRegularExpression multi(
        QStringLiteral("Multi frame detection: "
                       "TFF:\\s*(\\d+)\\s+BFF:\\s*(\\d+)\\s+Progressive:\\s*(\\d+)\\s+Undetermined:\\s*(\\d+)"));
    static const QRegularExpression repeated(
        QStringLiteral("Repeated Fields: Neither:\\s*(\\d+)\\s+Top:\\s*(\\d+)\\s+Bottom:\\s*(\\d+)"));
    const QRegularExpressionMatch m = multi.match(idetOutput);
    const QRegularExpressionMatch r = repeated.match(idetOutput);
    if (!m.hasMatch())
        return TScanType::Undecided;
    const qint64 interlaced = m.captured(1).toLongLong() + m.captured(2).toLongLong();
    const qint64 progressive = m.captured(3).toLongLong();
    if (ntsc && r.hasMatch()) {
        const qint64 neither = r.captured(1).toLongLong();
        const qint64 repeats = r.captured(2).toLongLong() + r.captured(3).toLongLong();
        // 3:2 pulldown repeats a field in two frames of five (40 %); film in parts of the
        // title shows fewer.
        if (repeats * 5 >= neither + repeats)
            return TScanType::HardFilm;
    }
    if (interlaced + progressive == 0)
        return TScanType::Undecided;
    return interlaced > progressive ? TScanType::Interlaced : TScanType::Progressive;
}

TPictureTreatment PictureTreatment(TScanType scan, TDeinterlace choice)
{
    TPictureTreatment t;
    // pullup matches the fields back into film pictures and softskip lets it drop the
    // duplicates; soft pulldown needs it whatever the choice, as the encoder ignores the
    // repeat flags and would lose a fifth of the time.
    const bool film = scan == TScanType::SoftFilm || (scan == TScanType::HardFilm && choice != TDeinterlace::No);
    if (film) {
        t.Filters = QStringLiteral("pullup,softskip");
        t.FilmRate = true;
    } else if ((scan == TScanType::Interlaced && choice != TDeinterlace::No) || choice == TDeinterlace::Yes) {
        // One picture per frame: the fields are still apart here, before any scaling.
        t.Filters = QStringLiteral("yadif=0");
    }
    return t;
}

QString ScanTypeText(TScanType scan)
{
    switch (scan) {
    case TScanType::Progressive:
        return QStringLiteral("progressive");
    case TScanType::Interlaced:
        return QStringLiteral("interlaced");
    case TScanType::SoftFilm:
        return QStringLiteral("film (soft pulldown)");
    case TScanType::HardFilm:
        return QStringLiteral("film (hard pulldown)");
    case TScanType::Undecided:
        break;
    }
    return QStringLiteral("not known");
}
