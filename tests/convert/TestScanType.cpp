#include "convert/commands/TScanType.h"
#include "dvd/TPictureFlags.h"

#include <QtTest>

Q_DECLARE_METATYPE(TScanType)
Q_DECLARE_METATYPE(TDeinterlace)

namespace {

// A picture coding extension: picture_structure, top_field_first, repeat_first_field,
// progressive_frame.
QByteArray PictureExtension(int structure, bool tff, bool rff, bool progressive)
{
    QByteArray b("\x00\x00\x01\xb5", 4);
    b += char(0x8f); // id 8, f_code
    b += char(0xff);
    b += char(0xf0 | structure); // f_code, dc precision 0, structure
    b += char((tff ? 0x80 : 0) | (rff ? 0x02 : 0));
    b += char(progressive ? 0x80 : 0x00);
    return b;
}

QByteArray SequenceExtension(bool progressive)
{
    QByteArray b("\x00\x00\x01\xb5", 4);
    b += char(0x14); // id 1, profile
    b += char(0x80 | (progressive ? 0x08 : 0));
    b += QByteArray(4, '\0');
    return b;
}

// One 2048-byte MPEG-2 pack holding one PES packet of stream `id` around `payload`.
QByteArray Pack(quint8 id, const QByteArray &payload)
{
    QByteArray pack("\x00\x00\x01\xba", 4);
    pack += char(0x44);
    pack += QByteArray(8, '\x04');
    pack += char(0xf8); // no stuffing
    QByteArray pes("\x00\x00\x01", 3);
    pes += char(id);
    const int headerData = 5;
    const int length = 3 + headerData + int(payload.size());
    pes += char(length >> 8);
    pes += char(length & 0xff);
    pes += char(0x81);
    pes += char(0x80);
    pes += char(headerData);
    pes += QByteArray(headerData, '\x21');
    pes += payload;
    pack += pes;
    // The rest is a padding packet, as in a real VOB.
    const int rest = 2048 - int(pack.size()) - 6;
    pack += QByteArray("\x00\x00\x01\xbe", 4);
    pack += char(rest >> 8);
    pack += char(rest & 0xff);
    pack += QByteArray(rest, '\xff');
    return pack;
}

} // namespace

class TestScanType : public QObject
{
    Q_OBJECT
private slots:
    // Only the video stream's headers count: the same bytes in a sound packet are sound.
    void flagsAreReadFromTheVideoOnly()
    {
        QByteArray video = SequenceExtension(false);
        video += PictureExtension(3, true, true, true);
        video += PictureExtension(3, false, false, true);
        video += PictureExtension(3, false, true, true);
        video += PictureExtension(3, true, false, false);
        video += PictureExtension(1, false, false, false); // a field pair: one frame
        video += PictureExtension(2, false, false, false);
        QByteArray packs = Pack(0xe0, video);
        packs += Pack(0xbd, PictureExtension(3, true, true, true) + SequenceExtension(true));
        packs += QByteArray(2048, '\0'); // no pack at all
        TPictureFlags flags;
        flags.AddPacks(packs);
        QCOMPARE(flags.Frames, 5);
        QCOMPARE(flags.FieldPictures, 2);
        QCOMPARE(flags.ProgressiveFrames, 3);
        QCOMPARE(flags.RepeatFirstField, 2);
        QCOMPARE(flags.TopFieldFirst, 2);
        QCOMPARE(flags.Sequences, 1);
        QCOMPARE(flags.ProgressiveSequences, 0);
    }

