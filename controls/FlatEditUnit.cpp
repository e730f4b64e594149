#include "controls/FlatEditUnit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QWheelEvent>

#include <climits>
#include <limits>

namespace {

// One-pixel ring along the inside of r.
void FrameRing(QPainter& p, QRect r, TColor color)
{
    const int l = r.left(), t = r.top(), rt = r.right() + 1, b = r.bottom() + 1;
    FillRect(p, l, t, rt, t + 1, color);
    FillRect(p, l, b - 1, rt, b, color);
    FillRect(p, l, t, l + 1, b, color);
    FillRect(p, rt - 1, t, rt, b, color);
}

// The outer ring in border colour and the two inner ones in fill colour.
void FlatFrame(QPainter& p, QRect r, TColor border, TColor fill)
{
    FrameRing(p, r, border);
    FrameRing(p, r.adjusted(1, 1, -1, -1), fill);
    FrameRing(p, r.adjusted(2, 2, -2, -2), fill);
}

TColor ParentBackground(const QWidget* w)
{
    const QWidget* parent = w->parentWidget();
    return FromQColor(parent->palette().color(parent->backgroundRole()));
}

int ToInteger(const QString& text)
{
    return platform::StrToInt(text.toStdString());
}

// Keys that are no typed characters for the edit: the dialog or the line edit handle them.
bool IsNavigationKey(const QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        return e->key() != Qt::Key_Backspace && e->text().isEmpty();
    }
}

QChar CharOf(const QKeyEvent* e)
{
    return e->key() == Qt::Key_Backspace ? QChar(8) : e->text().at(0);
}

// Entries of the drop-down list ItemHeight pixels high.
class ItemHeightDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    ItemHeightDelegate(const TMyFlatComboBox* combo)
        : QStyledItemDelegate(const_cast<TMyFlatComboBox*>(combo))
        , combo_(combo)
    {
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), combo_->ItemHeight());
    }

private:
    const TMyFlatComboBox* combo_;
};

} // namespace

// ---- TMyCustomFlatEdit ----------------------------------------------------------------------

TMyCustomFlatEdit::TMyCustomFlatEdit(QWidget* parent)
    : QLineEdit(parent)
{
    setFrame(false); // the frame is ours: 3 pixels, see paintEvent
    setMaxLength(std::numeric_limits<int>::max()); // no limit (QLineEdit's own is 32,767)
    setTextMargins(3, 3, 3, 3);
    setGeometry(0, 0, 121, 19);
    if (parentWidget())
        TakeParentColor();
    RepaintFrame();
}

int TMyCustomFlatEdit::asInteger() const
{
    if (valueType_ == evDefault || text().isEmpty())
        return 0;
    return ToInteger(text());
}

void TMyCustomFlatEdit::SetFrameColor(TEditColor index, TColor c)
{
    colors_[int(index)] = c;
    if (index == TEditColor::Flat)
        parentColor_ = false;
    RepaintFrame();
}

void TMyCustomFlatEdit::SetParentColor(bool value)
{
    if (parentColor_ == value)
        return;
    parentColor_ = value;
    if (value && parentWidget()) {
        colors_[int(TEditColor::Flat)] = ParentBackground(this);
        RepaintFrame();
    }
}

void TMyCustomFlatEdit::TakeParentColor()
{
    if (parentColor_ && parentWidget())
        colors_[int(TEditColor::Flat)] = ParentBackground(this);
}

bool TMyCustomFlatEdit::IsHighlighted() const
{
    if (hasFocus())
        return true;
    return mouseOver_ && !dynamic_cast<const TMyFlatEdit*>(QApplication::focusWidget());
}

void TMyCustomFlatEdit::RepaintFrame()
{
    color_ = IsHighlighted() ? ColorFocused() : ColorFlat();
    QPalette pal = palette();
    if (pal.color(QPalette::Base) != ToQColor(color_)) {
        pal.setColor(QPalette::Base, ToQColor(color_));
        setPalette(pal);
    }
    update();
}

void TMyCustomFlatEdit::AdjustHeight()
{
    resize(width(), QFontMetrics(font()).height() + 6);
}

int TMyCustomFlatEdit::CurrentValue() const
{
    return text().isEmpty() ? 0 : ToInteger(text());
}

void TMyCustomFlatEdit::StepUp()
{
    if (valueType_ != evtInteger)
        return;
    const int value = CurrentValue();
    if ((maxValue_ == 0 || value < maxValue_) && value < INT_MAX)
        setText(QString::number(value + 1));
}

void TMyCustomFlatEdit::StepDown()
{
    if (valueType_ != evtInteger)
        return;
    const int value = CurrentValue();
    if (minValue_ < value)
        setText(QString::number(value - 1));
}

void TMyCustomFlatEdit::SafeStep(bool up)
{
    try {
        up ? StepUp() : StepDown();
    } catch (const EConvertError&) {
        QApplication::beep();
    }
}

bool TMyCustomFlatEdit::IsValidChar(QChar ch) const
{
    return valueType_ == evtInteger && ((ch >= u'0' && ch <= u'9') || ch == QChar(8));
}

