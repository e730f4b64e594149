#pragma once
// TProblemsDlg, the one list of a batch's problems: each row that failed or could not start adds
// one message naming its file, in the order the rows end, the newest kept in view; the title
// counts them. Non-modal and owned by the main window, so it never holds up the batch and closes
// with the program. Closing it only hides it.
#include <QDialog>
#include <QStringList>

class QTextEdit;
class TLinePanel;
class TMyButtonEx;

class TProblemsDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 560;
    static constexpr int kClientHeight = 320;

    explicit TProblemsDlg(QWidget* owner);

    TLinePanel* messagePanel;
    QTextEdit* ProblemList;
    TMyButtonEx* btnClose;

    // Appends one message (line ends become spaces) and counts it in the title.
    void Add(const QString& message);
    // Empties the list for the next batch.
    void Clear();
    int Count() const { return count_; }
    // The messages in the order they came.
    QStringList Messages() const;
    // "Problems: %d".
    static QString Title(int count);

private:
    int count_ = 0;
};
