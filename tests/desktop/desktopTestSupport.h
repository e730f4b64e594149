#pragma once
// The desktop program under test: a main window on the offscreen platform whose standard dialogs
// and message boxes are answered by the test (TScriptedDialogs), with a program folder of the
// test's own (profile file and a link to the real ffmpeg).
#include "testFiles.h"

#include "controls/FlatEditUnit.h"
#include "desktop/dialogSeam.h"
#include "desktop/fileDialogForm.h"
#include "desktop/fileListPresenter.h"
#include "desktop/itemManager.h"
#include "desktop/mainController.h"
#include "desktop/mainForm.h"
#include "desktop/skinFonts.h"
#include "engine/jobRunner.h"
#include "formats/profileList.h"
#include "platform/fileSystem.h"

#include <QDialog>
#include <QTimer>
#include <QUrl>

#include <csignal>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

struct TShownMessage {
    QString text;
    QMessageBox::Icon icon;
    bool modal;
};

class TScriptedDialogs : public TDialogSeam {
public:
    TScriptedDialogs() { SetDialogs(this); }
    ~TScriptedDialogs() override { SetDialogs(nullptr); }

    std::deque<QStringList> openFiles; // answers of the add-files dialog
    std::deque<QString> openFile; // of the import dialog
    std::deque<QString> saveFile; // of the export dialog
    std::deque<QString> folders; // of the folder browser
    // Acts on the next modal dialog once its loop runs; empty: the dialog closes by OK.
    std::deque<std::function<void(QDialog&)>> onModal;
    std::vector<TShownMessage> messages;
    std::vector<QUrl> urls;

    QStringList GetOpenFileNames(const QString&) override { return Take(openFiles); }
    QString GetOpenFileName(const QString&) override { return Take(openFile); }
    QString GetSaveFileName(const QString&) override { return Take(saveFile); }
    QString BrowseForFolder(QWidget*, const QString&, const QString&) override { return Take(folders); }
    void ExecModal(QDialog& dialog) override
    {
        auto act = Take(onModal);
        QTimer::singleShot(0, &dialog, [&dialog, act] {
            if (act)
                act(dialog);
            else if (auto* form = dynamic_cast<TFileDialogForm*>(&dialog))
                form->btnOkClick();
        });
        dialog.exec();
    }
    void ShowMessage(QWidget*, const QString&, const QString& text, QMessageBox::Icon icon) override
    {
        messages.push_back({ text, icon, true });
    }
    void ShowMessageNonModal(QWidget*, const QString&, const QString& text, QMessageBox::Icon icon) override
    {
        messages.push_back({ text, icon, false });
    }
    void OpenUrl(const QUrl& url) override { urls.push_back(url); }

private:
    template <class T> static T Take(std::deque<T>& queue)
    {
        if (queue.empty())
            return T();
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

// A program folder with two profiles (0: a quick AVI, 1: an endless conversion) and ffmpeg.
class TProgramFolder {
public:
    TProgramFolder()
    {
        const std::string ffmpeg = FindFfmpeg();
        symlink(ffmpeg.c_str(), dir.file("ffmpeg").c_str());
        WriteFileBytes(dir.file("command"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profiles>\r\n"
            "<p><format>AVI</format><params>-nostdin -n -v error -c:v mpeg4 -q:v "
            "10</params><ext>avi</ext></p>\r\n"
            "<p><format>endless</format><params>-nostdin -n -v error -vf loop=loop=-1:size=5 -c:v "
            "mpeg4</params>"
            "<ext>avi</ext></p>\r\n</profiles>\r\n");
    }
    static std::string FindFfmpeg() { return std::string(VIDMORPH_APP_DIR) + "/ffmpeg"; }
    // A tiny clip made with ffmpeg's test source.
    std::string MakeClip(const std::string& name) const
    {
        const std::string path = dir.file(name);
        const std::string make = "'" + FindFfmpeg()
            + "' -nostdin -v error -f lavfi -i "
              "testsrc=duration=0.4:size=64x48:rate=10 -y '"
            + path + "'";
        return std::system(make.c_str()) == 0 ? path : std::string();
    }
    TempDir dir;
};

// The main window as the program makes it, on the test's program folder.
struct TWindowUnderTest {
    TWindowUnderTest()
    {
        InstallSkinFonts();
        window = std::make_unique<TmainDlg>();
        Controller().Profiles().LoadProfiles(folder.dir.file("command"));
        Controller().JobRunner().SetProgramFolder(folder.dir.path());
        window->show();
    }
    TMainController& Controller() { return *window->Controller(); }
    TFileList& List();
    // The row's hint as the list view shows it (its model's tool tip).
    QString Hint(PVirtualNode node);
    TScriptedDialogs dialogs;
    TProgramFolder folder;
    std::unique_ptr<TmainDlg> window;
};
