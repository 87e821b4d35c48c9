#include "Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <functional>

namespace {

const QColor kDeep(0x1c, 0x26, 0x38);
const QColor kSteel(0x2f, 0x40, 0x5e);
const QColor kAccent(0x5f, 0xa8, 0xe8);

QPixmap Gradient(QSize size, const QColor &top, const QColor &bottom)
{
    QPixmap pm(size.expandedTo(QSize(1, 1)));
    QPainter p(&pm);
    QLinearGradient g(0, 0, 0, pm.height());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(pm.rect(), g);
    return pm;
}

// A stylised disc: the motif of the cover and the About box.
void PaintDisc(QPainter &p, QPointF centre, qreal radius)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(centre, radius);
    g.setColorAt(0.0, QColor(0xe8, 0xf0, 0xfa));
    g.setColorAt(0.55, QColor(0x9c, 0xb8, 0xd8));
    g.setColorAt(0.8, QColor(0xc9, 0xa8, 0xe0));
    g.setColorAt(1.0, QColor(0x7f, 0x9c, 0xc4));
    p.setPen(QPen(QColor(255, 255, 255, 140), 1.5));
    p.setBrush(g);
    p.drawEllipse(centre, radius, radius);
    p.setBrush(kDeep);
    p.drawEllipse(centre, radius * 0.16, radius * 0.16);
    p.setPen(QPen(QColor(255, 255, 255, 70), 1));
    p.setBrush(Qt::NoBrush);
    for (qreal r = radius * 0.3; r < radius * 0.95; r += radius * 0.12)
        p.drawEllipse(centre, r, r);
    p.restore();
}

QPixmap BigButton(const QColor &base, const QString &caption, bool playSymbol, int state)
{
    const QSize size(133, 65);
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor top = state == 1 ? base.lighter(135) : state == 2 ? base.darker(125) : base.lighter(110);
    const QColor bottom = state == 2 ? base.darker(160) : base.darker(130);
    const QRectF body = QRectF(4, 6, 125, 52).translated(state == 2 ? QPointF(1, 1) : QPointF());
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(base.darker(200), 1.5));
    p.setBrush(g);
    p.drawRoundedRect(body, 12, 12);
    p.setPen(QPen(QColor(255, 255, 255, state == 1 ? 150 : 90), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body.adjusted(2, 2, -2, -2), 10, 10);

    const QRectF icon(body.left() + 14, body.center().y() - 12, 24, 24);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    if (playSymbol) {
        QPainterPath tri;
        tri.moveTo(icon.left() + 4, icon.top());
        tri.lineTo(icon.right(), icon.center().y());
        tri.lineTo(icon.left() + 4, icon.bottom());
        tri.closeSubpath();
        p.drawPath(tri);
    } else {
        p.drawRoundedRect(icon.adjusted(2, 2, -2, -2), 3, 3);
    }
    QFont f = p.font();
    f.setPixelSize(22);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(body.adjusted(44, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, caption);
    return pm;
}

QVector<QPixmap> BigButtonFrames(const QColor &base, const QString &caption, bool playSymbol)
{
    return {BigButton(base, caption, playSymbol, 0), BigButton(base, caption, playSymbol, 1),
            BigButton(base, caption, playSymbol, 2)};
}

QPixmap Glyph(int side, const std::function<void(QPainter &, QRectF)> &draw)
{
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, QRectF(0.5, 0.5, side - 1, side - 1));
    return pm;
}

QPixmap LetterGlyph(const QString &letter, const QColor &colour)
{
    return Glyph(16, [&](QPainter &p, QRectF r) {
        p.setPen(QPen(colour.darker(150), 1));
        p.setBrush(colour);
        p.drawEllipse(r);
        QFont f = p.font();
        f.setPixelSize(12);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(r, Qt::AlignCenter, letter);
    });
}

} // namespace

QPixmap Artwork::Margin(QSize size)
{
    return Gradient(size, kSteel, kDeep);
}

QPixmap Artwork::Toolbar(QSize size)
{
    QPixmap pm = Gradient(size, QColor(0x3c, 0x4f, 0x70), QColor(0x22, 0x2e, 0x44));
    QPainter p(&pm);
    p.setPen(QColor(255, 255, 255, 50));
    p.drawLine(0, 0, pm.width(), 0);
    return pm;
}

QPixmap Artwork::StartStopBackground(QSize size)
{
    return Gradient(size, kSteel, kDeep);
}

QPixmap Artwork::Cover(QSize size)
{
    QPixmap pm = Gradient(size, QColor(0xf4, 0xf7, 0xfb), QColor(0xd6, 0xe2, 0xf0));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x5f, 0xa8, 0xe8, 40));
    p.drawEllipse(QPointF(size.width() * 0.15, size.height() * 1.1), size.height() * 0.9, size.height() * 0.9);
    PaintDisc(p, QPointF(size.width() * 0.27, size.height() * 0.48), size.height() * 0.3);
    QFont f = p.font();
    f.setPixelSize(14);
    p.setFont(f);
    p.setPen(QColor(0x44, 0x55, 0x70));
    p.drawText(QRectF(size.width() * 0.45, size.height() * 0.58, size.width() * 0.5, 60),
               Qt::AlignRight | Qt::TextWordWrap, QStringLiteral("Open a DVD or a folder holding VIDEO_TS to begin."));
    return pm;
}

