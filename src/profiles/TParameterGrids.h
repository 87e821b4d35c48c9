#pragma once

#include <QString>
#include <QStringList>

// Read access to a window's three parameter grids, so that profile saving and the option
// builder need no widgets.
class TParameterGrids
{
public:
    static constexpr int VideoSort = 1;
    static constexpr int AudioSort = 2;
    static constexpr int AdvancedSort = 3;

    virtual ~TParameterGrids() = default;

    // The row whose key is `name` (without regard to case, first match) in the grid that
    // `sort` names. False when there is no such grid or row.
    virtual bool FindRow(int sort, const QString &name, QString &value, QStringList &pickList) const = 0;
};
