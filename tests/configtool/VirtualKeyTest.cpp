// The virtual-key codes the analyzer logs.
#include "VirtualKey.h"

#include <Qt>

#include <gtest/gtest.h>

TEST(VirtualKey, CharactersAndKeysGiveTheirWindowsCodes)
{
    const std::pair<int, int> keys[] = {
        {Qt::Key_A, 0x41},       {Qt::Key_Z, 0x5A},         {Qt::Key_0, 0x30},        {Qt::Key_9, 0x39},
        {Qt::Key_Return, 0x0D},  {Qt::Key_Enter, 0x0D},     {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},
        {Qt::Key_Escape, 0x1B},  {Qt::Key_Space, 0x20},     {Qt::Key_Left, 0x25},     {Qt::Key_Up, 0x26},
        {Qt::Key_Right, 0x27},   {Qt::Key_Down, 0x28},      {Qt::Key_F1, 0x70},       {Qt::Key_F12, 0x7B},
        {Qt::Key_Shift, 0x10},   {Qt::Key_Control, 0x11},   {Qt::Key_Alt, 0x12},      {Qt::Key_Delete, 0x2E},
        {Qt::Key_Insert, 0x2D},  {Qt::Key_Home, 0x24},      {Qt::Key_End, 0x23},      {Qt::Key_PageUp, 0x21},
        {Qt::Key_PageDown, 0x22}, {Qt::Key_Minus, 0xBD},    {Qt::Key_Equal, 0xBB},    {Qt::Key_Comma, 0xBC},
        {Qt::Key_Period, 0xBE},  {Qt::Key_Slash, 0xBF},     {Qt::Key_Semicolon, 0xBA}, {Qt::Key_Apostrophe, 0xDE},
        {Qt::Key_BracketLeft, 0xDB}, {Qt::Key_BracketRight, 0xDD}, {Qt::Key_Backslash, 0xDC},
        {Qt::Key_QuoteLeft, 0xC0}, {Qt::Key_Exclam, 0x31},  {Qt::Key_Colon, 0xBA},
    };
    for (const auto &[key, code] : keys)
        EXPECT_EQ(VirtualKeyCode(key, false), code) << std::hex << key;
    EXPECT_EQ(VirtualKeyCode(Qt::Key_F13, false), 0x7C);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_unknown, false), 0);
}

TEST(VirtualKey, KeypadDigitsAndOperatorsHaveTheirOwnCodes)
{
    EXPECT_EQ(VirtualKeyCode(Qt::Key_0, true), 0x60);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_9, true), 0x69);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Asterisk, true), 0x6A);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Minus, true), 0x6D);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Enter, true), 0x0D);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Home, true), 0x24);
}
