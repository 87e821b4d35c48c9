#pragma once

#include <QColor>
#include <QRegularExpression>
#include <QTableWidget>

// The two-column key/value grid of the profile parameters: a fixed key column and a value
// column whose rows are plain text or pick lists (choose, never type). Rows are 17 pixels
// high plus one pixel of grid line. The user may drag the border between the columns; the
// value column takes the rest of the width.
class TValueListEditor : public QTableWidget
{
    Q_OBJECT
public:
    static constexpr int RowHeight = 17;
    enum class EditStyle { Simple, PickList };
    struct CellColors
    {
        QColor text;
        QColor background;
    };

    TValueListEditor(int keyWidth, int valueWidth, QWidget *parent);

    // Appends a row with the key and an empty value; returns its position.
    int InsertRow(const QString &key);
    void DeleteRow(int row);
    int RowCount() const { return rowCount(); }

    QString Key(int row) const;
    // The first row whose key equals `key` without regard to case.
    bool FindRow(const QString &key, int &row) const;
    QString Value(const QString &key) const;
    bool SetValue(const QString &key, const QString &value);
    QString ValueAt(int row) const;
    void SetValueAt(int row, const QString &value);

    void SetReadOnly(int row, bool readOnly);
    bool ReadOnly(int row) const;
    void SetPickList(int row, const QStringList &items); // makes the row a pick list
    QStringList PickList(int row) const;
    EditStyle Style(int row) const;

    // Characters a plain row's editor refuses (the Settings grids keep "[" out of profiles).
    void SetRefusedCharacters(const QString &characters) { m_refused = characters; }
    QString RefusedCharacters() const { return m_refused; }

    // The current cell (-1 when none) and whether the grid or its editor has the focus.
    int Row() const { return currentRow(); }
    int Col() const { return currentColumn(); }
    bool Focused() const;

    // The painting rule of every grid: read-only plain values in silver; the current value
    // cell without selection highlight; the current row's key cell highlighted only while
    // the grid has the focus.
    CellColors DrawCellColors(int row, int col) const;

    // While an update runs, changes are not announced (a profile load is not a user's choice).
    void BeginUpdate() { ++m_updating; }
    void EndUpdate() { --m_updating; }

    static const QColor Silver;
    static const QColor FocusedKey;

signals:
    // After any change of the keys or values.
    void StringsChange();
    void MouseDown();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    // Typing on a row that cannot be typed into does nothing (no jump to a matching row).
    void keyboardSearch(const QString &) override { }

private:
    void Announce();
    bool NearColumnBorder(int x) const;

    int m_updating = 0;
    bool m_draggingBorder = false;
    QString m_refused;
};
