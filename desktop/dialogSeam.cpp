#include "desktop/dialogSeam.h"

#include "desktop/browseFolder.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QUrl>

namespace {

TDialogSeam* gSeam = nullptr;

// "*.*" is every file on Windows; here that is "*" (many names have no dot).
QString QtPattern(const QString& pattern)
{
    return pattern == "*.*" ? QStringLiteral("*") : pattern;
}

QStringList RunFileDialog(QFileDialog& dialog)
{
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

QString First(const QStringList& names)
{
    return names.isEmpty() ? QString() : names.first();
}

} // namespace

QString QtFileFilter(const QString& filter)
{
    const QStringList parts = filter.split('|');
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts))
            patterns << QtPattern(p.trimmed());
        entries << QString("%1 (%2)").arg(parts[i], patterns.join(' '));
    }
    return entries.join(";;");
}

TDialogSeam& Dialogs()
{
    static TRealDialogs real;
    return gSeam ? *gSeam : real;
}

void SetDialogs(TDialogSeam* seam)
{
    gSeam = seam;
}

std::unique_ptr<QFileDialog> NewFileDialog(const QString& filter, QFileDialog::FileMode mode)
{
    auto dialog = std::make_unique<QFileDialog>();
    // Qt's own dialog: a desktop's native one may match the patterns in one letter case only.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFilter(dialog->filter() & ~QDir::CaseSensitive);
    dialog->setNameFilter(QtFileFilter(filter));
    dialog->setFileMode(mode);
    return dialog;
}

QStringList TRealDialogs::GetOpenFileNames(const QString& filter)
{
    return RunFileDialog(*NewFileDialog(filter, QFileDialog::ExistingFiles));
}

QString TRealDialogs::GetOpenFileName(const QString& filter)
{
    return First(RunFileDialog(*NewFileDialog(filter, QFileDialog::ExistingFile)));
}

QString TRealDialogs::GetSaveFileName(const QString& filter)
{
    const auto dialog = NewFileDialog(filter, QFileDialog::AnyFile);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    // No question before replacing: the caller may add ".zfl" and the file is replaced anyway.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    return First(RunFileDialog(*dialog));
}

QString TRealDialogs::BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder)
{
    return RunFolderBrowser(owner, title, initialFolder);
}

void TRealDialogs::ExecModal(QDialog& dialog)
{
    dialog.exec();
}

void TRealDialogs::ShowMessage(
    QWidget* owner, const QString& title, const QString& text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, owner);
    box.exec();
}

void TRealDialogs::ShowMessageNonModal(
    QWidget* owner, const QString& title, const QString& text, QMessageBox::Icon icon)
{
    auto* box = new QMessageBox(icon, title, text, QMessageBox::Ok, owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void TRealDialogs::OpenUrl(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}
