// The Windows tool's windows are generated (mardune_uigen) from the same
// .ui designs the Qt tool loads: what the generator reads of a design is
// every named widget of the Qt window, of the same kind, at the same place.
#include "UiDesign.h"
#include "XmlTree.h"
#include "ui_SplashScreen.h"
#include "ui_Unit1.h"
#include "ui_UpDnFrm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

using namespace uigen;

namespace {

TDesign Read(const char *name)
{
    std::ifstream in(std::string(MARDUNE_RESOURCES) + "/" + name, std::ios::binary);
    return ReadDesign(ParseXml(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())));
}

bool SameKind(TControlKind kind, const QWidget *widget)
{
    switch (kind) {
    case TControlKind::Panel:
    case TControlKind::TabSheet: return widget->metaObject() == &QWidget::staticMetaObject;
    case TControlKind::PageControl: return qobject_cast<const QTabWidget *>(widget);
    case TControlKind::GroupBox: return qobject_cast<const QGroupBox *>(widget);
    case TControlKind::Label: return qobject_cast<const QLabel *>(widget) && static_cast<const QLabel *>(widget)->pixmap().isNull();
    case TControlKind::Image: return qobject_cast<const QLabel *>(widget) && !static_cast<const QLabel *>(widget)->pixmap().isNull();
    case TControlKind::SpeedButton: return qobject_cast<const QToolButton *>(widget);
    case TControlKind::Button: return qobject_cast<const QPushButton *>(widget);
    case TControlKind::CheckBox: return qobject_cast<const QCheckBox *>(widget);
    case TControlKind::RadioButton: return qobject_cast<const QRadioButton *>(widget);
    case TControlKind::ComboBox: return qobject_cast<const QComboBox *>(widget);
    case TControlKind::Edit: return qobject_cast<const QLineEdit *>(widget);
    case TControlKind::Memo: return qobject_cast<const QPlainTextEdit *>(widget);
    }
    return false;
}

// The toolkit's own inner widgets (a tab bar's, say) and the menu bar (the
// design's menus are checked on their own).
bool Inner(const QWidget *widget, const QWidget &window)
{
    for (const QWidget *w = widget; w && w != &window; w = w->parentWidget())
        if (w->inherits("QTabBar") || w->inherits("QMenuBar"))
            return true;
    return widget->objectName().isEmpty() || widget->objectName().startsWith(QLatin1String("qt_"));
}

std::map<QString, QWidget *> NamedWidgets(QWidget &window)
{
    std::map<QString, QWidget *> named;
    for (QWidget *widget : window.findChildren<QWidget *>()) {
        if (!Inner(widget, window))
            named[widget->objectName()] = widget;
    }
    return named;
}

void ExpectSameWindow(const TDesign &design, QWidget &window)
{
    std::map<QString, QWidget *> widgets = NamedWidgets(window);
    for (const TDesignControl &control : design.Controls) {
        const auto found = widgets.find(QString::fromStdString(control.Name));
        ASSERT_NE(found, widgets.end()) << control.Name;
        const QWidget *widget = found->second;
        EXPECT_TRUE(SameKind(control.Kind, widget)) << control.Name << " is a " << widget->metaObject()->className();
        if (control.Kind != TControlKind::TabSheet && control.Parent >= 0) {
            EXPECT_EQ(QRect(control.X, control.Y, control.Width, control.Height), widget->geometry()) << control.Name;
        }
        widgets.erase(found);
    }
    for (const auto &[name, widget] : widgets)
        ADD_FAILURE() << name.toStdString() << " is missing from the generator's design";
}

} // namespace

TEST(WindowDesign, TheMainWindowAsTheGeneratorReadsIt)
{
    const TDesign design = Read("Unit1.ui");
    QMainWindow window;
    Ui::TForm1 ui;
    ui.setupUi(&window);
    ExpectSameWindow(design, window);
    EXPECT_EQ(design.Caption, window.windowTitle().toStdString());
    EXPECT_EQ(design.ClientWidth, 543);
    EXPECT_EQ(design.ClientHeight, 430); // the designed client area, without the menu
    ASSERT_EQ(design.Menus.size(), 1u);
    const QList<QAction *> entries = ui.File1->actions();
    ASSERT_EQ(design.Menus[0].Items.size(), static_cast<size_t>(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(design.Menus[0].Items[static_cast<size_t>(i)].Name, entries[i]->objectName().toStdString());
        EXPECT_EQ(design.Menus[0].Items[static_cast<size_t>(i)].Text, entries[i]->text().toStdString());
    }
    EXPECT_EQ(design.Menus[0].Items[0].Shortcut, "Ctrl+O");
}

TEST(WindowDesign, TheTransferDialogAndTheSplash)
{
    QDialog load;
    Ui::TLoad loadUi;
    loadUi.setupUi(&load);
    ExpectSameWindow(Read("UpDnFrm.ui"), load);
    QWidget splash;
    Ui::TFormSplash splashUi;
    splashUi.setupUi(&splash);
    const TDesign design = Read("SplashScreen.ui");
    ExpectSameWindow(design, splash);
    EXPECT_EQ(design.Kind, TFormKind::Popup);
    EXPECT_EQ(design.Background, 0xFFFFFFu);
}

TEST(XmlTree, WhatIsNoDocumentIsRefusedWithItsLine)
{
    const std::pair<const char *, const char *> bad[] = {
        {"", "no root element"},
        {"<a><b></a>", "end tag does not match"},
        {"<a>\n<b x=1/></a>", "line 2"},
        {"<a>&bogus;</a>", "unknown entity"},
        {"<a>&#x110000;</a>", "out of range"},
        {"<a></a><b/>", "text after the root element"},
        {"<a>", "missing end tag"},
    };
    for (const auto &[document, why] : bad) {
        try {
            ParseXml(document);
            ADD_FAILURE() << "accepted: " << document;
        } catch (const EXmlError &error) {
            EXPECT_NE(std::string(error.what()).find(why), std::string::npos) << document << ": " << error.what();
        }
    }
    const TXmlElement root = ParseXml("<?xml version=\"1.0\"?><!-- c --><a k='&lt;v&gt;'>x&amp;y&#65;<![CDATA[<z>]]></a>");
    EXPECT_EQ(root.Attribute("k"), "<v>");
    EXPECT_EQ(root.Text, "x&yA<z>");
}