    void flagsDecide_data()
    {
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("progressive");
        QTest::addColumn<int>("repeat");
        QTest::addColumn<int>("fields");
        QTest::addColumn<int>("progressiveSequences");
        QTest::addColumn<bool>("ntsc");
        QTest::addColumn<TScanType>("scan");
        QTest::newRow("soft pulldown: two of four repeat")
            << 480 << 480 << 240 << 0 << 0 << true << TScanType::SoftFilm;
        QTest::newRow("film in a part of an NTSC title") << 1000 << 1000 << 60 << 0 << 0 << true << TScanType::SoftFilm;
        QTest::newRow("a stray repeat flag is no film")
            << 1000 << 1000 << 10 << 0 << 0 << true << TScanType::Progressive;
        QTest::newRow("PAL never has pulldown") << 500 << 500 << 250 << 0 << 0 << false << TScanType::Progressive;
        QTest::newRow("all frames progressive") << 500 << 500 << 0 << 0 << 0 << false << TScanType::Progressive;
        QTest::newRow("a progressive sequence") << 500 << 0 << 0 << 0 << 10 << false << TScanType::Progressive;
        QTest::newRow("interlaced frames: the pictures must tell")
            << 500 << 0 << 0 << 0 << 0 << false << TScanType::Undecided;
        QTest::newRow("field pictures") << 500 << 500 << 0 << 100 << 0 << true << TScanType::Undecided;
        QTest::newRow("MPEG-1: no extensions at all") << 0 << 0 << 0 << 0 << 0 << false << TScanType::Progressive;
    }
    void flagsDecide()
    {
        QFETCH(int, frames);
        QFETCH(int, progressive);
        QFETCH(int, repeat);
        QFETCH(int, fields);
        QFETCH(int, progressiveSequences);
        QFETCH(bool, ntsc);
        QFETCH(TScanType, scan);
        TPictureFlags flags;
        flags.Frames = frames;
        flags.ProgressiveFrames = progressive;
        flags.RepeatFirstField = repeat;
        flags.FieldPictures = fields;
        flags.Sequences = 10;
        flags.ProgressiveSequences = progressiveSequences;
        if (frames == 0)
            flags.Sequences = 0;
        QCOMPARE(ScanTypeFromFlags(flags, ntsc), scan);
    }

    void idetDecides_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("ntsc");
        QTest::addColumn<TScanType>("scan");
        auto idet = [](int tff, int bff, int prog, int und, int neither, int top, int bottom) {
            return QStringLiteral(
                       "[Parsed_idet_0 @ 0x55] Repeated Fields: Neither:%1 Top:%2 Bottom:%3\n"
                       "[Parsed_idet_0 @ 0x55] Single frame detection: TFF:1 BFF:0 Progressive:2 Undetermined:3\n"
                       "[Parsed_idet_0 @ 0x55] Multi frame detection: TFF:%4 BFF:%5 Progressive:%6 Undetermined:%7\n")
                .arg(neither, 6)
                .arg(top, 6)
                .arg(bottom, 6)
                .arg(tff, 6)
                .arg(bff, 6)
                .arg(prog, 6)
                .arg(und, 6);
        };
        QTest::newRow("interlaced PAL") << idet(240, 0, 2, 8, 250, 0, 0) << false << TScanType::Interlaced;
        QTest::newRow("hard telecine") << idet(90, 0, 140, 20, 150, 50, 50) << true << TScanType::HardFilm;
        QTest::newRow("repeats on PAL are no telecine")
            << idet(90, 0, 140, 20, 150, 50, 50) << false << TScanType::Progressive;
        QTest::newRow("progressive flagged interlaced")
            << idet(3, 0, 240, 7, 250, 0, 0) << false << TScanType::Progressive;
        QTest::newRow("bottom field first") << idet(0, 200, 30, 20, 250, 1, 0) << true << TScanType::Interlaced;
        QTest::newRow("no summary") << QStringLiteral("Invalid data found when processing input") << true
                                    << TScanType::Undecided;
    }
    void idetDecides()
    {
        QFETCH(QString, output);
        QFETCH(bool, ntsc);
        QFETCH(TScanType, scan);
        QCOMPARE(ScanTypeFromIdet(output, ntsc), scan);
    }

    // Profile files from before the choice had "No" (empty) and "Yes" (yadif); they keep
    // meaning that.
    void deinterlaceValues_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("present");
        QTest::addColumn<TDeinterlace>("choice");
        QTest::newRow("auto") << QStringLiteral("auto") << true << TDeinterlace::Auto;
        QTest::newRow("no row at all") << QString() << false << TDeinterlace::Auto;
        QTest::newRow("earlier Yes") << QStringLiteral("yadif") << true << TDeinterlace::Yes;
        QTest::newRow("earlier No") << QString() << true << TDeinterlace::No;
        QTest::newRow("typed no") << QStringLiteral("No") << true << TDeinterlace::No;
    }
    void deinterlaceValues()
    {
        QFETCH(QString, value);
        QFETCH(bool, present);
        QFETCH(TDeinterlace, choice);
        QCOMPARE(DeinterlaceFromValue(value, present), choice);
    }
};

QTEST_GUILESS_MAIN(TestScanType)
#include "TestScanType.moc"
