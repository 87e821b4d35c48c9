#pragma once

#include "tasklist/TTaskListModel.h"
#include "tasklist/TTaskTreeView.h"

#include <QAction>
#include <QToolButton>
#include <QWidget>

// What the dialogs see of the main window: an owner with a task list, its view and the
// controls that open them, wired as the program wires them.
struct ListOwner : QWidget
{
    explicit ListOwner()
    {
        resize(800, 600);
        ltvTask = new TTaskTreeView(this);
        ltvTask->setGeometry(0, 30, 800, 500);
        TaskList = new TTaskListModel(this);
        ltvTask->setModel(TaskList);
        sbtnSegment = new QToolButton(this);
        sbtnSegment->setEnabled(false);
        pmiDVDVolume = new QAction(this);
        pmiTrimTime = new QAction(this);
    }

    TTaskListModel *TaskList;
    TTaskTreeView *ltvTask;
    QToolButton *sbtnSegment;
    QAction *pmiDVDVolume, *pmiTrimTime;
};
