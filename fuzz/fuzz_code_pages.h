// The code pages the Kavell fuzz targets run under.
#ifndef FUZZ_CODE_PAGES_H_
#define FUZZ_CODE_PAGES_H_

#include <fuzzer/FuzzedDataProvider.h>

#include "ansi_strings.h"

/// A double-byte code page in which every byte from 0x81 to 0xFE opens a
/// character, so that trail bytes may be "\", "%" or ASCII letters.
inline LeadBytes everyHighByteLeads() {
  LeadBytes lead;
  for (int byte = 0x81; byte <= 0xFE; ++byte)
    lead.isLead[byte] = true;
  return lead;
}

/// Takes one choice from `input`: everyHighByteLeads() or a single-byte page.
inline LeadBytes consumeCodePage(FuzzedDataProvider& input) {
  return input.ConsumeBool() ? everyHighByteLeads() : singleByteCodePage();
}

#endif  // FUZZ_CODE_PAGES_H_
