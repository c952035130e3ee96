// A card tapped while the Analyze page's input edit has the focus: the
// virtual reader types it through XTest into the X server, and the page
// logs each key-down and shows the typed code, for a few configurations.
// Screenshots of each scene go to $E2E_OUTPUT.
#include "Keyboard.h"
#include "KeyboardOutput.h"
#include "SharedBus.h"
#include "TestSettings.h"
#include "Unit1.h"

#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

bool WaitFor(const std::function<bool()> &condition, int ms = 5000)
{
    return QTest::qWaitFor(condition, ms);
}

QString LogText(QWidget *memo)
{
    if (auto *plain = qobject_cast<QPlainTextEdit *>(memo))
        return plain->toPlainText();
    if (auto *rich = qobject_cast<QTextEdit *>(memo))
        return rich->toPlainText();
    return {};
}

class AnalyzeTyping : public korvel::testing::BusTest {
protected:
    void SetUp() override
    {
        BusTest::SetUp();
        // The reader types through XTest into the X server, as the kernel
        // would from its keyboard interface.
        firmware->setKeyboardSink([](const std::vector<readersim::BootReport> &r) { e2e::Keyboard().Play(r); });
        form = std::make_unique<TForm1>();
        form->show();
        form->activateWindow();
        ASSERT_TRUE(WaitFor([&] { return form->isActiveWindow(); })) << "the window never got the focus";
        pages = form->findChild<QTabWidget *>(QStringLiteral("PageControl"));
        input = form->findChild<QLineEdit *>(QStringLiteral("EditCardCodeInput"));
        memo = form->findChild<QWidget *>(QStringLiteral("MemoDecode"));
        ASSERT_TRUE(pages && input && memo);
        pages->setCurrentWidget(form->findChild<QWidget *>(QStringLiteral("TabSheetAnalize")));
        input->setFocus();
        ASSERT_TRUE(WaitFor([&] { return input->hasFocus(); }));
    }

    // Taps the card on another thread (typing takes a while) and waits
    // until the page has logged `lines` key-downs and the edit shows `typed`.
    void Tap(const std::vector<uint8_t> &code, int lines, const QString &typed)
    {
        std::thread tap([&] { firmware->tapCard(code); });
        const bool logged = WaitFor([&] {
            return LogText(memo).split(QLatin1Char('\n'), Qt::SkipEmptyParts).size() >= lines && input->text() == typed;
        });
        tap.join();
        EXPECT_TRUE(logged) << "typed " << input->text().toStdString() << ", logged " << LogText(memo).toStdString();
    }

    void Scene(const char *name)
    {
        const QByteArray dir = qgetenv("E2E_OUTPUT");
        if (dir.isEmpty())
            return;
        QDir().mkpath(QString::fromLocal8Bit(dir));
        form->grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
    }

    void Use(uint8_t confByte, const char *prefix = "", const char *sufix = "")
    {
        firmware->setSettings(korvel::testing::SettingsOf(confByte, prefix, sufix));
    }

    std::unique_ptr<TForm1> form;
    QTabWidget *pages = nullptr;
    QLineEdit *input = nullptr;
    QWidget *memo = nullptr;
};

TEST_F(AnalyzeTyping, HexadecimalLowerCase)
{
    Use(0x00);
    Tap({0x12, 0xAB}, 4, QStringLiteral("12ab"));
    Scene("hex-lower");
    EXPECT_EQ(input->text(), QStringLiteral("12ab"));
    const QStringList lines = LogText(memo).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("0: Virtual Key Code: 0x0031 Chr(X)=1"));
    EXPECT_EQ(lines[2], QStringLiteral("2: Virtual Key Code: 0x0041 Chr(X)=A")); // 'a': the key, upper case
}

TEST_F(AnalyzeTyping, HexadecimalUpperCaseWithEnter)
{
    Use(0x03);
    Tap({0xAB}, 5, QStringLiteral("AB")); // Shift A, Shift B, Enter
    Scene("hex-upper-enter");
    EXPECT_EQ(input->text(), QStringLiteral("AB"));
    const QString log = LogText(memo);
    EXPECT_TRUE(log.contains(QStringLiteral("Virtual Key Code: 0x0010"))) << log.toStdString(); // Shift
    EXPECT_TRUE(log.contains(QStringLiteral("Virtual Key Code: 0x000D"))) << log.toStdString(); // Enter
}

TEST_F(AnalyzeTyping, DecimalWithPrefixAndSuffix)
{
    Use(0x20, "ID-", ".");
    Tap({0x12, 0xAB, 0x00}, 13, QStringLiteral("ID-1223424.")); // Shift I, Shift D, -, seven digits, .
    Scene("decimal-prefix-suffix");
    EXPECT_EQ(input->text(), QStringLiteral("ID-1223424."));
}

} // namespace
