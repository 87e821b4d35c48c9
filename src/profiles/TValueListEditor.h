#pragma once

#include <QTableWidget>

// The two-column key/value grid of the profile parameters: a fixed key column and a value
// column, rows 17 pixels high plus one pixel of grid line.
class TValueListEditor : public QTableWidget
{
    Q_OBJECT
public:
    static constexpr int RowHeight = 17;

    TValueListEditor(int keyWidth, int valueWidth, QWidget *parent);

    // Appends a row with the key and an empty value.
    void InsertRow(const QString &key);
    QString Key(int row) const;
    QString Value(const QString &key) const;
};
