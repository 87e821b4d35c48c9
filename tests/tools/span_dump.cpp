// By hand: writes a span of a DVD title as the converter reads it.
// span_dump DVD TITLE START END AUDIO_ID OUT.mpg   (START, END: table seconds)
#include "dvd/TTitleSpanReader.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 7) {
        std::fprintf(stderr, "usage: span_dump DVD TITLE START END AUDIO_ID OUT.mpg\n");
        return 2;
    }
    TTitleSpanReader::Span span;
    span.TitleNumber = a.at(2).toInt();
    span.Start = a.at(3).toDouble();
    span.End = a.at(4).toDouble();
    if (a.at(5).toInt(nullptr, 0) >= 0)
        span.AudioIds = {a.at(5).toInt(nullptr, 0)};
    QFile out(a.at(6));
    if (!out.open(QIODevice::WriteOnly))
        return 1;
    const TTitleSpanReader::Result r = TTitleSpanReader::Write(
        a.at(1), span, [&out](const QByteArray &b, double) { return out.write(b) == b.size(); });
    std::fprintf(stderr, "picture end %.6f\n", TTitleSpanReader::PictureEnd(a.at(1), span));
    std::fprintf(stderr, "problem '%s' damaged %lld frames %d film %d bytes %lld\n", qPrintable(r.Problem),
                 r.DamagedSectors, r.VideoFrames, r.FilmFrames, r.BytesWritten);
    return r.Problem.isEmpty() ? 0 : 1;
}
