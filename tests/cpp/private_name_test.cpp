#include "host/private_name.h"

#include <gtest/gtest.h>

TEST(StoredName, PrivateNamesAreClassQualified) {
  EXPECT_EQ(host::stored_name("MapGisFile", "__Topology"), "_MapGisFile__Topology");
  EXPECT_EQ(host::stored_name("_Hidden", "__x"), "_Hidden__x");
  EXPECT_EQ(host::stored_name("MapGrid", "__corner1000000"), "_MapGrid__corner1000000");
}

TEST(StoredName, OtherNamesStayAsWritten) {
  EXPECT_EQ(host::stored_name("Messenger", "__init__"), "__init__");
  EXPECT_EQ(host::stored_name("Messenger", "_single"), "_single");
  EXPECT_EQ(host::stored_name("Messenger", "publish"), "publish");
  EXPECT_EQ(host::stored_name("Messenger", "__"), "__");
  EXPECT_EQ(host::stored_name("___", "__x"), "__x");
}
