#include "Controls.h"

#include "VirtualKey.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QValidator>

namespace {

// Turns every typed letter into a capital.
class TUpperCaseValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

// Hands a watched widget's events to a function; a child of the widget.
class TEventWatch final : public QObject {
public:
    TEventWatch(QWidget *widget, std::function<void(QEvent *)> handler)
        : QObject(widget), FHandler(std::move(handler))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        FHandler(event);
        return false; // the widget still gets it
    }

private:
    std::function<void(QEvent *)> FHandler;
};

QTabWidget *PageControlOf(const QWidget *page)
{
    // A page lies in the tab widget's stack.
    const QWidget *stack = page->parentWidget();
    return stack ? qobject_cast<QTabWidget *>(stack->parentWidget()) : nullptr;
}

} // namespace

TString Caption(const TLabel *label)
{
    return label->text();
}

void SetCaption(TLabel *label, const TString &text)
{
    label->setText(text);
}

TString Text(const TEdit *edit)
{
    return edit->text();
}

void SetText(TEdit *edit, const TString &text)
{
    edit->setText(text);
}

void Clear(TEdit *edit)
{
    edit->clear();
}

void SetUpperCase(TEdit *edit)
{
    edit->setValidator(new TUpperCaseValidator(edit));
}

void AddLine(TMemo *memo, const TString &line)
{
    memo->appendPlainText(line);
}

void Clear(TMemo *memo)
{
    memo->clear();
}

bool Checked(const TCheckBox *box)
{
    return box->isChecked();
}

void SetChecked(TCheckBox *box, bool checked)
{
    box->setChecked(checked);
}

bool Checked(const TRadioButton *button)
{
    return button->isChecked();
}

void SetChecked(TRadioButton *button, bool checked)
{
    button->setChecked(checked);
}

int ItemIndex(const TComboBox *list)
{
    return list->currentIndex();
}

void SetItemIndex(TComboBox *list, int index)
{
    list->setCurrentIndex(index);
}

TString Text(const TComboBox *list)
{
    return list->currentText();
}

int IndexOf(const TComboBox *list, const TString &item)
{
    return list->findText(item, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void AddItems(TComboBox *list, const TStringList &items)
{
    list->addItems(items);
}

bool Visible(const TControl *control)
{
    return !control->isHidden();
}

void SetVisible(TControl *control, bool visible)
{
    control->setVisible(visible);
}

void SetFocus(TControl *control)
{
    control->setFocus();
}

void Invalidate(TControl *control)
{
    control->update();
}

bool Flat(const TSpeedButton *button)
{
    return button->autoRaise();
}

void SetFlat(TSpeedButton *button, bool flat)
{
    button->setAutoRaise(flat);
    button->style()->unpolish(button); // the style sheet's look follows autoRaise
    button->style()->polish(button);
}

bool TabVisible(const TTabSheet *page)
{
    const QTabWidget *pages = PageControlOf(page);
    return pages && pages->isTabVisible(pages->indexOf(page));
}

void SetTabVisible(TTabSheet *page, bool visible)
{
    if (QTabWidget *pages = PageControlOf(page))
        pages->setTabVisible(pages->indexOf(page), visible);
}

TTabSheet *ActivePage(const TPageControl *pages)
{
    return pages->currentWidget();
}

void SetActivePage(TPageControl *pages, TTabSheet *page)
{
    pages->setCurrentWidget(page);
}

int Interval(const TTimer *timer)
{
    return timer->interval();
}

void SetInterval(TTimer *timer, int milliseconds)
{
    timer->setInterval(milliseconds);
}

bool Enabled(const TTimer *timer)
{
    return timer->isActive();
}

void SetEnabled(TTimer *timer, bool enabled)
{
    if (enabled)
        timer->start();
    else
        timer->stop();
}

void OnClick(QAbstractButton *button, TNotifyEvent handler)
{
    QObject::connect(button, &QAbstractButton::clicked, button, [handler = std::move(handler)] { handler(); });
}

void OnClick(TCheckBox *box, TNotifyEvent handler)
{
    QObject::connect(box, &QCheckBox::toggled, box, [handler = std::move(handler)] { handler(); });
}

void OnClick(TLabel *label, TNotifyEvent handler)
{
    new TEventWatch(label, [handler = std::move(handler)](QEvent *event) {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            handler();
    });
}

void OnClick(TMenuItem *item, TNotifyEvent handler)
{
    QObject::connect(item, &QAction::triggered, item, [handler = std::move(handler)] { handler(); });
}

void OnChange(TEdit *edit, TNotifyEvent handler)
{
    QObject::connect(edit, &QLineEdit::textChanged, edit, [handler = std::move(handler)] { handler(); });
}

void OnChange(TComboBox *list, TNotifyEvent handler)
{
    QObject::connect(list, &QComboBox::currentTextChanged, list, [handler = std::move(handler)] { handler(); });
}

void OnKeyDown(TEdit *edit, TKeyEvent handler)
{
    // Every key-down the edit receives, as the Windows virtual-key code the
    // key press would carry; the edit still gets it.
    new TEventWatch(edit, [handler = std::move(handler)](QEvent *event) {
        if (event->type() != QEvent::KeyPress)
            return;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (const uint16_t code = VirtualKeyCode(key->key(), key->modifiers() & Qt::KeypadModifier))
            handler(code);
    });
}

void OnShow(TTabSheet *page, TNotifyEvent handler)
{
    QTabWidget *pages = PageControlOf(page);
    if (!pages)
        return;
    QObject::connect(pages, &QTabWidget::currentChanged, page, [pages, page, handler = std::move(handler)](int index) {
        if (pages->widget(index) == page)
            handler();
    });
}

void OnTimer(TTimer *timer, TNotifyEvent handler)
{
    QObject::connect(timer, &QTimer::timeout, timer, [handler = std::move(handler)] { handler(); });
}
