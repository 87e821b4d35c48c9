#include "TProfileValues.h"

#include "TIniFile.h"

TProfileValues TProfileValues::FromFile(const QString &profileFile)
{
    return TProfileValues(TProfile::Read(TIniFile(profileFile)));
}

bool TProfileValues::FindRow(int sort, const QString &name, QString &value, QStringList &pickList) const
{
    for (const TProfileParameter &p : m_profile.Parameters) {
        if (p.Sort == sort && p.Name.compare(name, Qt::CaseInsensitive) == 0) {
            value = p.ShownValue();
            pickList = p.IsList ? p.CaptionItems() : QStringList();
            return true;
        }
    }
    return false;
}
