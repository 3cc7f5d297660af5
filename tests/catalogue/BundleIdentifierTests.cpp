#include "catalogue/BundleIdentifier.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

TEST(BundleIdentifierTest, TheVendorNamesOneFolderAndNeverOneEveryProgramShares) {
    EXPECT_EQ(BundleIdentifier::components("com..ab..notes"),
              (std::vector<std::string>{"com", "ab", "notes"}));
    EXPECT_EQ(BundleIdentifier::vendorToken("com.example.Notes"), "example");
    EXPECT_EQ(BundleIdentifier::vendorToken("com..ab..notes"), "ab");
    EXPECT_EQ(BundleIdentifier::vendorToken("com.notes"), std::nullopt);
    EXPECT_EQ(BundleIdentifier::vendorToken("com./.notes"), std::nullopt);
    EXPECT_EQ(BundleIdentifier::vendorToken(std::string("com.\0.notes", 11)), std::nullopt);

    EXPECT_EQ(BundleIdentifier::vendorDotFolder("com.example.notes"), ".example");
    for (const char* shared :
         {"com.ssh.tool", "org.GnuPG.agent", "io.config.x", "net.local.y", "a.Trashes.b"}) {
        EXPECT_EQ(BundleIdentifier::vendorDotFolder(shared), std::nullopt) << shared;
    }
}

} // namespace
} // namespace tarnwick
