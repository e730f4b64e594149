#pragma once
// Every standard dialog, message box and web page the desktop program opens goes through one
// process-wide seam, so GUI tests can answer them without a person. The production program uses
// the real dialogs (TRealDialogs); tests install their own and restore it afterwards.
#include <QFileDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <memory>

class QDialog;
class QUrl;
class QWidget;

class TDialogSeam {
public:
    virtual ~TDialogSeam() = default;
    // filter: description|patterns pairs separated by '|' (see QtFileFilter). Empty: cancelled.
    virtual QStringList GetOpenFileNames(const QString& filter) = 0;
    virtual QString GetOpenFileName(const QString& filter) = 0;
    virtual QString GetSaveFileName(const QString& filter) = 0;
    // A folder without a trailing '/', or empty when cancelled.
    virtual QString BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder) = 0;
    // Shows one of the program's own dialogs modally and returns when it is closed.
    virtual void ExecModal(QDialog& dialog) = 0;
    // A modal message box with one OK button.
    virtual void ShowMessage(
        QWidget* owner, const QString& title, const QString& text, QMessageBox::Icon icon)
        = 0;
    // A message box that does not wait: the call returns at once. It closes with its owner.
    virtual void ShowMessageNonModal(
        QWidget* owner, const QString& title, const QString& text, QMessageBox::Icon icon)
        = 0;
    virtual void OpenUrl(const QUrl& url) = 0;
};

class TRealDialogs : public TDialogSeam {
public:
    QStringList GetOpenFileNames(const QString& filter) override;
    QString GetOpenFileName(const QString& filter) override;
    QString GetSaveFileName(const QString& filter) override;
    QString BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder) override;
    void ExecModal(QDialog& dialog) override;
    void ShowMessage(
        QWidget* owner, const QString& title, const QString& text, QMessageBox::Icon icon) override;
    void ShowMessageNonModal(
        QWidget* owner, const QString& title, const QString& text, QMessageBox::Icon icon) override;
    void OpenUrl(const QUrl& url) override;
};

// The current seam (the real dialogs unless a test replaced them).
TDialogSeam& Dialogs();
// Replaces the seam (not owned); nullptr restores the real dialogs.
void SetDialogs(TDialogSeam* seam);

// "Desc|*.a;*.b|All|*.*" in Qt's form "Desc (*.a *.b);;All (*)".
QString QtFileFilter(const QString& filter);
// The file dialog the real seam runs, with that filter: Qt's own dialog, whose patterns match
// names in any letter case ("*.mpg" takes "CLIP.MPG").
std::unique_ptr<QFileDialog> NewFileDialog(const QString& filter, QFileDialog::FileMode mode);
