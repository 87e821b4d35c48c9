#include "TProfile.h"

#include "TNewInifile.h"
#include "TParameterGrids.h"

void TProfile::Add(TProfileParameter parameter)
{
    if (parameter.Sort < TParameterGrids::VideoSort || parameter.Sort > TParameterGrids::AdvancedSort)
        return;
    for (const TProfileParameter &known : std::as_const(Parameters)) {
        if (known.Name.compare(parameter.Name, Qt::CaseInsensitive) == 0)
            return;
    }
    Parameters.append(std::move(parameter));
}

void TProfile::WriteBack(TNewInifile &ini, const TParameterGrids &grids)
{
    const TProfile profile = Read(ini);
    for (const TProfileParameter &p : profile.Parameters) {
        if (p.ReadOnly)
            continue;
        QString value;
        QStringList pickList;
        // A parameter added to the file after the grids were filled has no row to take from.
        if (!grids.FindRow(p.Sort, p.Name, value, pickList))
            continue;
        if (p.IsList) {
            int index = -1;
            for (int i = 0; i < pickList.size() && index < 0; ++i) {
                if (pickList.at(i).compare(value, Qt::CaseInsensitive) == 0)
                    index = i;
            }
            ini.WriteInteger(p.Name, QStringLiteral("Index"), index);
        } else {
            ini.WriteString(p.Name, QStringLiteral("Caption"), value);
            ini.WriteString(p.Name, QStringLiteral("Value"), value);
        }
    }
}

QString TProfile::OutputExtension() const
{
    bool usable = !Type.isEmpty();
    for (const QChar c : Type) {
        if (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control || c.isNull())
            usable = false;
    }
    return QLatin1Char('.') + (usable ? Type : QStringLiteral("mp4"));
}