QPixmap Artwork::AboutBackground(QSize size)
{
    QPixmap pm = Gradient(size, QColor(0xfa, 0xfc, 0xff), QColor(0xd9, 0xe4, 0xf1));
    QPainter p(&pm);
    p.fillRect(QRect(0, 0, size.width(), 70), QBrush(Gradient(QSize(size.width(), 70), kSteel, kDeep)));
    PaintDisc(p, QPointF(90, 170), 70);
    return pm;
}

QVector<QPixmap> Artwork::StartFrames()
{
    return BigButtonFrames(QColor(0x2f, 0x9e, 0x4f), QStringLiteral("Start"), true);
}
QVector<QPixmap> Artwork::StopFrames()
{
    return BigButtonFrames(QColor(0xc8, 0x3a, 0x32), QStringLiteral("Stop"), false);
}

QPixmap Artwork::HelpGlyph()
{
    return LetterGlyph(QStringLiteral("?"), kAccent.darker(120));
}
QPixmap Artwork::AboutGlyph()
{
    return LetterGlyph(QStringLiteral("i"), QColor(0x4c, 0x9a, 0x5c));
}

QPixmap Artwork::WebGlyph()
{
    return Glyph(16, [](QPainter &p, QRectF r) {
        p.setPen(QPen(QColor(0xd8, 0xe8, 0xff), 1.2));
        p.setBrush(QColor(0x3b, 0x7d, 0xc4));
        p.drawEllipse(r);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(r.adjusted(4, 0, -4, 0));
        p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
    });
}

QPixmap Artwork::OpenDvdGlyph()
{
    return Glyph(32, [](QPainter &p, QRectF r) { PaintDisc(p, r.center(), r.width() / 2 - 1); });
}

QPixmap Artwork::OpenDirGlyph()
{
    return Glyph(32, [](QPainter &p, QRectF r) {
        p.setPen(QPen(QColor(0x9a, 0x6b, 0x12), 1));
        p.setBrush(QColor(0xf2, 0xc1, 0x4e));
        p.drawRoundedRect(QRectF(r.left() + 2, r.top() + 6, 12, 6), 2, 2);
        p.drawRoundedRect(QRectF(r.left() + 2, r.top() + 9, r.width() - 4, r.height() - 14), 2, 2);
    });
}

QPixmap Artwork::SegmentGlyph()
{
    return Glyph(32, [](QPainter &p, QRectF r) {
        p.setPen(QPen(QColor(0xd0, 0xdc, 0xea), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(r.left() + 3, r.center().y()), QPointF(r.right() - 3, r.center().y()));
        p.setPen(QPen(kAccent, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(r.left() + 10, r.center().y()), QPointF(r.right() - 10, r.center().y()));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(r.left() + 8, r.center().y() - 8, 4, 16));
        p.drawRect(QRectF(r.right() - 12, r.center().y() - 8, 4, 16));
    });
}

QPixmap Artwork::SettingsGlyph()
{
    return Glyph(32, [](QPainter &p, QRectF r) {
        p.setPen(QPen(QColor(0xd0, 0xdc, 0xea), 4, Qt::SolidLine, Qt::RoundCap));
        const QPointF c = r.center();
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.translate(c);
            p.rotate(i * 45);
            p.drawLine(QPointF(0, -9), QPointF(0, -13));
            p.restore();
        }
        p.setPen(QPen(QColor(0xd0, 0xdc, 0xea), 3));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, 8, 8);
    });
}

QPixmap Artwork::TitleIcon()
{
    return Glyph(16, [](QPainter &p, QRectF r) {
        p.setPen(QPen(QColor(0x24, 0x30, 0x44), 1));
        p.setBrush(QColor(0x3b, 0x4e, 0x6e));
        p.drawRoundedRect(r.adjusted(0, 2, 0, -2), 2, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        for (int i = 0; i < 4; ++i) {
            p.drawRect(QRectF(r.left() + 1.5 + i * 3.8, r.top() + 3.5, 2, 1.6));
            p.drawRect(QRectF(r.left() + 1.5 + i * 3.8, r.bottom() - 5, 2, 1.6));
        }
        p.setBrush(kAccent);
        p.drawRect(QRectF(r.left() + 2, r.top() + 6, r.width() - 4, 3.5));
    });
}

QPixmap Artwork::ChapterIcon()
{
    return Glyph(16, [](QPainter &p, QRectF r) {
        QPainterPath mark;
        mark.moveTo(r.left() + 4, r.top() + 1);
        mark.lineTo(r.right() - 4, r.top() + 1);
        mark.lineTo(r.right() - 4, r.bottom() - 1);
        mark.lineTo(r.center().x(), r.bottom() - 4.5);
        mark.lineTo(r.left() + 4, r.bottom() - 1);
        mark.closeSubpath();
        p.setPen(QPen(QColor(0x9a, 0x6b, 0x12), 1));
        p.setBrush(QColor(0xf2, 0xb1, 0x3e));
        p.drawPath(mark);
    });
}

QPixmap Artwork::HeaderTile()
{
    QPixmap pm = Gradient(QSize(16, 17), QColor(0xf6, 0xf8, 0xfb), QColor(0xd5, 0xdd, 0xe8));
    QPainter p(&pm);
    p.setPen(QColor(0xb4, 0xc0, 0xd0));
    p.drawLine(0, 16, 15, 16);
    return pm;
}
