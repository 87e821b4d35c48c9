#include "ProgramInfo.h"

namespace {
QString g_version = QStringLiteral("2.0");
} // namespace

void ProgramInfo::InitProductInfo(const QString &version)
{
    g_version = version;
}

QString ProgramInfo::ProductName()
{
    return QStringLiteral("Quarnel");
}
QString ProgramInfo::ProductVersion()
{
    return g_version;
}
QString ProgramInfo::WebsiteUrl()
{
    return QStringLiteral("https://quarnel.example.org/");
}

QString ProgramInfo::MainCaption()
{
    return ProductName() + QStringLiteral(" V") + ProductVersion();
}

QString ProgramInfo::HeaderName(const QString &productName)
{
    const qsizetype blank = productName.indexOf(QLatin1Char(' '));
    return blank < 0 ? productName : productName.mid(blank + 1);
}
