#include "desktop/mainForm.h"

#include "controls/FSProgressBar.h"
#include "controls/LinePanelUnit.h"
#include "controls/MyButtonEx.h"
#include "controls/MyFlatHintUnit.h"
#include "controls/imagebutton.h"
#include "desktop/fileListView.h"
#include "desktop/formKit.h"
#include "desktop/mainController.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>

using namespace formkit;

TmainDlg* mainDlg = nullptr;

namespace {

// "&Add" drawn as "Add" with the A underlined (the label has no focus target, so no shortcut).
QString Underlined(const QString& caption)
{
    const int amp = caption.indexOf('&');
    if (amp < 0 || amp + 1 >= caption.size())
        return caption.toHtmlEscaped();
    return (caption.left(amp) + "<u>" + caption.mid(amp + 1, 1) + "</u>" + caption.mid(amp + 2));
}

QLabel* ToolCaption(QWidget* parent, QPoint at, const QString& caption, int pixelHeight)
{
    QLabel* label = FormLabel(parent, QRect(at, QSize()), QString(), pixelHeight, kCaption, true);
    label->setTextFormat(Qt::RichText);
    label->setText(Underlined(caption));
    label->adjustSize();
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}

QLabel* StatusLine(QWidget* parent, QRect r, const QString& text, TColor color, bool italic)
{
    QLabel* label = FormLabel(parent, r, text, 12, color, false, Qt::AlignRight);
    QFont f = label->font();
    f.setItalic(italic);
    label->setFont(f);
    return label;
}

} // namespace

TmainDlg::TmainDlg()
{
    mainDlg = this;
    InitSkinResources();
    setWindowTitle(kApplicationTitle);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    SkinFont(this, 12, clWindowText);
    SetBackground(this, kWindow);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    headerPicture = FormPicture(this, QRect(0, 0, 400, 200), "header.png");
    CreateToolBar();
    CreateBottom();
    CreateListPage();
    CreatePopupMenu();

    listImage = &StatusIconList();
    flatHint = new TMyFlatHint(this);
    flatHint->SetColorBackground(clInfoBk);
    flatHint->SetColorArrowBackground(clInfoBk);
    flatHint->SetColorArrow(kCaption);
    QFont hintFont(kSkinFamily);
    hintFont.setPixelSize(16);
    flatHint->SetFont(hintFont);
    flatHint->SetFontColor(kCaption);
    flatHint->SetBidiMode(bdLeftToRight);
    fileList->SetImages(listImage);

    FormCreate();
}

TmainDlg::~TmainDlg()
{
    FormDestroy();
    if (mainDlg == this)
        mainDlg = nullptr;
}

void TmainDlg::FormCreate()
{
    controller_ = std::make_unique<TMainController>(*this);
    controller_->Setup();
}

void TmainDlg::FormDestroy()
{
    controller_.reset();
}

void TmainDlg::CreateToolBar()
{
    btnAdd = FormImageButton(this, QRect(16, 16, 112, 101), "add");
    btnAdd->setToolTip("add video files");
    lbAdd = ToolCaption(this, QPoint(60, 96), "&Add", 13);
    bottomStrip = FormPicture(this, QRect(0, kClientHeight - 21, kClientWidth, 21), "bottomStrip.png", true);
    progressBar = new TFSProgressBar(this);
    progressBar->setGeometry(16, 432, 828, 17);
    progressBar->SetColorScheme(csCustom);
    progressBar->SetColorBorder(0xE3B28D);
    progressBar->SetBackColorFace(0xC6ECFF);
    progressBar->SetBackColorGrad(clWhite);
    progressBar->SetForeColorFace(0x9BDEFF);
    progressBar->SetForeColorGrad(0x007BB7);
    progressBar->SetMin(0);
    progressBar->SetMax(100);
    progressBar->SetPosition(0);
    progressBar->SetStep(10);
    progressBar->SetOrientation(pbHorizontal);
    // Sized to its text from its left edge; only lbTimer and lbCount have a fixed size.
    lbUpdate = FormLabel(this, QRect(740, 8, 0, 0), "check for updates", 12, clWhite, true, Qt::AlignRight);
    QFont f = lbUpdate->font();
    f.setItalic(true);
    f.setUnderline(true);
    lbUpdate->setFont(f);
    lbUpdate->adjustSize();
    lbUpdate->setCursor(Qt::PointingHandCursor);
    sizeGrip = FormPicture(this, QRect(849, 517, 11, 11), "grip.png");
    btnConvert = FormImageButton(this, QRect(144, 16, 112, 101), "convert");
    btnConvert->setToolTip("start converting");
    lbConvert = ToolCaption(this, QPoint(176, 96), "&Convert", 13);
    lbTimer = StatusLine(this, QRect(600, 456, 244, 18), "timestamp: 00:00:00", clWhite, true);
    btnStop = FormImageButton(this, QRect(272, 16, 112, 101), "stop");
    btnStop->setToolTip("stop converting");
    lbStop = ToolCaption(this, QPoint(315, 96), "&Stop", 13);
    btnSupport = FormImageButton(this, QRect(400, 16, 112, 101), "support");
    btnSupport->setToolTip("online support");
    lbSupport = ToolCaption(this, QPoint(432, 96), "S&upport", 13);
}

void TmainDlg::CreateBottom()
{
    btnImport = FormPushButton(this, QRect(16, 456, 121, 41), "&Import");
    btnImport->setToolTip("load list from a disk file");
    btnExport = FormPushButton(this, QRect(144, 456, 121, 41), "&Export");
    btnExport->setToolTip("save list to a disk file");
    setTabOrder(btnImport, btnExport);
}

void TmainDlg::CreateListPage()
{
    listPanel = FormLinePanel(this, QRect(16, 136, 828, 289), kPanel, 0);
    btnOption = FormImageButton(listPanel, QRect(73, 14, 66, 29), "tab");
    btnOption->hide();
    btnList = FormImageButton(listPanel, QRect(8, 14, 66, 29), "tab");
    tabLine = new QFrame(listPanel);
    tabLine->setGeometry(0, 39, 828, 1);
    SetBackground(tabLine, kLine);
    lbList = ToolCaption(listPanel, QPoint(32, 21), "List", 11);
    lbOption = ToolCaption(listPanel, QPoint(88, 21), "Option", 11);
    lbOption->hide();
    lbCount = FormLabel(
        listPanel, QRect(576, 8, 244, 18), "0 files finished 0 of 0", 12, kCaption, false, Qt::AlignRight);
    fileList = new TFileListView(listPanel);
    fileList->setGeometry(0, 40, 828, 249);
    SkinFont(fileList, 16, kEntryText);
    fileList->SetBackground(QImage(":/skin/listBackground.png"));
    optionPage = FormLinePanel(listPanel, QRect(0, 40, 828, 249), kList, 0);
    optionPage->hide();
}

void TmainDlg::CreatePopupMenu()
{
    listMenu = new QMenu(this);
    auto item = [this](const QString& caption, const QString& hint) {
        QAction* action = listMenu->addAction(caption);
        action->setStatusTip(hint);
        return action;
    };
    pmiDelete = item("&Delete", "delete selected item");
    pmiClear = item("&Clear", "clear all items");
    menuSeparator = item("-", QString());
    pmiProperties = item("&Properties", "show properties");
}
