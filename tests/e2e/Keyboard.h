// The X server's keyboard through XTest, shared by the scenes: what the
// reader types (its keyboard sink) and what a person types into the
// dialogs. Connected at first use; std::runtime_error without an X server
// that has XTest.
#pragma once

#include "XTestKeyboard.h"

#include <memory>
#include <stdexcept>

namespace e2e {

inline readersim::XTestKeyboard &Keyboard()
{
    static const std::unique_ptr<readersim::XTestKeyboard> keyboard = [] {
        auto connected = readersim::XTestKeyboard::Connect();
        if (!connected)
            throw std::runtime_error("no X server with XTest");
        return connected;
    }();
    return *keyboard;
}

} // namespace e2e
