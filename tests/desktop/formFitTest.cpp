// Every caption, label, item and line of every form fits its box at the program's real fonts.
#include "desktopTestSupport.h"

#include "controls/FlatEditUnit.h"
#include "controls/MyButtonEx.h"
#include "desktop/addForm.h"
#include "desktop/itemForm.h"
#include "desktop/problemsForm.h"
#include "desktop/skinFonts.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

QString PlainText(const QLabel* label)
{
    if (label->textFormat() != Qt::RichText)
        return label->text();
    QTextDocument doc;
    doc.setHtml(label->text());
    return doc.toPlainText();
}

// Labels lie inside their parent, and their text inside the label; push-button captions inside
// the button; combo items and information lines inside their boxes.
void ExpectEverythingFits(QWidget* form, const char* name)
{
    for (QLabel* label : form->findChildren<QLabel*>()) {
        const QString text = PlainText(label);
        if (text.isEmpty())
            continue;
        const int width = QFontMetrics(label->font()).horizontalAdvance(text);
        EXPECT_LE(width, label->width()) << name << ": \"" << text.toStdString() << "\" is cut";
        EXPECT_TRUE(label->parentWidget()->rect().contains(label->geometry()))
            << name << ": \"" << text.toStdString() << "\" leaves its parent";
        EXPECT_LE(QFontMetrics(label->font()).height(), label->height())
            << name << ": " << text.toStdString();
    }
    for (TMyButtonEx* button : form->findChildren<TMyButtonEx*>()) {
        const QString caption = QString(button->Caption()).remove('&');
        EXPECT_LE(QFontMetrics(button->font()).horizontalAdvance(caption), button->width() - 8) << name;
    }
    for (TMyFlatComboBox* combo : form->findChildren<TMyFlatComboBox*>())
        for (int i = 0; i < combo->count(); ++i)
            EXPECT_LE(QFontMetrics(combo->font()).horizontalAdvance(combo->itemText(i)),
                combo->width() - combo->ButtonRect().width() - 4)
                << name << ": " << combo->itemText(i).toStdString();
    for (QPlainTextEdit* memo : form->findChildren<QPlainTextEdit*>())
        for (const QString& line : memo->toPlainText().split('\n'))
            EXPECT_LE(QFontMetrics(memo->font()).horizontalAdvance(line),
                memo->width() - 8) // the document margin is 4 on each side
                << name << ": " << line.toStdString();
}

} // namespace

TEST(FormFit, EveryTextOfEveryFormFitsItsBoxAtTheProgramsFonts)
{
    InstallSkinFonts();
    EXPECT_EQ(SkinFontFamily(), "Open Sans") << "scripts/install-deps installs fonts-open-sans";

    TWindowUnderTest w;
    TmainDlg& f = *w.window;
    f.lbCount->setText(TMainController::CountLine(100000, 100000));
    f.lbTimer->setText(TMainController::TimeLine(360000));
    ExpectEverythingFits(&f, "main window");
    EXPECT_LE(f.lbUpdate->geometry().right() + 1, 844) << "check for updates runs past its place";

    const std::vector<std::string>& names = w.Controller().Profiles().FormatNames();
    TProfileList real(std::string(VIDMORPH_APP_DIR) + "/command");
    TaddDlg add(real.FormatNames());
    add.Fill({ "/home/someone/Videos/a.mpg" });
    for (int i = 0; i < add.profileBox->count(); ++i) {
        add.profileBox->setCurrentIndex(i);
        ExpectEverythingFits(&add, "add dialog");
    }
    TItemDlg item(names);
    item.Fill("/v/summer holiday at the lake 2009.mpg", 0, "/v/", 9223372036854775807LL);
    ExpectEverythingFits(&item, "properties dialog");
    TProblemsDlg problems(&f);
    ExpectEverythingFits(&problems, "problems window");
}
