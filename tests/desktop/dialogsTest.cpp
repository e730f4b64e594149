// The properties dialog through the list, and the Add Files dialog's folder and profile lines.
#include "desktopTestSupport.h"

#include "controls/FlatEditUnit.h"
#include "controls/MyButtonEx.h"
#include "controls/MyFlatHintUnit.h"
#include "controls/MyListBox.h"
#include "desktop/addForm.h"
#include "desktop/fileListPresenter.h"
#include "desktop/fileListView.h"
#include "desktop/itemForm.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QListView>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

TEST(PropertiesDialog, OkStoresTheChoiceWhileCancelEscapeAndTheCloseBoxKeepTheRow)
{
    TWindowUnderTest w;
    const std::string clip = w.folder.MakeClip("p.avi");
    w.dialogs.openFiles.push_back({ QString::fromStdString(clip) });
    w.Controller().btnAddClick(); // profile 0, global folder
    PVirtualNode node = w.List().NodeAt(0);
    ASSERT_NE(node, nullptr);
    w.List().SetFocusedNode(node);
    const TItemNodeData& data = *TFileList::GetNodeData(node);

    auto change = [&](std::function<void(TItemDlg&)> close) {
        w.dialogs.folders.push_back(QString::fromStdString(w.folder.dir.path()));
        w.dialogs.onModal.push_back([close](QDialog& d) {
            auto& dialog = static_cast<TItemDlg&>(d);
            dialog.profileBox->setCurrentIndex(1);
            dialog.btDirectoryClick();
            close(dialog);
        });
        w.window->pmiProperties->trigger();
    };
    change([](TItemDlg& d) { d.btnCancelClick(); });
    change([](TItemDlg& d) { QTest::keyClick(d.etDirectory, Qt::Key_Escape); });
    change([](TItemDlg& d) { d.close(); });
    EXPECT_EQ(data.ItemData.ProfileIndex, 0);
    EXPECT_EQ(data.ItemData.OutputFolder, "");

    QStringList info;
    change([&info](TItemDlg& d) {
        info = d.InfoLines();
        d.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
        QTest::keyClick(&d, Qt::Key_O, Qt::AltModifier); // the OK button's accelerator
    });
    EXPECT_EQ(info,
        QStringList({ "file name: p.avi",
            QString("file size: %1 Bytes").arg(static_cast<qlonglong>(platform::FileSize(clip))) }));
    EXPECT_EQ(data.ItemData.ProfileIndex, 1);
    EXPECT_EQ(data.ItemData.OutputFolder, QString::fromStdString(w.folder.dir.path() + "/"));

    // A profile index that names no profile: no selection, an empty name in the hint, no error.
    TFileList::GetNodeData(node)->ItemData.ProfileIndex = 7;
    EXPECT_EQ(w.Hint(node).split('\n')[1], "[format]: ");
    int shown = -2;
    w.dialogs.onModal.push_back([&shown](QDialog& d) {
        shown = static_cast<TItemDlg&>(d).profileBox->currentIndex();
        static_cast<TItemDlg&>(d).btnOkClick();
    });
    w.window->pmiProperties->trigger();
    EXPECT_EQ(shown, -1);
    EXPECT_EQ(data.ItemData.ProfileIndex, -1);
    EXPECT_TRUE(w.dialogs.messages.empty());

    std::remove(clip.c_str()); // a vanished source file: an error box, no dialog
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
    TFileListView& tree = *w.window->fileList;
    QTest::mouseDClick(
        tree.viewport(), Qt::LeftButton, {}, tree.visualRect(tree.model()->index(0, 0)).center());
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_TRUE(w.dialogs.messages[0].text.contains("p.avi"));
}

