#include "ui/dialogSeam.h"

#include "ui/BrowseFolder.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QUrl>

namespace {

TDialogSeam* gSeam = nullptr;

QString CaseFreePattern(const QString& pattern)
{
    if (pattern == "*.*")
        return "*";
    QString out;
    for (QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            out += QString("[%1%2]").arg(c.toLower()).arg(c.toUpper());
        else
            out += c;
    }
    return out;
}

} // namespace

QString QtFileFilter(const QString& filter)
{
    const QStringList parts = filter.split('|');
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts))
            patterns << CaseFreePattern(p.trimmed());
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

QStringList TRealDialogs::GetOpenFileNames(const QString& filter)
{
    return QFileDialog::getOpenFileNames(nullptr, QString(), QString(), QtFileFilter(filter));
}

QString TRealDialogs::GetOpenFileName(const QString& filter)
{
    return QFileDialog::getOpenFileName(nullptr, QString(), QString(), QtFileFilter(filter));
}

QString TRealDialogs::GetSaveFileName(const QString& filter)
{
    // No question before replacing: the caller may add ".zfl" and the file is replaced anyway.
    return QFileDialog::getSaveFileName(
        nullptr, QString(), QString(), QtFileFilter(filter), nullptr, QFileDialog::DontConfirmOverwrite);
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
