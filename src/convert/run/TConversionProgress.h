#pragma once

#include <QMetaType>
#include <QString>

// Everything the progress panel shows, ready to be copied into its controls.
struct TConversionProgress
{
    int CurrentBar = 0; // 0..100
    int TotalBar = 0; // 0..100
    QString CurProgressText = QStringLiteral("0%");
    QString TotalProgressText = QStringLiteral("0%");
    QString FrameText; // frames shown + " / " + total frames
    QString ElapsedText; // "00:00:00"; empty before the first tick
    QString RemainingText;

    bool operator==(const TConversionProgress &o) const
    {
        return CurrentBar == o.CurrentBar && TotalBar == o.TotalBar && CurProgressText == o.CurProgressText
            && TotalProgressText == o.TotalProgressText && FrameText == o.FrameText && ElapsedText == o.ElapsedText
            && RemainingText == o.RemainingText;
    }
    bool operator!=(const TConversionProgress &o) const { return !(*this == o); }
};

Q_DECLARE_METATYPE(TConversionProgress)
