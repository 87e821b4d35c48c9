#include "FileChooser.h"

#include "OwnedWindows.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>

namespace {
FileChooser::FolderHook g_folderHook;
FileChooser::SaveHook g_saveHook;

// While a chooser is open every other window of the program is disabled.
class OtherWindowsDisabled
{
public:
    explicit OtherWindowsDisabled(QWidget *owner)
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && w->isEnabled() && w != owner) {
                w->setEnabled(false);
                m_disabled << w;
            }
        }
    }
    ~OtherWindowsDisabled()
    {
        for (QWidget *w : std::as_const(m_disabled))
            w->setEnabled(true);
    }

private:
    QList<QWidget *> m_disabled;
};
} // namespace

bool FileChooser::BrowseForFolder(QWidget *owner, const QString &title, const QString &root, const QString &preset,
                                  QString &folder)
{
    const QString start = QDir(preset).exists() && !preset.isEmpty() ? preset : root;
    QString chosen;
    if (g_folderHook) {
        chosen = g_folderHook(title, root, preset);
    } else {
        owner = OwnedWindows::UsableOwner(owner);
        OtherWindowsDisabled guard(owner);
        chosen = QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
    }
    if (chosen.isEmpty())
        return false;
    while (chosen.size() > 1 && chosen.endsWith(QLatin1Char('/')))
        chosen.chop(1);
    folder = chosen;
    return true;
}

namespace {

// A folder chooser that also accepts a file shown by its name filter: Qt's own directory mode
// turns every file down.
class DvdChooserDialog : public QFileDialog
{
public:
    using QFileDialog::QFileDialog;
    QString chosen;

protected:
    void accept() override
    {
        const QStringList selected = selectedFiles();
        const QFileInfo info(selected.isEmpty() ? QString() : selected.constFirst());
        if (info.isFile() && info.suffix().compare(QStringLiteral("iso"), Qt::CaseInsensitive) == 0) {
            chosen = info.absoluteFilePath();
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
        if (result() == QDialog::Accepted && !selectedFiles().isEmpty())
            chosen = selectedFiles().constFirst();
    }
};

} // namespace

bool FileChooser::BrowseForDvd(QWidget *owner, const QString &title, const QString &startFolder, QString &path)
{
    QString chosen;
    if (g_folderHook) {
        chosen = g_folderHook(title, QString(), startFolder);
    } else {
        owner = OwnedWindows::UsableOwner(owner);
        OtherWindowsDisabled guard(owner);
        DvdChooserDialog dialog(owner, title);
        dialog.setFileMode(QFileDialog::Directory);
        // Qt's own dialog: the system's may not let a file through a folder chooser.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setNameFilter(QStringLiteral("DVD folders and images (*.iso *.ISO)"));
        dialog.setDirectory(startFolder);
        if (dialog.exec() == QDialog::Accepted)
            chosen = dialog.chosen;
    }
    if (chosen.isEmpty())
        return false;
    while (chosen.size() > 1 && chosen.endsWith(QLatin1Char('/')))
        chosen.chop(1);
    path = chosen;
    return true;
}

QString FileChooser::SaveFileName(QWidget *owner, const QString &folder, const QString &filter,
                                  const QString &defaultSuffix)
{
    if (g_saveHook)
        return g_saveHook(folder, filter, defaultSuffix);
    QFileDialog dialog(OwnedWindows::UsableOwner(owner), QString(), folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void FileChooser::SetFolderHook(FolderHook hook)
{
    g_folderHook = std::move(hook);
}
void FileChooser::SetSaveHook(SaveHook hook)
{
    g_saveHook = std::move(hook);
}
