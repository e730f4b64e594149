#pragma once
// TmainDlg, the main window: every control at its place. It has no behaviour of its own beyond
// creating the controller (TMainController) when it is created and freeing it when it is destroyed; the
// controller wires every button, label and menu item.
#include <QWidget>

#include <memory>

class QAction;
class QLabel;
class QMenu;
class QFrame;
class TFSProgressBar;
class TFileListView;
class TImageButton;
class TLinePanel;
class TMyButtonEx;
class TMyFlatHint;
class TPngImageList;
class TMainController;

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

    QLabel* headerPicture;
    TImageButton* btnAdd;
    QLabel* lbAdd;
    QLabel* bottomStrip;
    TFSProgressBar* progressBar;
    QLabel* lbUpdate;
    QLabel* sizeGrip;
    TImageButton* btnConvert;
    QLabel* lbConvert;
    QLabel* lbTimer;
    TImageButton* btnStop;
    QLabel* lbStop;
    TImageButton* btnSupport;
    QLabel* lbSupport;
    TMyButtonEx* btnImport;
    TMyButtonEx* btnExport;
    TLinePanel* listPanel;
    TImageButton* btnOption;
    TImageButton* btnList;
    QFrame* tabLine;
    QLabel* lbList;
    QLabel* lbOption;
    QLabel* lbCount;
    TFileListView* fileList;
    TLinePanel* optionPage;

    const TPngImageList* listImage;
    TMyFlatHint* flatHint;
    QMenu* listMenu;
    QAction* pmiDelete;
    QAction* pmiClear;
    QAction* menuSeparator;
    QAction* pmiProperties;

    TMainController* Controller() const { return controller_.get(); }

private:
    void CreateToolBar();
    void CreateListPage();
    void CreateBottom();
    void CreatePopupMenu();
    void FormCreate();
    void FormDestroy();

    std::unique_ptr<TMainController> controller_;
};

// The main window while it exists (set before its creation handler runs).
extern TmainDlg* mainDlg;