bool TMyCustomFlatEdit::AcceptChar(QChar ch)
{
    if (!IsValidChar(ch))
        return false;
    const QChar backspace(8);
    if (text() == u"0") {
        setCursorPosition(0);
        if (ch >= u'1' && ch <= u'9')
            selectAll(); // a typed digit replaces a lone zero instead of landing before it
    }
    if (text().size() > 1) {
        if (ch == backspace && selectedText() == text()) {
            setText(QStringLiteral("0"));
            setCursorPosition(0);
        }
    } else if (ch == backspace) {
        setText(QStringLiteral("0"));
        setCursorPosition(0);
    }
    // No leading zero: a selection counts from its start, as the caret of a selection does.
    const int caret = hasSelectedText() ? selectionStart() : cursorPosition();
    if (ch == u'0' && !text().isEmpty() && caret == 0)
        return false;
    return true;
}

void TMyCustomFlatEdit::keyPressEvent(QKeyEvent* e)
{
    if (valueType_ == evDefault)
        return QLineEdit::keyPressEvent(e);
    switch (e->key()) {
    case Qt::Key_Delete:
        e->accept();
        return;
    case Qt::Key_Up:
        SafeStep(true);
        e->accept();
        return;
    case Qt::Key_Down:
        SafeStep(false);
        e->accept();
        return;
    default:
        break;
    }
    if (IsNavigationKey(e))
        return QLineEdit::keyPressEvent(e);
    if (!AcceptChar(CharOf(e))) {
        e->accept();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

void TMyCustomFlatEdit::wheelEvent(QWheelEvent* e)
{
    if (valueType_ != evDefault)
        SafeStep(e->angleDelta().y() > 0);
    e->accept();
}

void TMyCustomFlatEdit::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    RepaintFrame();
}

void TMyCustomFlatEdit::focusOutEvent(QFocusEvent* e)
{
    QLineEdit::focusOutEvent(e);
    if (valueType_ == evtFloat)
        setCursorPosition(0);
    RepaintFrame();
}

void TMyCustomFlatEdit::enterEvent(QEnterEvent* e)
{
    QLineEdit::enterEvent(e);
    if (QApplication::activeWindow()) {
        mouseOver_ = true;
        RepaintFrame();
    }
}

void TMyCustomFlatEdit::leaveEvent(QEvent* e)
{
    QLineEdit::leaveEvent(e);
    mouseOver_ = false;
    RepaintFrame();
}

void TMyCustomFlatEdit::changeEvent(QEvent* e)
{
    QLineEdit::changeEvent(e);
    switch (e->type()) {
    case QEvent::EnabledChange:
        RepaintFrame();
        break;
    case QEvent::FontChange:
        AdjustHeight();
        break;
    case QEvent::PaletteChange: // the parent's colour may have changed
        TakeParentColor();
        RepaintFrame();
        break;
    default:
        break;
    }
}

bool TMyCustomFlatEdit::event(QEvent* e)
{
    const bool result = QLineEdit::event(e);
    if (e->type() == QEvent::Polish)
        AdjustHeight(); // once set up, before first shown: a height set with the geometry yields
    if (e->type() == QEvent::ParentChange) {
        TakeParentColor();
        RepaintFrame();
    }
    return result;
}

void TMyCustomFlatEdit::paintEvent(QPaintEvent* e)
{
    {
        QPainter p(this);
        p.fillRect(rect(), ToQColor(color_));
    }
    QLineEdit::paintEvent(e);
    QPainter p(this);
    FlatFrame(p, rect(), ColorBorder(), color_);
}

// ---- TMyFlatComboBox ------------------------------------------------------------------------

TMyFlatComboBox::TMyFlatComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setItemDelegate(new ItemHeightDelegate(this));
    setMaxVisibleItems(8);
    SetStyle(csDropDown);
    ApplyColors();
}

void TMyFlatComboBox::SetStyle(TComboBoxStyle s)
{
    style_ = s;
    const bool editable = s == csDropDown || s == csSimple;
    if (editable != isEditable())
        setEditable(editable);
    if (QLineEdit* edit = lineEdit()) {
        edit->setFrame(false);
        edit->installEventFilter(this);
    }
    ApplyColors();
    PlaceEdit();
    update();
}

void TMyFlatComboBox::SetColor(TColor c)
{
    color_ = c;
    ApplyColors();
    update();
}

void TMyFlatComboBox::SetButtonColor(TComboColor index, TColor c)
{
    colors_[int(index)] = c;
    update();
}

void TMyFlatComboBox::SetItemHeight(int h)
{
    itemHeight_ = h;
    view()->doItemsLayout();
}

void TMyFlatComboBox::ApplyColors()
{
    // The text field and the drop-down list show the control's colour.
    QPalette pal = view()->palette();
    pal.setColor(QPalette::Base, ToQColor(color_));
    view()->setPalette(pal);
    if (QLineEdit* edit = lineEdit()) {
        QPalette ep = edit->palette();
        ep.setColor(QPalette::Base, ToQColor(color_));
        edit->setPalette(ep);
    }
}

