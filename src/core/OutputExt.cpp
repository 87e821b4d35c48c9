#include "OutputExt.h"

namespace {
QString g_outputExt;
}

QString OutputExt()
{
    return g_outputExt;
}
void SetOutputExt(const QString &extension)
{
    g_outputExt = extension;
}
