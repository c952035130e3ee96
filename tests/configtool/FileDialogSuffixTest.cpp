// The file dialogs' default suffix and filter text.
#include "Dialogs.h"

#include <gtest/gtest.h>

TEST(FileDialog, DefaultSuffixOnlyForNamesWithoutOne)
{
    EXPECT_EQ(WithDefaultSuffix("/tmp/a", "rfc"), "/tmp/a.rfc");
    EXPECT_EQ(WithDefaultSuffix("/tmp/a.txt", "rfc"), "/tmp/a.txt");
    EXPECT_EQ(WithDefaultSuffix("/tmp/dir.d/a", "rfc"), "/tmp/dir.d/a.rfc");
    EXPECT_EQ(WithDefaultSuffix("", "rfc"), "");
    EXPECT_EQ(WithDefaultSuffix("/tmp/a", ""), "/tmp/a");
    EXPECT_EQ(ToolkitFilter("USB RFID Config|*.rfc"), "USB RFID Config (*.rfc)");
}
