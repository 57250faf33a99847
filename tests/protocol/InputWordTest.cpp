#include "protocol/InputWord.h"

#include <gtest/gtest.h>

namespace {

TEST(InputWordTest, StrictHexadecimalAfterTheHead) {
  struct Case {
    const char* reply;
    std::optional<uint32_t> value;
  };
  const Case cases[] = {
      {"0,05", 5u},
      {"0,ff", 255u},
      {"0,Ab", 0xABu},
      {"xx1", 1u},
      {"0,FFFFFFFF", 0xFFFFFFFFu},
      {"0,100000000", std::nullopt},
      {"0,", std::nullopt},
      {"0", std::nullopt},
      {"", std::nullopt},
      {"0,05 ", std::nullopt},
      {"0, 5", std::nullopt},
      {"0,0x5", std::nullopt},
      {"0,-1", std::nullopt},
      {"0,5\r", std::nullopt},
      {"0,G1", std::nullopt},
      {"0,00000000000000000000000000007", 7u},  // leading zeros never overflow
  };
  for (const Case& c : cases) EXPECT_EQ(StrictHexValue(c.reply), c.value) << c.reply;
}

TEST(InputWordTest, WordFromBothReplies) {
  EXPECT_EQ(InputWordFromReplies("0,05", "0,02"), 0x0205);
  EXPECT_EQ(InputWordFromReplies("0,FF", "0,C0"), 0xC0FF);
  EXPECT_EQ(InputWordFromReplies("0,1FF", "0,1"), 0x02FF);  // kept to 16 bits
  EXPECT_EQ(InputWordFromReplies("0,05 ", "0,02"), 0);
  EXPECT_EQ(InputWordFromReplies("0,05", ""), 0);
  EXPECT_EQ(InputWordFromReplies("0,", "0,02"), 0);
}

}  // namespace
