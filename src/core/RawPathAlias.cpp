#include "core/RawPathAlias.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QPair>
#include <QTemporaryDir>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Links
{
    std::unique_ptr<QTemporaryDir> folder;
    QList<QPair<QString, QString>> shown; // link path, the path it stands for as shown
};

Links &AllLinks()
{
    static Links links;
    return links;
}

bool IsUtf8(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

// A link to `raw`, or empty where none can be made.
QString LinkTo(const QByteArray &raw)
{
    Links &links = AllLinks();
    if (!links.folder) {
        links.folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/quarnel-paths-XXXXXX"));
        if (!links.folder->isValid())
            return {};
    }
    // Absolute, so that the link leads to the same place from anywhere.
    QByteArray target = raw;
    if (!target.startsWith('/')) {
        char here[4096];
        if (!::getcwd(here, sizeof here))
            return {};
        target = QByteArray(here) + '/' + target;
    }
    const QString link = links.folder->filePath(QString::number(links.shown.size() + 1));
    if (::symlink(target.constData(), QFile::encodeName(link).constData()) != 0)
        return {};
    // A trailing separator stays: "folder/" says the same as before.
    const QString shownLink = raw.endsWith('/') ? link + QLatin1Char('/') : link;
    links.shown.append({shownLink, QString::fromLocal8Bit(raw)});
    return shownLink;
}

} // namespace

QStringList RawPathAlias::ProgramArguments(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        struct stat info;
        QString link;
        if (!IsUtf8(raw) && ::stat(raw.constData(), &info) == 0)
            link = LinkTo(raw);
        arguments << (link.isEmpty() ? QString::fromLocal8Bit(raw) : link);
    }
    return arguments;
}

QString RawPathAlias::Shown(const QString &text)
{
    QString shown = text;
    for (const auto &[link, path] : AllLinks().shown) {
        QString bare = link;
        if (bare.endsWith(QLatin1Char('/')))
            bare.chop(1);
        QString bareShown = path;
        if (bareShown.endsWith(QLatin1Char('/')))
            bareShown.chop(1);
        shown.replace(bare, bareShown);
    }
    return shown;
}
