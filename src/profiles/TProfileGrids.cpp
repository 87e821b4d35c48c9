#include "TProfileGrids.h"

#include "TProfile.h"
#include "TValueListEditor.h"

TProfileGrids::TProfileGrids(TValueListEditor *video, TValueListEditor *audio, TValueListEditor *advanced,
                             QObject *parent)
    : QObject(parent)
    , m_grids{video, audio, advanced}
{
    for (TValueListEditor *grid : m_grids)
        connect(grid, &TValueListEditor::MouseDown, this, &TProfileGrids::RepaintAll);
}

TValueListEditor *TProfileGrids::Grid(int sort) const
{
    return sort >= VideoSort && sort <= AdvancedSort ? m_grids[sort - VideoSort] : nullptr;
}

void TProfileGrids::Fill(const TProfile &profile)
{
    for (TValueListEditor *grid : m_grids) {
        grid->BeginUpdate();
        for (int row = grid->RowCount() - 1; row >= 0; --row)
            grid->DeleteRow(row);
    }
    for (const TProfileParameter &p : profile.Parameters) {
        TValueListEditor *grid = Grid(p.Sort);
        if (!grid)
            continue;
        const int row = grid->InsertRow(p.Name);
        grid->SetReadOnly(row, p.ReadOnly);
        if (p.IsList) {
            grid->SetPickList(row, p.CaptionItems());
            grid->SetValueAt(row, p.ShownValue());
            grid->SetReadOnly(row, true); // chosen from the list, never typed
        } else {
            grid->SetValueAt(row, p.Caption);
        }
    }
    for (TValueListEditor *grid : m_grids) {
        grid->EndUpdate();
        grid->setFixedHeight(RowPitch * grid->RowCount());
    }
}

void TProfileGrids::ShowInitialRows()
{
    const QStringList rows[] = {
        {QStringLiteral("Video Codec"), QStringLiteral("Video Size"), QStringLiteral("Bit Rate"),
         QStringLiteral("Frame Rate"), QStringLiteral("Aspect"), QStringLiteral("Disable Video")},
        {QStringLiteral("Audio Codec"), QStringLiteral("Audio Bitrate"), QStringLiteral("Sample Rate"),
         QStringLiteral("Channels"), QStringLiteral("Volumn"), QStringLiteral("Disable Audio")},
        {QStringLiteral("Bit Exact Algorithms"), QStringLiteral("Deinterlace")}};
    for (int g = 0; g < 3; ++g) {
        TValueListEditor *grid = m_grids[g];
        grid->BeginUpdate();
        for (int row = grid->RowCount() - 1; row >= 0; --row)
            grid->DeleteRow(row);
        for (const QString &key : rows[g])
            grid->InsertRow(key);
        grid->EndUpdate();
        grid->setFixedHeight(RowPitch * grid->RowCount());
    }
}

bool TProfileGrids::FindRow(int sort, const QString &name, QString &value, QStringList &pickList) const
{
    const TValueListEditor *grid = Grid(sort);
    int row = -1;
    if (!grid || !grid->FindRow(name, row))
        return false;
    value = grid->ValueAt(row);
    pickList = grid->PickList(row);
    return true;
}

void TProfileGrids::RepaintAll()
{
    for (TValueListEditor *grid : m_grids)
        grid->viewport()->update();
}
