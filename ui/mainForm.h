#pragma once
// TmainDlg, the main window: every control at its place. It has no behaviour of its own beyond
// creating the controller (TUIHook) when it is created and freeing it when it is destroyed; the
// controller wires every button, label and menu item.
#include <QWidget>

#include <memory>

class QAction;
class QLabel;
class QMenu;
class QFrame;
class TFSProgressBar;
class TFileTree;
class TImageButton;
class TLinePanel;
class TMyButtonEx;
class TMyFlatHint;
class TPngImageList;
class TUIHook;

// The application title: main window caption and message box caption.
inline constexpr const char* kApplicationTitle = "Zantro Vidmorph for Palomar";

class TmainDlg : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 861;
    static constexpr int kClientHeight = 529;

    // Builds the form, then FormCreate. mainDlg refers to the window from the start.
    TmainDlg();
    // FormDestroy first: the controller goes before the controls.
    ~TmainDlg() override;

    QLabel* Image1;
    TImageButton* btnAdd;
    QLabel* lbAdd;
    QLabel* Image2;
    TFSProgressBar* ProgressBar1;
    QLabel* lbUpdate;
    QLabel* Image3;
    TImageButton* btnConvert;
    QLabel* lbConvert;
    QLabel* lbTimer;
    TImageButton* btnStop;
    QLabel* lbStop;
    TImageButton* btnSupport;
    QLabel* lbSupport;
    TMyButtonEx* btnImport;
    TMyButtonEx* btnExport;
    TLinePanel* LinePanel1;
    TImageButton* btnOption;
    TImageButton* btnList;
    QFrame* Shape1;
    QLabel* lbList;
    QLabel* lbOption;
    QLabel* lbCount;
    TFileTree* FileTree1;
    TLinePanel* LinePanel2;

    const TPngImageList* listImage;
    TMyFlatHint* MyFlatHint1;
    QMenu* PopupMenu1;
    QAction* pmiDelete;
    QAction* pmiClear;
    QAction* N1;
    QAction* pmiProperties;

    TUIHook* Hook() const { return hook_.get(); }

private:
    void CreateToolBar();
    void CreateListPage();
    void CreateBottom();
    void CreatePopupMenu();
    void FormCreate();
    void FormDestroy();

    std::unique_ptr<TUIHook> hook_;
};

// The main window while it exists (set before its creation handler runs).
extern TmainDlg* mainDlg;
