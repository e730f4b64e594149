// The list control with the file list view: rows follow the store, the status bar's pixels, the
// hint, the context menu's rules, and start-up.
#include "desktopTestSupport.h"

#include "controls/MyFlatHintUnit.h"
#include "controls/imagebutton.h"
#include "desktop/fileListView.h"
#include "desktop/formKit.h"
#include "desktop/splashForm.h"
#include "desktop/startUp.h"
#include "platform/tick.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QImage Grab(QWidget* w)
{
    return w->grab().toImage();
}

} // namespace

TEST(FileTree, RowsFollowTheStoreAndPaintTheirStatusBarIconAndBackground)
{
    TWindowUnderTest w;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
    TFileListView& tree = *w.window->fileList;
    for (int i = 0; i < 3; ++i)
        AppendFileRow(w.List(), QString("/v/clip%1.avi").arg(i), 0, "");
    EXPECT_EQ(tree.model()->rowCount(), 3);
    EXPECT_EQ(tree.model()->index(1, 0).data().toString(), "/v/clip1.avi");
    EXPECT_EQ(tree.model()->index(1, 1).data().toString(), "");
    EXPECT_EQ(tree.model()->index(1, 0).data(Qt::ToolTipRole).toString(),
        "[File Name]: /v/clip1.avi\n[format]: AVI\n[path]: ");
    EXPECT_FALSE(tree.model()->index(1, 1).data(Qt::ToolTipRole).isValid()) << "column 1 has no hint";
    const QPoint over = tree.visualRect(tree.model()->index(1, 0)).center();
    QHelpEvent help(QEvent::ToolTip, over, tree.viewport()->mapToGlobal(over));
    QApplication::sendEvent(tree.viewport(), &help);
    ASSERT_NE(TMyFlatHint::HintWindow(), nullptr);
    EXPECT_TRUE(TMyFlatHint::HintWindow()->isVisible());
    EXPECT_EQ(TMyFlatHint::HintWindow()->Text(), "[File Name]: /v/clip1.avi\n[format]: AVI\n[path]: ");
    TMyFlatHint::HintFilter()->HideHint();
    QTest::mouseClick(
        tree.viewport(), Qt::LeftButton, {}, tree.visualRect(tree.model()->index(1, 0)).center());
    ASSERT_EQ(w.List().GetFirstSelected(), w.List().NodeAt(1)) << "a click selects";
    w.List().DeleteSelectedNodes();
    EXPECT_EQ(tree.model()->rowCount(), 2);
    EXPECT_EQ(tree.model()->index(1, 0).data().toString(), "/v/clip2.avi");
    EXPECT_EQ(w.List().GetFirstSelected(), nullptr) << "a delete selected the neighbour";
    EXPECT_FALSE(tree.selectionModel()->hasSelection());

    TItemNodeData& row = *TFileList::GetNodeData(w.List().NodeAt(0));
    row.Status = isConverting;
    tree.SetAnimationOffset(73);
    tree.StepAnimation(); // the last offset: the block ends at the bar's last pixel
    w.List().RepaintNode(w.List().NodeAt(0));
    const QImage shot = Grab(tree.viewport());
    const QRect cell = tree.visualRect(tree.model()->index(0, 1));
    const QColor bar(127, 157, 185);
    const QRect inner(cell.left() + 5, cell.top() + 5, cell.width() - 10, cell.height() - 10);
    EXPECT_EQ(shot.pixelColor(inner.left(), inner.center().y()), bar) << "left edge of the outline";
    EXPECT_EQ(shot.pixelColor(inner.right(), inner.top()), bar) << "top-right corner";
    EXPECT_EQ(shot.pixelColor(inner.left() + 2, inner.center().y()), ToQColor(formkit::kList))
        << "inside, left of the block";
    EXPECT_EQ(shot.pixelColor(inner.left() + 74, inner.center().y()), bar) << "block start";
    EXPECT_EQ(shot.pixelColor(inner.left() + 73, inner.center().y()), ToQColor(formkit::kList))
        << "just before the block";
    EXPECT_EQ(shot.pixelColor(inner.left() + 74 + 14, inner.center().y()), bar) << "block end";
    EXPECT_EQ(shot.pixelColor(inner.left() + 1, cell.top() + 4), ToQColor(formkit::kList)) << "above the bar";

    tree.StepAnimation();
    EXPECT_EQ(tree.AnimationOffset(), 0) << "the block starts again at the left";

    // The background picture sits in the bottom-right corner of the rows' area.
    EXPECT_EQ(tree.BackgroundOffset(), QPoint(tree.ClientWidth() - 256, tree.ClientHeight() - 256));
}

