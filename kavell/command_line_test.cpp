#include "command_line.h"

#include <gtest/gtest.h>

namespace {

// Lead bytes are 0x81 and above in every double-byte code page; an ASCII byte
// taken for one would hide a backslash or a letter from the helpers.
TEST(CommandLine, NoAsciiByteIsALeadByte) {
  LeadBytes lead = systemLeadBytes();
  for (int byte = 0; byte < 0x80; ++byte)
    EXPECT_FALSE(lead.isLead[byte]) << byte;
}

}  // namespace
