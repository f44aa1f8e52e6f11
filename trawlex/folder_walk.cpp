#include "folder_walk.h"

#include <windows.h>
#include <winternl.h>

#include <cstddef>
#include <cstring>

#include "names.h"

namespace {

// NTDLL is a system DLL of every Windows: its calls are found at run time, so
// that the programs import nothing beyond what they always did.
using CreateFileCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                        PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using QueryDirectoryCall = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID,
                                            ULONG, FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING,
                                            BOOLEAN);
using FileInformationCall = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG,
                                             FILE_INFORMATION_CLASS);
using StatusToErrorCall = ULONG(NTAPI*)(NTSTATUS);

struct NtCalls {
  CreateFileCall createFile = nullptr;
  QueryDirectoryCall queryDirectory = nullptr;
  FileInformationCall queryInformation = nullptr;
  FileInformationCall setInformation = nullptr;
  StatusToErrorCall errorOf = nullptr;
  // Wine's file system knows no DOS wildcards ("<", ">", "\""): its
  // FindFirstFileW hands the pattern over as typed, and so does the listing.
  bool dosWildcards = true;
};

const NtCalls& nt() {
  static const NtCalls calls = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    NtCalls found;
    found.createFile = reinterpret_cast<CreateFileCall>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "NtCreateFile")));
    found.queryDirectory = reinterpret_cast<QueryDirectoryCall>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryDirectoryFile")));
    found.queryInformation = reinterpret_cast<FileInformationCall>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationFile")));
    found.setInformation = reinterpret_cast<FileInformationCall>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "NtSetInformationFile")));
    found.errorOf = reinterpret_cast<StatusToErrorCall>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
    found.dosWildcards = GetProcAddress(ntdll, "wine_get_version") == nullptr;
    return found;
  }();
  return calls;
}

constexpr ULONG shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr ULONG folderOptions = FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT;
// The information classes of NtQueryInformationFile and NtQueryDirectoryFile.
constexpr auto attributeTagClass = static_cast<FILE_INFORMATION_CLASS>(35);
constexpr auto idBothDirectoryClass = static_cast<FILE_INFORMATION_CLASS>(37);

UNICODE_STRING unicodeStringOf(const std::wstring& text) {
  UNICODE_STRING string;
  string.Buffer = const_cast<wchar_t*>(text.c_str());
  string.Length = string.MaximumLength = static_cast<USHORT>(text.size() * sizeof(wchar_t));
  return string;
}

// Opens `name` relative to the folder open as `root` (an empty name is that
// folder itself); returns 0 or a Win32 error code. Like CreateFileW it asks
// for the right to read attributes too, which Windows checks for the
// questions about the handle, and the handle works with the Win32 calls.
uint32_t openRelative(HANDLE root, const std::wstring& name, ACCESS_MASK access, ULONG share,
                      ULONG disposition, ULONG options, HANDLE& handle) {
  UNICODE_STRING objectName = unicodeStringOf(name);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, root, nullptr);
  IO_STATUS_BLOCK io;
  NTSTATUS status =
      nt().createFile(&handle, access | SYNCHRONIZE | FILE_READ_ATTRIBUTES, &attributes, &io,
                      nullptr, FILE_ATTRIBUTE_NORMAL, share, disposition,
                      options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  if (status != 0) {
    handle = INVALID_HANDLE_VALUE;
    return nt().errorOf(status);
  }
  return 0;
}

ListingEntry listingEntryOf(const FILE_ID_BOTH_DIR_INFO& found) {
  ListingEntry entry;
  entry.name.assign(found.FileName, found.FileNameLength / sizeof(wchar_t));
  entry.shownName = shownForm(entry.name);
  entry.isFolder = (found.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  entry.isReparsePoint = (found.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  // A reparse point's tag comes in the room of its extended attributes' size.
  entry.identity = EntryIdentity{found.FileAttributes, entry.isReparsePoint ? found.EaSize : 0,
                                 static_cast<uint64_t>(found.FileId.QuadPart)};
  return entry;
}

void appendEntries(const char* block, std::vector<ListingEntry>& listing) {
  for (size_t offset = 0;;) {
    const auto* found = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(block + offset);
    listing.push_back(listingEntryOf(*found));
    if (found->NextEntryOffset == 0) {
      return;
    }
    offset += found->NextEntryOffset;
  }
}

}  // namespace

OpenFolder::~OpenFolder() {
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
    CloseHandle(handle);
  }
}