TEST(FileTree, ARightClickSelectsAndTheMenuComesOnlyInColumnZeroWhileIdle)
{
    TWindowUnderTest w;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
    TFileListView& tree = *w.window->fileList;
    AppendFileRow(w.List(), "/v/a.avi", 0, "");
    AppendFileRow(w.List(), "/v/b.avi", 0, "");
    QMenu* offered = nullptr;
    const auto menuAt = [&](int column) {
        const QRect r = tree.visualRect(tree.model()->index(1, column));
        QTest::mousePress(tree.viewport(), Qt::RightButton, {}, r.center());
        QTest::mouseRelease(tree.viewport(), Qt::RightButton, {}, r.center());
        offered = w.Controller().ListPresenter().MenuFor(w.List().NodeAt(1), column);
    };
    menuAt(0);
    EXPECT_EQ(w.List().GetFirstSelected(), w.List().NodeAt(1));
    EXPECT_EQ(w.List().FocusedNode(), w.List().NodeAt(1));
    EXPECT_EQ(offered, w.window->listMenu);
    menuAt(1);
    EXPECT_EQ(offered, nullptr) << "column 1";

    const std::string clip = w.folder.MakeClip("busy.avi");
    TFileList::GetNodeData(w.List().NodeAt(0))->ItemData.FileName = QString::fromStdString(clip);
    TFileList::GetNodeData(w.List().NodeAt(0))->ItemData.ProfileIndex = 1; // endless
    TFileList::GetNodeData(w.List().NodeAt(0))->ItemData.OutputFolder
        = QString::fromStdString(w.folder.dir.path() + "/o/");
    w.Controller().btnConvertClick();
    menuAt(0);
    EXPECT_EQ(offered, nullptr) << "while converting";
    // A double click shows the properties while converting; its OK changes nothing.
    w.dialogs.onModal.push_back([](QDialog& d) {
        static_cast<TFileDialogForm&>(d).profileBox->setCurrentIndex(0);
        static_cast<TFileDialogForm&>(d).btnOkClick();
    });
    w.List().SetFocusedNode(w.List().NodeAt(0));
    emit tree.columnDoubleClicked(0);
    EXPECT_EQ(TFileList::GetNodeData(w.List().NodeAt(0))->ItemData.ProfileIndex, 1);
    w.Controller().btnStopClick();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.window->btnConvert->Enabled(); }, 60000));
}

TEST(StartUp, TheSplashStaysASecondAndGoesOnceTheMainWindowExists)
{
    bool splashShownMidway = false;
    QTimer::singleShot(500, [&] { splashShownMidway = SplashDlg && SplashDlg->isVisible(); });
    const uint32_t start = platform::GetTickCount();
    TmainDlg* window = StartUp();
    EXPECT_GE(platform::TicksBetween(start, platform::GetTickCount()), kSplashMilliseconds);
    EXPECT_TRUE(splashShownMidway);
    EXPECT_EQ(SplashDlg, nullptr);
    EXPECT_EQ(mainDlg, window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), kApplicationTitle);
    EXPECT_EQ(window->size(), QSize(861, 529));
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    window->close(); // frees the window and its controller
    EXPECT_TRUE(QTest::qWaitFor([] { return mainDlg == nullptr; }, 5000));
}
