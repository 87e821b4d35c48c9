#pragma once

#include <QString>
#include <QStringList>

// The hidden files and folders a run keeps in the work folder while it needs them (a sample of
// pictures, the tools' own folder). Their names carry the process's id, so that a later run
// removes what a run ended outright (kill -9, a power cut) left behind, and leaves a live
// run's alone.

// A name pattern for QTemporaryFile/QTemporaryDir: folder/.quarnel-kind.PID-XXXXXX + ext.
QString HiddenWorkFileTemplate(const QString &folder, const QString &kind, const QString &ext = QString());

// Whether process `pid`, named in a file of the user's, is gone for sure.
bool IsWriterGone(qint64 pid);

// Removes the hidden work files and folders in `folder` whose process is gone; the paths removed.
QStringList RemoveStaleHiddenWorkFiles(const QString &folder);
