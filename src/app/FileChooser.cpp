#include "FileChooser.h"

#include "OwnedWindows.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
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

QString FileChooser::SaveFileName(QWidget *owner, const QString &filter, const QString &defaultSuffix)
{
    if (g_saveHook)
        return g_saveHook(filter, defaultSuffix);
    QFileDialog dialog(OwnedWindows::UsableOwner(owner));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void FileChooser::SetFolderHook(FolderHook hook) { g_folderHook = std::move(hook); }
void FileChooser::SetSaveHook(SaveHook hook) { g_saveHook = std::move(hook); }
