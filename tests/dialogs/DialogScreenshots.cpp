// Saves pictures of the editing dialogs for a look by eye (not part of the test run):
//   xvfb-run -a build/tests/DialogScreenshots /tmp
#include "TestSupport.h"

#include "ListOwner.h"
#include "core/QuarnelApplication.h"
#include "core/TDVDInformation.h"
#include "core/TimeText.h"
#include "dialogs/TEditDVDVolumeForm.h"
#include "dialogs/TEditTimeForm.h"
#include "dialogs/TSizeForm.h"
#include "dialogs/TmkRangeSlider.h"
#include "tasklist/TTaskListModel.h"
#include "tasklist/TTaskTreeView.h"

#include <QAction>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QtTest>

namespace {

void Save(QWidget *w, const QString &folder, const QString &name)
{
    QTest::qWait(50);
    const QString path = QDir(folder).filePath(name);
    if (!w->grab().save(path))
        qWarning("could not write %s", qPrintable(path));
    else
        qInfo("%s", qPrintable(path));
}

TTaskNodeData Chapter(const QString &origStart, const QString &origEnd, const QString &start, const QString &end)
{
    TTaskNodeData d;
    d.Caption = d.ShortName = QStringLiteral("Chapter03");
    d.OutputName = QStringLiteral("Title01-Chapter03");
    d.OrigStartText = origStart;
    d.OrigEndText = origEnd;
    d.OrigStart = TimeTextToSeconds(origStart);
    d.OrigEnd = TimeTextToSeconds(origEnd);
    d.StartText = start;
    d.EndText = end;
    d.Start = TimeTextToSeconds(start);
    d.End = TimeTextToSeconds(end);
    return d;
}

// Sliders of every orientation and thumb style, with their own thumbs and ticks.
QWidget *SliderGallery()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    const TmkThumbStyle styles[] = {rsStandard, rsTriangle, rsCorner, rsArrow};
    const char *names[] = {"rsStandard", "rsTriangle", "rsCorner", "rsArrow"};
    for (int i = 0; i < 4; ++i) {
        for (int side = 0; side < 2; ++side) {
            auto *s = new TmkRangeSlider;
            s->SetThumbStyle(styles[i]);
            s->SetTickStyle(side ? rsTopLeft : rsBottomRight);
            s->setFixedSize(300, 36);
            s->SetMax(100);
            s->SetMaxPosition(70);
            s->SetMinPosition(25);
            grid->addWidget(
                new QLabel(QString::fromLatin1(names[i]) + (side ? QStringLiteral(", top-left") : QString())),
                i * 2 + side, 0);
            grid->addWidget(s, i * 2 + side, 1);
        }
    }
    for (int side = 0; side < 2; ++side) {
        auto *v = new TmkRangeSlider;
        v->SetOrientation(rsVertical);
        v->SetTickStyle(side ? rsTopLeft : rsBottomRight);
        v->setFixedSize(36, 300);
        v->SetMax(1000);
        v->SetMaxPosition(800);
        v->SetMinPosition(150);
        grid->addWidget(v, 0, 2 + side, 8, 1);
    }
    return page;
}

} // namespace

int main(int argc, char **argv)
{
    QuarnelApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    TestProgramFolder programFolder(false);
    ListOwner main;
    TEditTimeForm editor(&main, main.TaskList, main.ltvTask);
    QObject::connect(main.sbtnSegment, &QToolButton::clicked, &editor, &TEditTimeForm::sbtnSegmentClick);
    TEditDVDVolumeForm volume(&main, main.TaskList);
    QObject::connect(main.pmiDVDVolume, &QAction::triggered, &volume, &TEditDVDVolumeForm::pmiDVDVolumeClick);
    TSizeForm size(&main);
    main.show();

    const QModelIndex title =
        main.TaskList->AddTitleNode(Chapter(QStringLiteral("00:00:00"), QStringLiteral("00:30:00"),
                                            QStringLiteral("00:00:00"), QStringLiteral("00:30:00")));
    const QModelIndex chapter =
        main.TaskList->AddChapterNode(title, Chapter(QStringLiteral("00:10:00"), QStringLiteral("00:15:00"),
                                                     QStringLiteral("00:11:40"), QStringLiteral("00:13:20")));
    main.ltvTask->setCurrentIndex(chapter);
    main.sbtnSegment->setEnabled(true);
    main.sbtnSegment->click();
    Save(&editor, folder, QStringLiteral("segment-editor.png"));
    editor.edtEndTime->setText(QStringLiteral("00:16:00"));
    QTest::keyClick(editor.edtEndTime, Qt::Key_End);
    Save(&editor, folder, QStringLiteral("segment-editor-invalid.png"));
    editor.close();

    DvdInfo.VolumeName = QStringLiteral("MY_DISC");
    main.pmiDVDVolume->trigger();
    Save(&volume, folder, QStringLiteral("volume-dialog.png"));
    volume.close();

    size.ShowFor(nullptr);
    size.edtWidth->setText(QStringLiteral("640"));
    size.edtHeight->setText(QStringLiteral("480"));
    Save(&size, folder, QStringLiteral("size-dialog.png"));
    size.close();

    QWidget *gallery = SliderGallery();
    gallery->show();
    Save(gallery, folder, QStringLiteral("slider-gallery.png"));
    delete gallery;
    return 0;
}