bool openTopFolder(const std::wstring& longPath, OpenFolder& folder) {
  folder.handle =
      CreateFileW(longPath.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE, shareAll,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  return folder.handle != INVALID_HANDLE_VALUE;
}

FolderOpen openSubfolder(const OpenFolder& parent, const ListedFile& entry, OpenFolder& folder) {
  HANDLE handle;
  if (openRelative(parent.handle, entry.name, FILE_LIST_DIRECTORY | FILE_TRAVERSE, shareAll,
                   FILE_OPEN, folderOptions | FILE_OPEN_REPARSE_POINT, handle) != 0) {
    return FolderOpen::Skipped;
  }
  folder.handle = handle;
  folder.name = entry.path;
  EntryIdentity opened;
  return identityOf(handle, opened) &&
                 compareWithListing(entry.listed, opened) == OpenedEntry::Listed
             ? FolderOpen::Entered
             : FolderOpen::Replaced;
}

std::vector<ListingEntry> listFolder(const OpenFolder& folder, const std::wstring& pattern) {
  std::vector<ListingEntry> listing;
  HANDLE search;
  // A listing's mask holds for the life of its handle, so each listing has a
  // handle of its own on the same folder.
  if (pattern.empty() || openRelative(folder.handle, std::wstring(), FILE_LIST_DIRECTORY, shareAll,
                                      FILE_OPEN, folderOptions, search) != 0) {
    return listing;
  }
  std::wstring mask = listingMask(pattern, nt().dosWildcards);
  UNICODE_STRING maskString = unicodeStringOf(mask);
  // Entries are 8-byte aligned; the block is kept from listing to listing.
  static std::vector<uint64_t> block(8192);
  for (bool first = true;; first = false) {
    IO_STATUS_BLOCK io;
    NTSTATUS status =
        nt().queryDirectory(search, nullptr, nullptr, nullptr, &io, block.data(),
                            static_cast<ULONG>(block.size() * sizeof(uint64_t)),
                            idBothDirectoryClass, FALSE, first ? &maskString : nullptr, first);
    // Any status but success ends it: no more entries, none matched, or an
    // error, after which the listing holds what came before.
    if (status != 0 || io.Information == 0) {
      break;
    }
    appendEntries(reinterpret_cast<const char*>(block.data()), listing);
  }
  CloseHandle(search);
  return listing;
}

uint32_t openInFolder(const OpenFolder& folder, const std::wstring& name, uint32_t access,
                      uint32_t share, bool followReparsePoint, void*& handle) {
  ULONG options = FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY;
  if (!followReparsePoint) {
    options |= FILE_OPEN_REPARSE_POINT;
  }
  HANDLE opened;
  uint32_t code = openRelative(folder.handle, name, access, share, FILE_OPEN, options, opened);
  handle = opened;
  return code;
}

uint32_t createInFolder(const OpenFolder& folder, const std::wstring& name, void*& handle) {
  HANDLE created;
  uint32_t code =
      openRelative(folder.handle, name, GENERIC_WRITE | DELETE | WRITE_DAC | FILE_WRITE_ATTRIBUTES,
                   0, FILE_CREATE, FILE_NON_DIRECTORY_FILE, created);
  handle = created;
  return code;
}

bool identityOf(void* handle, EntryIdentity& identity) {
  IO_STATUS_BLOCK io;
  FILE_ATTRIBUTE_TAG_INFO tag = {};
  uint64_t id = 0;
  if (nt().queryInformation(handle, &io, &tag, sizeof tag, attributeTagClass) != 0 ||
      !fileIdOf(handle, id)) {
    return false;
  }
  identity = EntryIdentity{tag.FileAttributes, tag.ReparseTag, id};
  return true;
}

bool fileIdOf(void* handle, uint64_t& fileId) {
  IO_STATUS_BLOCK io;
  LARGE_INTEGER id = {};
  if (nt().queryInformation(handle, &io, &id, sizeof id, FileInternalInformation) != 0) {
    return false;
  }
  fileId = static_cast<uint64_t>(id.QuadPart);
  return true;
}

uint32_t renameInFolder(void* handle, const OpenFolder& folder, const std::wstring& name) {
  // The Win32 rename (FileRenameInfo) refuses a folder handle as the root
  // under Wine; the call it stands for takes it everywhere.
  size_t nameBytes = name.size() * sizeof(wchar_t);
  std::vector<uint64_t> block((offsetof(FILE_RENAME_INFORMATION, FileName) + nameBytes) / 8 + 1);
  auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(block.data());
  rename->ReplaceIfExists = TRUE;
  rename->RootDirectory = folder.handle;
  rename->FileNameLength = static_cast<ULONG>(nameBytes);
  memcpy(rename->FileName, name.data(), nameBytes);
  IO_STATUS_BLOCK io;
  NTSTATUS status =
      nt().setInformation(handle, &io, rename, static_cast<ULONG>(block.size() * sizeof(uint64_t)),
                          FileRenameInformation);
  return status == 0 ? 0 : nt().errorOf(status);
}

void deleteWhenClosed(void* handle) {
  FILE_DISPOSITION_INFO disposition = {TRUE};
  SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition);
}
