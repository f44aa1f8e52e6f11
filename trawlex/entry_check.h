// The decisions of the walk by handles: whether what a relative open gave is
// the entry that the folder's listing showed, whether an entry is a link, and
// the mask that a listing hands the file system for a typed name pattern.
#ifndef TRAWLEX_ENTRY_CHECK_H_
#define TRAWLEX_ENTRY_CHECK_H_

#include <cstdint>
#include <string>

/// What a listing or an open handle tells of one entry: its attributes, its
/// reparse tag (0 unless the reparse-point attribute is set) and its file id.
struct EntryIdentity {
  uint32_t attributes = 0;
  uint32_t reparseTag = 0;
  uint64_t fileId = 0;
};

/// True for a reparse point of any kind.
bool isReparsePoint(const EntryIdentity& entry);

/// True for a link: a reparse point whose tag names another place (a
/// junction, a mount point, a symbolic link), or one with tag 0, as Wine
/// shows a Unix symbolic link to a folder. Cloud placeholders and other
/// reparse points that hold the data themselves are no links.
bool isLink(const EntryIdentity& entry);

enum class OpenedEntry {
  /// The entry that was listed.
  Listed,
  /// A link that the listing showed as one: read through, never rewritten.
  ListedLink,
  /// Something else than was listed: another file under the name (its id
  /// differs), or a reparse point where the listing showed none.
  Replaced,
};

/// Compares what an open by the listed name gave (`opened`) with what the
/// listing showed (`listed`). An entry listed as a link is opened through it,
/// so its ids are not compared; any other must keep its id (where the
/// listing gave one: a file system may list 0), and one listed as no reparse
/// point must not have become one (attributes 0 in `opened`: not known yet,
/// only the id is compared). Never looks at names.
OpenedEntry compareWithListing(const EntryIdentity& listed, const EntryIdentity& opened);

/// The mask that a folder listing hands the file system for the typed name
/// `pattern`, as the platform's own wildcard search does. Where the file
/// system knows the DOS wildcards (`dosWildcards`), "*.*" is "*", every "?"
/// becomes ">", a "." before a "?" or "*" becomes "\"", and a "*" before a
/// "." becomes "<", so that "*.*" also names files without a dot and "a?"
/// also names "a"; elsewhere the pattern is given as typed.
std::wstring listingMask(const std::wstring& pattern, bool dosWildcards);

#endif  // TRAWLEX_ENTRY_CHECK_H_
