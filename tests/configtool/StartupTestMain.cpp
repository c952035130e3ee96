#include "TestSupport.h"
#include "UnexpectedError.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    mardune::testing::PrepareEnvironment();
    TApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
