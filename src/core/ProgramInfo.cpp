#include "ProgramInfo.h"

namespace {
QString g_version = QStringLiteral("2.0");
QString g_helpFile;
} // namespace

void ProgramInfo::InitProductInfo(const QString &appDir, const QString &version)
{
    g_version = version;
    g_helpFile = appDir + QStringLiteral("quarnel.chm");
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
QString ProgramInfo::HelpFile()
{
    return g_helpFile;
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