TEST(AddDialog, ProfileAndFolderRewriteOnlyTheirLinesAndACancelledBrowserKeepsTheFolder)
{
    TScriptedDialogs dialogs;
    TaddDlg dialog({ "first", "second" });
    dialog.Fill({ "/v/a.mpg", "/v/b.mpg" });
    const QStringList before = dialog.InfoLines();
    EXPECT_EQ(before[1], "format: first");
    EXPECT_EQ(before[2], "save to: use global path");
    // The file list is a white list box in its white frame, not the form's blue.
    const QImage list = dialog.fileListBox->grab().toImage();
    EXPECT_EQ(list.pixelColor(list.width() / 2, list.height() - 3), QColor(Qt::white));
    EXPECT_EQ(dialog.fileListBox->palette().color(QPalette::Base), QColor(Qt::white));
    dialog.profileBox->setCurrentIndex(1);
    EXPECT_EQ(dialog.InfoLines()[1], "format: second");
    EXPECT_EQ(dialog.InfoLines()[0], before[0]);
    EXPECT_EQ(dialog.InfoLines()[2], before[2]);

    dialogs.folders = { "/", "", "/media/Videos" };
    dialog.btDirectoryClick();
    EXPECT_EQ(dialog.Folder(), "/");
    dialog.btDirectoryClick(); // cancelled: the chosen folder stays, and the line says so
    EXPECT_EQ(dialog.Folder(), "/");
    EXPECT_EQ(dialog.InfoLines()[2], "save to: /");
    dialog.btDirectoryClick();
    EXPECT_EQ(dialog.Folder(), "/media/Videos/");
    EXPECT_EQ(dialog.InfoLines()[2], "save to: /media/Videos/");
    EXPECT_EQ(dialog.InfoLines().size(), 5);

    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.infoBox->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(dialog.btnOk->hasFocus()) << "the information box kept the focus";
    EXPECT_FALSE(dialog.OkFlag());
}

TEST(FileDialogs, TheFolderFieldsHintNamesTheGlobalOutputFolderInBothDialogs)
{
    TWindowUnderTest w;
    const std::string clip = w.folder.MakeClip("h.avi");
    const QString expected = "global path: " + platform::FromAnsi(platform::GlobalOutputFolder());
    std::vector<QString> shown;
    auto hover = [&shown](QDialog& d) {
        auto& form = static_cast<TFileDialogForm&>(d);
        QWidget* field = form.etDirectory;
        const QPoint at = field->rect().center();
        QHelpEvent help(QEvent::ToolTip, at, field->mapToGlobal(at));
        QApplication::sendEvent(field, &help);
        TMyFlatHintWindow* hint = TMyFlatHint::HintWindow();
        shown.push_back(hint && hint->isVisible() ? hint->Text() : QString());
        form.btnOkClick();
    };
    w.dialogs.openFiles.push_back({ QString::fromStdString(clip) });
    w.dialogs.onModal.push_back(hover);
    w.Controller().btnAddClick();
    w.List().SetFocusedNode(w.List().NodeAt(0));
    w.dialogs.onModal.push_back(hover);
    w.window->pmiProperties->trigger();
    EXPECT_EQ(shown, std::vector<QString>({ expected, expected }));
}

TEST(FileDialogs, TheAddFilterReadsAsPatternsAndTakesNamesInAnyLetterCase)
{
    TempDir dir;
    for (const char* name : { "CLIP.MP4", "Old.Mpg", "notes.txt" })
        WriteFileBytes(dir.file(name), "x");
    const auto dialog = NewFileDialog(TMainController::kAddFilter, QFileDialog::ExistingFiles);
    const QStringList filters = dialog->nameFilters();
    ASSERT_EQ(filters.size(), 2);
    EXPECT_TRUE(filters[0].startsWith("All Supported Formats (*.mpg *.mpeg *.wmv "))
        << filters[0].toStdString();
    EXPECT_FALSE(filters[0].contains('['));
    EXPECT_EQ(filters[1], "All Files (*)");

    dialog->setDirectory(QString::fromStdString(dir.path()));
    dialog->show();
    const QListView* view = dialog->findChild<QListView*>("listView");
    ASSERT_NE(view, nullptr);
    auto shown = [view] {
        QStringList names;
        for (int i = 0; i < view->model()->rowCount(view->rootIndex()); ++i)
            names << view->model()->index(i, 0, view->rootIndex()).data().toString();
        return names;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown().contains("CLIP.MP4") && shown().contains("Old.Mpg"); }))
        << shown().join(", ").toStdString();
    EXPECT_FALSE(shown().contains("notes.txt"));
}
