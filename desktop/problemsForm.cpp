#include "desktop/problemsForm.h"

#include "controls/LinePanelUnit.h"
#include "controls/MyButtonEx.h"
#include "desktop/formKit.h"

#include <QBoxLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

using namespace formkit;

namespace {

constexpr int kMargin = 8; // pixels between the form's edge, the panel and the button
constexpr int kMessageGap = 6; // pixels below each message, so wrapped ones stay apart

QTextEdit* MessageList(TLinePanel* panel)
{
    auto* list = new QTextEdit(panel);
    list->setReadOnly(true); // still selectable, so a message can be copied
    list->setFrameShape(QFrame::NoFrame);
    list->setAcceptRichText(false);
    list->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere); // long paths wrap
    SkinFont(list, 14, kCaption);
    QPalette pal = list->palette();
    pal.setColor(QPalette::Base, Qt::white);
    list->setPalette(pal);
    return list;
}

} // namespace

TProblemsDlg::TProblemsDlg(QWidget* owner)
    : QDialog(owner)
{
    InitSkinResources();
    setWindowTitle(Title(0));
    setModal(false);
    setAttribute(Qt::WA_ShowWithoutActivating); // appears beside the running batch, takes no keys
    resize(kClientWidth, kClientHeight);
    setMinimumSize(300, 160);
    SkinFont(this, 12, clWindowText);
    SetBackground(this, kWindow);

    messagePanel = FormLinePanel(this, QRect(), clWhite, 5);
    ProblemList = MessageList(messagePanel);
    btnClose = FormPushButton(this, QRect(), "&Close");
    btnClose->setFixedSize(121, 41);
    btnClose->OnClick = [this](QObject*) { close(); };

    auto* inPanel = new QVBoxLayout(messagePanel); // inside the panel's border
    inPanel->setContentsMargins(0, 0, 0, 0);
    inPanel->addWidget(ProblemList);
    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    form->setSpacing(kMargin);
    form->addWidget(messagePanel, 1);
    form->addWidget(btnClose, 0, Qt::AlignRight);
}

QString TProblemsDlg::Title(int count)
{
    return QString::asprintf("Problems: %d", count);
}

void TProblemsDlg::Add(const QString& message)
{
    QTextCursor end(ProblemList->document());
    end.movePosition(QTextCursor::End);
    if (count_ > 0)
        end.insertBlock();
    QTextBlockFormat format;
    format.setBottomMargin(kMessageGap);
    end.setBlockFormat(format);
    end.insertText(QString(message).replace('\n', ' ').replace('\r', ' '));
    ++count_;
    setWindowTitle(Title(count_));
    // The newest in view, unless the user is selecting text to copy.
    if (!ProblemList->textCursor().hasSelection()) {
        ProblemList->moveCursor(QTextCursor::End);
        QScrollBar* scroll = ProblemList->verticalScrollBar();
        scroll->setValue(scroll->maximum()); // its gap below too, so the end reads as the end
    }
}

void TProblemsDlg::Clear()
{
    ProblemList->clear();
    count_ = 0;
    setWindowTitle(Title(0));
}

QStringList TProblemsDlg::Messages() const
{
    QStringList messages;
    if (count_ == 0)
        return messages;
    for (QTextBlock block = ProblemList->document()->begin(); block.isValid(); block = block.next())
        messages << block.text();
    return messages;
}
