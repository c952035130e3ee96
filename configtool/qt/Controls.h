// The tool's controls in the Qt binding: Qt's own widgets, under the names
// the pages use, and what the pages do with them as free functions. The
// Win32 binding provides the same names over the system's controls.
#pragma once

#include "Text.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <cstdint>
#include <functional>

using TControl = QWidget;
using TPanel = QWidget;
using TTabSheet = QWidget;
using TPageControl = QTabWidget;
using TGroupBox = QGroupBox;
using TLabel = QLabel;
using TImage = QLabel;
using TSpeedButton = QToolButton;
using TButton = QPushButton;
using TCheckBox = QCheckBox;
using TRadioButton = QRadioButton;
using TComboBox = QComboBox;
using TEdit = QLineEdit;
using TMemo = QPlainTextEdit;
using TMenuItem = QAction;
using TTimer = QTimer;

using TNotifyEvent = std::function<void()>;
using TKeyEvent = std::function<void(uint16_t key)>; // the key's Windows virtual-key code

TString Caption(const TLabel *label);
void SetCaption(TLabel *label, const TString &text);
TString Text(const TEdit *edit);
void SetText(TEdit *edit, const TString &text);
void Clear(TEdit *edit);
// Every typed letter becomes a capital.
void SetUpperCase(TEdit *edit);
void AddLine(TMemo *memo, const TString &line);
void Clear(TMemo *memo);
bool Checked(const TCheckBox *box);
void SetChecked(TCheckBox *box, bool checked);
bool Checked(const TRadioButton *button);
void SetChecked(TRadioButton *button, bool checked);
int ItemIndex(const TComboBox *list);          // -1: nothing selected
void SetItemIndex(TComboBox *list, int index); // no such entry: nothing selected
TString Text(const TComboBox *list);
int IndexOf(const TComboBox *list, const TString &item); // exact match, -1 if none
void AddItems(TComboBox *list, const TStringList &items);
bool Visible(const TControl *control);
void SetVisible(TControl *control, bool visible);
void SetFocus(TControl *control);
void Invalidate(TControl *control);
bool Flat(const TSpeedButton *button);
void SetFlat(TSpeedButton *button, bool flat);
bool TabVisible(const TTabSheet *page);
void SetTabVisible(TTabSheet *page, bool visible);
TTabSheet *ActivePage(const TPageControl *pages);
void SetActivePage(TPageControl *pages, TTabSheet *page);
int Interval(const TTimer *timer);
void SetInterval(TTimer *timer, int milliseconds);
bool Enabled(const TTimer *timer);
void SetEnabled(TTimer *timer, bool enabled);

// A check box's click is any change of its state, by the user or by the
// tool, as the pages expect of it.
void OnClick(QAbstractButton *button, TNotifyEvent handler);
void OnClick(TCheckBox *box, TNotifyEvent handler);
void OnClick(TLabel *label, TNotifyEvent handler);
void OnClick(TMenuItem *item, TNotifyEvent handler);
void OnChange(TEdit *edit, TNotifyEvent handler);
void OnChange(TComboBox *list, TNotifyEvent handler);
void OnKeyDown(TEdit *edit, TKeyEvent handler);
void OnShow(TTabSheet *page, TNotifyEvent handler);
void OnTimer(TTimer *timer, TNotifyEvent handler);
