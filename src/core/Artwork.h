#pragma once

#include <QPixmap>
#include <QVector>

// The program's decorative pictures, drawn at run time so no bitmap has to be shipped.
class Artwork
{
public:
    static QPixmap Margin(QSize size); // window margins and splitter strip
    static QPixmap Toolbar(QSize size); // the strip behind the tool buttons
    static QPixmap StartStopBackground(QSize size);
    static QPixmap Cover(QSize size); // start-up cover over the empty task list
    static QPixmap AboutBackground(QSize size);
    // Three 133 x 65 frames: normal, hover, pressed.
    static QVector<QPixmap> StartFrames();
    static QVector<QPixmap> StopFrames();
    // 16 x 16 glyphs of the three small header buttons.
    static QPixmap HelpGlyph();
    static QPixmap AboutGlyph();
    static QPixmap WebGlyph();
    // 32 x 32 glyphs of the tool buttons.
    static QPixmap OpenDvdGlyph();
    static QPixmap OpenDirGlyph();
    static QPixmap SegmentGlyph();
    static QPixmap SettingsGlyph();
    // 16 x 16 task-list icons: 0 title, 1 chapter.
    static QPixmap TitleIcon();
    static QPixmap ChapterIcon();
    // The 16 x 17 tile the task list's header is painted with.
    static QPixmap HeaderTile();
};