void TMyFlatComboBox::PlaceEdit()
{
    if (QLineEdit* edit = lineEdit())
        edit->setGeometry(3, 3, std::max(0, width() - ButtonWidth - 8), std::max(0, height() - 6));
}

QRect TMyFlatComboBox::ButtonRect() const
{
    return MakeRect(width() - ButtonWidth - 2, 0, width(), height());
}

void TMyFlatComboBox::DrawFrame(QPainter& p) const
{
    FlatFrame(p, MakeRect(0, 0, width() - ButtonWidth - 1, height()), ColorBorder(), color_);
}

void TMyFlatComboBox::DrawButton(QPainter& p) const
{
    const QRect b = ButtonRect();
    p.fillRect(b, ToQColor(ColorArrowBackground()));
    FrameRing(p, b, ColorBorder());
    const int x0 = b.left() + b.width() / 2 - 6;
    const int y0 = b.top() + b.height() / 2 - 1;
    // Three rows: 5, 3 and 1 pixels wide, the wide one on top when the list is closed.
    auto triangle = [&](int dx, int dy, TColor color) {
        for (int row = 0; row < 3; ++row) {
            const int width = droppedDown_ ? 2 - row : row;
            const int y = y0 + dy + row;
            FillRect(p, x0 + dx + 4 + width, y, x0 + dx + 9 - width, y + 1, color);
        }
    };
    if (isEnabled()) {
        triangle(0, 0, ColorArrow());
    } else {
        triangle(1, 1, clWhite);
        triangle(0, 0, 0x808080);
    }
}

void TMyFlatComboBox::DrawSelection(QPainter& p) const
{
    const QRect area = MakeRect(3, 3, width() - 3 - ButtonWidth - 2, height() - 3);
    const bool highlighted = hasFocus() && !droppedDown_;
    TColor textColor
        = FromQColor(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    if (highlighted) {
        p.fillRect(area, ToQColor(clHighlight));
        textColor = clHighlightText;
    }
    p.setFont(font());
    p.setPen(ToQColor(textColor));
    const QRect textArea = area.adjusted(2, 0, -1, 0);
    const QString text = QFontMetrics(font()).elidedText(currentText(), Qt::ElideRight, textArea.width());
    p.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

QImage TMyFlatComboBox::Render() const
{
    QImage image = NewControlImage(QSize(std::max(1, width()), std::max(1, height())), devicePixelRatioF());
    QPainter p(&image);
    p.fillRect(QRect(QPoint(0, 0), LogicalSize(image)), ToQColor(color_));
    if (IsListStyle())
        DrawSelection(p);
    else if (style_ == csDropDown && droppedDown_)
        FrameRing(p, MakeRect(2, 2, width() - ButtonWidth - 3, height() - 2), clWindow);
    DrawFrame(p);
    if (style_ != csSimple)
        DrawButton(p);
    return image;
}

void TMyFlatComboBox::paintEvent(QPaintEvent*)
{
    const QImage image = Render();
    QPainter p(this);
    p.drawImage(0, 0, image);
}

void TMyFlatComboBox::resizeEvent(QResizeEvent* e)
{
    QComboBox::resizeEvent(e); // places the inner edit the style's way; ours follows
    PlaceEdit();
}

void TMyFlatComboBox::UpdateActive()
{
    const QLineEdit* edit = lineEdit();
    const bool active = droppedDown_ || hasFocus() || (edit && edit->hasFocus());
    if (active != active_) {
        active_ = active;
        update();
    }
}

void TMyFlatComboBox::focusInEvent(QFocusEvent* e)
{
    QComboBox::focusInEvent(e);
    UpdateActive();
    update();
}

void TMyFlatComboBox::focusOutEvent(QFocusEvent* e)
{
    QComboBox::focusOutEvent(e);
    UpdateActive();
    update();
}

void TMyFlatComboBox::mousePressEvent(QMouseEvent* e)
{
    // The button is ours, so the style's arrow area does not match it.
    if (isEditable() && ButtonRect().contains(e->position().toPoint()) && e->button() == Qt::LeftButton) {
        droppedDown_ ? hidePopup() : showPopup();
        e->accept();
        return;
    }
    QComboBox::mousePressEvent(e);
}

void TMyFlatComboBox::showPopup()
{
    droppedDown_ = true;
    UpdateActive();
    update();
    QComboBox::showPopup();
}

void TMyFlatComboBox::hidePopup()
{
    QComboBox::hidePopup();
    droppedDown_ = false;
    UpdateActive();
    update(ButtonRect().adjusted(-2, 0, 0, 0));
}

void TMyFlatComboBox::changeEvent(QEvent* e)
{
    QComboBox::changeEvent(e); // may place the inner edit the style's way; ours follows
    PlaceEdit();
    switch (e->type()) {
    case QEvent::FontChange:
        itemHeight_ = 13;
        update();
        break;
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
        update();
        break;
    default:
        break;
    }
}

bool TMyFlatComboBox::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == lineEdit() && (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut))
        UpdateActive();
    return QComboBox::eventFilter(watched, e);
}

#include "FlatEditUnit.moc"
