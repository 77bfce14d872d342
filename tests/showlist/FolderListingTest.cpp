#include <gtest/gtest.h>

#include "showlist/FolderListing.h"
#include "support/QtPrinting.h"

namespace {

struct JoinCase {
    QString folder, name, path;
};

class JoinFolderAndName : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinFolderAndName, PutsExactlyOneSeparatorBetween) {
    EXPECT_EQ(showlist::joinFolderAndName(GetParam().folder, GetParam().name), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(, JoinFolderAndName,
                         ::testing::Values(JoinCase{"/", "a.png", "/a.png"},
                                           JoinCase{"/home/ann", "a.png", "/home/ann/a.png"},
                                           JoinCase{"/media/usb/", "a.png", "/media/usb/a.png"},
                                           JoinCase{"", "a.png", "a.png"}));

}  // namespace
