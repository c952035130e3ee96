#include "KeyCodes.h"

#include <linux/input-event-codes.h>

#include <array>

namespace cardlistener {
namespace {

// The kernel's hid-input table, indexed by usage (0: no key).
constexpr std::array<uint8_t, 256> KeyOfUsage = {
    0,   0,   0,   0,   30,  48,  46,  32,  18,  33,  34,  35,  23,  36,  37,  38,  //
    50,  49,  24,  25,  16,  19,  31,  20,  22,  47,  17,  45,  21,  44,  2,   3,   //
    4,   5,   6,   7,   8,   9,   10,  11,  28,  1,   14,  15,  57,  12,  13,  26,  //
    27,  43,  43,  39,  40,  41,  51,  52,  53,  58,  59,  60,  61,  62,  63,  64,  //
    65,  66,  67,  68,  87,  88,  99,  70,  119, 110, 102, 104, 111, 107, 109, 106, //
    105, 108, 103, 69,  98,  55,  74,  78,  96,  79,  80,  81,  75,  76,  77,  71,  //
    72,  73,  82,  83,  86,  127, 116, 117, 183, 184, 185, 186, 187, 188, 189, 190, //
    191, 192, 193, 194, 134, 138, 130, 132, 128, 129, 131, 137, 133, 135, 136, 113, //
    115, 114, 0,   0,   0,   121, 0,   89,  93,  124, 92,  94,  95,  0,   0,   0,   //
    122, 123, 90,  91,  85,  0,   0,   0,   0,   0,   0,   0,   111, 0,   0,   0,   //
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   //
    0,   0,   0,   0,   0,   0,   179, 180, 0,   0,   0,   0,   0,   0,   0,   0,   //
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   //
    0,   0,   0,   0,   0,   0,   0,   0,   111, 0,   0,   0,   0,   0,   0,   0,   //
    29,  42,  56,  125, 97,  54,  100, 126, 164, 166, 165, 163, 161, 115, 114, 113, //
    150, 158, 159, 128, 136, 177, 178, 176, 142, 152, 173, 140, 0,   0,   0,   0,   //
};

struct Character {
    uint16_t key;
    char plain;
    char shifted;
};

constexpr Character UsLayout[] = {
    {KEY_1, '1', '!'},          {KEY_2, '2', '@'},          {KEY_3, '3', '#'},          {KEY_4, '4', '$'},
    {KEY_5, '5', '%'},          {KEY_6, '6', '^'},          {KEY_7, '7', '&'},          {KEY_8, '8', '*'},
    {KEY_9, '9', '('},          {KEY_0, '0', ')'},          {KEY_MINUS, '-', '_'},      {KEY_EQUAL, '=', '+'},
    {KEY_LEFTBRACE, '[', '{'},  {KEY_RIGHTBRACE, ']', '}'}, {KEY_BACKSLASH, '\\', '|'}, {KEY_SEMICOLON, ';', ':'},
    {KEY_APOSTROPHE, '\'', '"'}, {KEY_GRAVE, '`', '~'},     {KEY_COMMA, ',', '<'},      {KEY_DOT, '.', '>'},
    {KEY_SLASH, '/', '?'},      {KEY_SPACE, ' ', ' '},      {KEY_TAB, '\t', '\t'},      {KEY_ENTER, '\n', '\n'},
    {KEY_KPENTER, '\n', '\n'},  {KEY_Q, 'q', 'Q'},          {KEY_W, 'w', 'W'},          {KEY_E, 'e', 'E'},
    {KEY_R, 'r', 'R'},          {KEY_T, 't', 'T'},          {KEY_Y, 'y', 'Y'},          {KEY_U, 'u', 'U'},
    {KEY_I, 'i', 'I'},          {KEY_O, 'o', 'O'},          {KEY_P, 'p', 'P'},          {KEY_A, 'a', 'A'},
    {KEY_S, 's', 'S'},          {KEY_D, 'd', 'D'},          {KEY_F, 'f', 'F'},          {KEY_G, 'g', 'G'},
    {KEY_H, 'h', 'H'},          {KEY_J, 'j', 'J'},          {KEY_K, 'k', 'K'},          {KEY_L, 'l', 'L'},
    {KEY_Z, 'z', 'Z'},          {KEY_X, 'x', 'X'},          {KEY_C, 'c', 'C'},          {KEY_V, 'v', 'V'},
    {KEY_B, 'b', 'B'},          {KEY_N, 'n', 'N'},          {KEY_M, 'm', 'M'},
};

} // namespace

uint16_t KeyCodeOfUsage(uint8_t usage)
{
    return KeyOfUsage[usage];
}

uint8_t ModifierBitOfKey(uint16_t keyCode)
{
    switch (keyCode) {
    case KEY_LEFTCTRL: return 0x01;
    case KEY_LEFTSHIFT: return 0x02;
    case KEY_LEFTALT: return 0x04;
    case KEY_LEFTMETA: return 0x08;
    case KEY_RIGHTCTRL: return 0x10;
    case KEY_RIGHTSHIFT: return 0x20;
    case KEY_RIGHTALT: return 0x40;
    case KEY_RIGHTMETA: return 0x80;
    default: return 0;
    }
}

std::optional<char> CharacterOfKey(uint16_t keyCode, bool shift)
{
    for (const Character &c : UsLayout)
        if (c.key == keyCode)
            return shift ? c.shifted : c.plain;
    return std::nullopt;
}

} // namespace cardlistener
