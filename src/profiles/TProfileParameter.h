#pragma once

#include "core/PathText.h"

#include <QString>
#include <QStringList>

// One parameter of a profile file: a row of one of the three grids, and the tool switch
// with the option values behind it.
struct TProfileParameter
{
    QString Name;
    int Sort = -1; // 1 video, 2 audio, 3 advanced
    bool ReadOnly = false;
    bool IsList = true; // a missing "List" key means a list
    QString Caption; // list: the items, comma-terminated; plain: the value shown
    int Index = 0; // list: the item shown, as the file says
    QString Value; // list: one option value per item; plain: the option value
    QString Cmd; // the switch; empty: never on a command line

    QStringList CaptionItems() const { return SplitCommaList(Caption); }

    // The option value of list item `item`. A Value list shorter than the Caption list
    // gives nothing for the items it lacks, which leaves the switch out.
    QString ValueItem(int item) const
    {
        const QStringList values = SplitCommaList(Value);
        return item >= 0 && item < values.size() ? values.at(item) : QString();
    }

    // What the grid shows after a load. An "Index" outside the items shows the first item
    // (what the user sees is what the option builder uses); a list without items shows nothing.
    QString ShownValue() const
    {
        if (!IsList)
            return Caption;
        const QStringList items = CaptionItems();
        if (items.isEmpty())
            return {};
        return Index >= 0 && Index < items.size() ? items.at(Index) : items.first();
    }
};
