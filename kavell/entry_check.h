// What the removal walk may do with an entry it opened: whether the handle is
// the entry its folder listed, and which entry of which folder a removal
// starts from.
#ifndef KAVELL_ENTRY_CHECK_H_
#define KAVELL_ENTRY_CHECK_H_

#include <cstdint>
#include <string>

#include "name_rules.h"

/// What a folder's listing, or a handle opened to one of its entries, says an
/// entry is.
struct EntryFacts {
  uint32_t attributes = 0;  ///< FILE_ATTRIBUTE_* bits
  uint32_t reparseTag = 0;  ///< the reparse tag; meaningful with the reparse-point bit
  uint64_t fileId = 0;      ///< the file id on its volume
};

/// FILE_ATTRIBUTE_DIRECTORY.
constexpr uint32_t directoryAttribute = 0x10;

/// What the walk does with an opened entry.
enum class EntryAction {
  enter,   ///< a folder that is no link: empty it through its handle, then delete it
  remove,  ///< a file or a link: delete it through its handle, never enter it
  stop,    ///< not the entry listed: nothing is done through the handle
};

/// The action for an entry that its folder listed as `listed` and that was
/// opened, without following a link, as `opened`. Stop when the file ids
/// differ (the name was given to another file after the listing), when one
/// shows a folder and the other does not, or when the listing shows a link
/// (isLinkEntry) and the handle does not (the open followed the link, as Wine
/// does). Otherwise remove a link (by either) or a file, and enter a folder.
EntryAction checkOpenedEntry(const EntryFacts& listed, const EntryFacts& opened);

/// The action for the folder a removal starts from: as checkOpenedEntry, and
/// a folder to enter must also be `expected` (known, the same volume serial
/// number `volume` and the same file id); else stop. A link is removed as a
/// link whatever `expected` says: it is never entered.
EntryAction checkTopFolder(const EntryFacts& listed, const EntryFacts& opened, uint32_t volume,
                           const FolderIdentity& expected);

/// Splits a full long path ("\\?\C:\a\b", "\\?\UNC\server\share\a") into the
/// folder that holds its last component (a drive or share root with its
/// closing backslash) and that component. False, with neither set, when there
/// is no such component ("\\?\C:\", a trailing backslash), when it is "." or
/// "..", or when it holds a character that a listing takes as a wildcard
/// (* ? < > "), so that listing its folder for it finds that entry alone.
bool splitLastName(const std::wstring& longPath, std::wstring* parent, std::wstring* name);

#endif  // KAVELL_ENTRY_CHECK_H_
