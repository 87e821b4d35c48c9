#pragma once

#include <QString>

class QScrollArea;
class QToolButton;
class QVBoxLayout;
class QWidget;
class TValueListEditor;

// The scrolling column that holds the heading strips "Video", "Audio", "Advanced" with
// their "-" buttons and the grids under them; the same in the main window and the Settings
// dialog.
class TGridColumn
{
public:
    explicit TGridColumn(QScrollArea *scrollBox);
    // Appends a heading strip and an empty grid under it.
    TValueListEditor *AddSection(const QString &caption, QToolButton *&button, int keyWidth, int valueWidth);
    // Puts the column into the scroll box; call after the last section.
    void Finish();

private:
    QScrollArea *m_scrollBox;
    QWidget *m_content;
    QVBoxLayout *m_column;
};
