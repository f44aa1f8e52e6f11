// Account resolution for the SID texts that name profile-list entries.
#ifndef KAVELL_SID_LOOKUP_H_
#define KAVELL_SID_LOOKUP_H_

#include <windows.h>

#include <string>

#include "sid_text.h"

/// A newly built binary SID from `parts`, or null when it cannot be allocated.
/// Release it with FreeSid.
PSID sidFromParts(const SidParts& parts);

/// A newly built binary SID for `text` (see parseSidText), or null when the
/// text does not convert or the SID cannot be allocated. Release it with
/// FreeSid.
PSID sidFromString(const std::string& text);

/// Looks up the account of the SID `sidText` (a profile-list name as stored)
/// on `machineName` (null: the local machine) with LookupAccountSidW. Returns
/// 0 and fills both names as the account database spells them, or a Win32
/// error code and leaves both empty: 87 when the text does not convert, 1332
/// when no account is mapped, the look-up's own code otherwise. Names longer
/// than 254 characters do not fit and fail the look-up.
unsigned long lookupSidAccount(const std::wstring& sidText, const wchar_t* machineName,
                               std::wstring* accountName, std::wstring* domainName);

#endif  // KAVELL_SID_LOOKUP_H_
