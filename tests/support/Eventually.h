// Waiting in a test for state that another thread or process makes true
// and that sends no notification of its own.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace korvel::testing {

// Checks `condition` every millisecond until it holds; a failure once
// `limit` has passed (generous: the machines that run the tests are shared
// and slow at times).
template <typename Condition>
::testing::AssertionResult eventually(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(20))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return condition() ? ::testing::AssertionSuccess()
                               : ::testing::AssertionFailure() << "still not so after " << limit.count() << " ms";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return ::testing::AssertionSuccess();
}

} // namespace korvel::testing
