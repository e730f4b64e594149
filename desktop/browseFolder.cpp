#include "desktop/browseFolder.h"

#include <QFileDialog>

QString RunFolderBrowser(QWidget* owner, const QString& title, const QString& initialFolder)
{
    return QFileDialog::getExistingDirectory(owner, title, initialFolder, QFileDialog::ShowDirsOnly);
}

QString WithTrailingSlash(const QString& folder)
{
    return folder.isEmpty() || folder.endsWith('/') ? folder : folder + '/';
}
