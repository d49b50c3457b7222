// The exchange file handed to the dialog program comes back whole, with what the takeover
// wrote in its place: OK checks that before it writes its result.
#include "platform/linux/exchange_handover.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

namespace {

TEST(ExchangeHandover, CarriesWhatTheTakeoverWrote) {
  struct Case {
    const char* what;
    bool written;
    std::string identity, bytes;
  } const kCases[] = {
      {"hq written, identity known", true, "2049:131", "lg2\r\nhp1 1 2\r\n"},
      {"hq written, no identity", true, "", "lg2\n\n"},
      {"nothing written", false, "", ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    ExchangeTakeover sent;
    sent.NothingToDrawWritten = c.written;
    sent.WrittenIdentity = c.identity;
    sent.Bytes = c.bytes;
    const int fd = PutIntoInheritedMemoryFile(sent);
    ASSERT_GE(fd, 0);
    ::setenv(kHandedOverExchangeVariable, std::to_string(fd).c_str(), 1);
    const std::optional<ExchangeTakeover> got = TakeHandedOverExchange();
    ASSERT_TRUE(got);
    EXPECT_TRUE(got->ReadToItsEnd);
    EXPECT_EQ(got->NothingToDrawWritten, c.written);
    EXPECT_EQ(got->WrittenIdentity, c.identity);
    EXPECT_EQ(got->Bytes, c.bytes);
  }
}

}  // namespace
