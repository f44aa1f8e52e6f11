#include "tree_walk.h"

#include <windows.h>
#include <winternl.h>

namespace {

using NtCreateFileCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES,
                                          PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG, ULONG, ULONG,
                                          ULONG, PVOID, ULONG);
using NtQueryDirectoryFileCall = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID,
                                                  PIO_STATUS_BLOCK, PVOID, ULONG,
                                                  FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING,
                                                  BOOLEAN);
using NtFileInformationCall = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG,
                                               FILE_INFORMATION_CLASS);
using StatusToErrorCall = ULONG(NTAPI*)(NTSTATUS);

// NTDLL's own calls, found at run time so that the program imports no more
// DLLs than before; every Windows NT has them.
struct NtCalls {
  NtCreateFileCall createFile = nullptr;
  NtQueryDirectoryFileCall queryDirectory = nullptr;
  NtFileInformationCall queryInformation = nullptr;
  NtFileInformationCall setInformation = nullptr;
  StatusToErrorCall toError = nullptr;
  bool complete = false;
};

template <typename Call>
void find(HMODULE ntdll, const char* name, Call* call) {
  *call = reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(ntdll, name)));
}

const NtCalls& nt() {
  static const NtCalls calls = [] {
    NtCalls found;
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr)
      return found;
    find(ntdll, "NtCreateFile", &found.createFile);
    find(ntdll, "NtQueryDirectoryFile", &found.queryDirectory);
    find(ntdll, "NtQueryInformationFile", &found.queryInformation);
    find(ntdll, "NtSetInformationFile", &found.setInformation);
    find(ntdll, "RtlNtStatusToDosError", &found.toError);
    found.complete = found.createFile && found.queryDirectory && found.queryInformation &&
                     found.setInformation && found.toError;
    return found;
  }();
  return calls;
}

constexpr NTSTATUS noMoreFiles = static_cast<NTSTATUS>(0x80000006);
constexpr NTSTATUS noSuchFile = static_cast<NTSTATUS>(0xC000000F);
constexpr NTSTATUS notImplemented = static_cast<NTSTATUS>(0xC0000002);
constexpr NTSTATUS invalidInfoClass = static_cast<NTSTATUS>(0xC0000003);
constexpr NTSTATUS invalidParameter = static_cast<NTSTATUS>(0xC000000D);
constexpr NTSTATUS notSupported = static_cast<NTSTATUS>(0xC00000BB);
constexpr FILE_INFORMATION_CLASS dispositionEx = static_cast<FILE_INFORMATION_CLASS>(64);
constexpr ULONG posixDelete = 0x1 | 0x2 | 0x10;  // delete, POSIX semantics, ignore read-only
constexpr ULONG entryShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr size_t batchSize = 16384;

unsigned long errorOf(NTSTATUS status) {
  return status >= 0 ? 0 : nt().toError(status);
}

UNICODE_STRING counted(const std::wstring& text) {
  UNICODE_STRING string;
  string.Buffer = const_cast<wchar_t*>(text.c_str());
  string.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
  string.MaximumLength = string.Length;
  return string;
}

void readListed(const FILE_ID_BOTH_DIR_INFORMATION& information, ListedEntry* entry) {
  entry->name.assign(information.FileName, information.FileNameLength / sizeof(wchar_t));
  entry->facts.attributes = information.FileAttributes;
  // A listing gives a reparse point's tag where other entries have an EA size.
  entry->facts.reparseTag =
      (information.FileAttributes & reparsePointAttribute) ? information.EaSize : 0;
  entry->facts.fileId = static_cast<uint64_t>(information.FileId.QuadPart);
}

unsigned long readHandleFacts(HANDLE handle, EntryFacts* facts) {
  IO_STATUS_BLOCK io;
  FILE_INTERNAL_INFORMATION id;
  NTSTATUS status = nt().queryInformation(handle, &io, &id, sizeof(id), FileInternalInformation);
  FILE_ATTRIBUTE_TAG_INFORMATION tag;
  if (status >= 0)
    status = nt().queryInformation(handle, &io, &tag, sizeof(tag), FileAttributeTagInformation);
  if (status < 0)
    return errorOf(status);
  facts->fileId = static_cast<uint64_t>(id.IndexNumber.QuadPart);
  facts->attributes = tag.FileAttributes;
  facts->reparseTag = tag.ReparseTag;
  return 0;
}

ACCESS_MASK accessFor(const EntryFacts& listed, OpenPurpose purpose) {
  ACCESS_MASK access = FILE_READ_ATTRIBUTES | SYNCHRONIZE;
  if (listed.attributes & directoryAttribute)
    access |= FILE_LIST_DIRECTORY;
  if (purpose == OpenPurpose::remove)
    access |= DELETE;
  if (listed.attributes & FILE_ATTRIBUTE_READONLY)
    access |= FILE_WRITE_ATTRIBUTES;
  return access;
}

bool isDotOrDotDot(const std::wstring& name) {
  return name == L"." || name == L"..";
}

// Where the system lacks the attribute-blind delete: read-only goes through
// the handle when the file has this one name.
void clearReadOnly(HANDLE handle, const EntryFacts& facts) {
  if (!(facts.attributes & FILE_ATTRIBUTE_READONLY))
    return;
  IO_STATUS_BLOCK io;
  FILE_STANDARD_INFORMATION standard;
  if (nt().queryInformation(handle, &io, &standard, sizeof(standard), FileStandardInformation) <
          0 ||
      standard.NumberOfLinks != 1) {
    return;
  }
  FILE_BASIC_INFORMATION basic = {};
  basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  nt().setInformation(handle, &io, &basic, sizeof(basic), FileBasicInformation);
}

}  // namespace

unsigned long openFolderByPath(const std::wstring& longPath, void** folder) {
  HANDLE handle = CreateFileW(longPath.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE, entryShare,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    return GetLastError();
  *folder = handle;
  return 0;
}

unsigned long findListedName(void* folder, const std::wstring& name, ListedEntry* entry) {
  if (!nt().complete)
    return ERROR_PROC_NOT_FOUND;
  // Room for one entry with the longest name a folder holds.
  std::vector<unsigned char> buffer(sizeof(FILE_ID_BOTH_DIR_INFORMATION) + 4096);
  UNICODE_STRING mask = counted(name);
  IO_STATUS_BLOCK io;
  NTSTATUS status = nt().queryDirectory(folder, nullptr, nullptr, nullptr, &io, buffer.data(),
                                        static_cast<ULONG>(buffer.size()),
                                        FileIdBothDirectoryInformation, TRUE, &mask, TRUE);
  if (status == noSuchFile || status == noMoreFiles)
    return ERROR_FILE_NOT_FOUND;
  if (status < 0)
    return errorOf(status);
  readListed(*reinterpret_cast<const FILE_ID_BOTH_DIR_INFORMATION*>(buffer.data()), entry);
  return 0;
}

unsigned long openListedEntry(void* folder, const ListedEntry& entry, OpenPurpose purpose,
                              OpenedEntry* opened) {
  if (!nt().complete)
    return ERROR_PROC_NOT_FOUND;
  UNICODE_STRING name = counted(entry.name);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, folder, nullptr);
  bool isFolder = (entry.facts.attributes & directoryAttribute) != 0;
  ULONG options = FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT |
                  FILE_SYNCHRONOUS_IO_NONALERT |
                  (isFolder ? FILE_DIRECTORY_FILE : FILE_NON_DIRECTORY_FILE);
  HANDLE handle = nullptr;
  IO_STATUS_BLOCK io;
  NTSTATUS status = nt().createFile(&handle, accessFor(entry.facts, purpose), &attributes, &io,
                                    nullptr, 0, entryShare, FILE_OPEN, options, nullptr, 0);
  if (status < 0)
    return errorOf(status);
  unsigned long code = readHandleFacts(handle, &opened->facts);
  if (code != 0) {
    CloseHandle(handle);
    return code;
  }
  opened->handle = handle;
  return 0;
}

unsigned long volumeSerialOf(void* handle, uint32_t* volume) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(handle, &information))
    return GetLastError();
  *volume = information.dwVolumeSerialNumber;
  return 0;
}

unsigned long readNextEntry(FolderListing* listing, ListedEntry* entry) {
  for (;;) {
    if (!listing->filled) {
      listing->batch.resize(batchSize);
      IO_STATUS_BLOCK io;
      NTSTATUS status = nt().queryDirectory(
          listing->folder, nullptr, nullptr, nullptr, &io, listing->batch.data(),
          static_cast<ULONG>(listing->batch.size()), FileIdBothDirectoryInformation, FALSE, nullptr,
          listing->restart ? TRUE : FALSE);
      listing->restart = false;
      if (status == noMoreFiles || status == noSuchFile)
        return ERROR_NO_MORE_FILES;
      if (status < 0)
        return errorOf(status);
      listing->filled = true;
      listing->next = 0;
    }
    const auto* information = reinterpret_cast<const FILE_ID_BOTH_DIR_INFORMATION*>(
        listing->batch.data() + listing->next);
    readListed(*information, entry);
    if (information->NextEntryOffset == 0)
      listing->filled = false;
    else
      listing->next += information->NextEntryOffset;
    if (!isDotOrDotDot(entry->name))
      return 0;
  }
}

unsigned long deleteOpenedEntry(const OpenedEntry& opened) {
  // Learned at the first delete: a system without the newer call keeps
  // lacking it, and asking again would cost a call per entry.
  static bool posixAvailable = true;
  IO_STATUS_BLOCK io;
  if (posixAvailable) {
    ULONG flags = posixDelete;
    NTSTATUS status = nt().setInformation(opened.handle, &io, &flags, sizeof(flags), dispositionEx);
    if (status >= 0)
      return 0;
    if (status == notImplemented || status == invalidInfoClass)
      posixAvailable = false;
    else if (status != invalidParameter && status != notSupported)
      return errorOf(status);
  }
  clearReadOnly(opened.handle, opened.facts);
  FILE_DISPOSITION_INFORMATION disposition = {TRUE};
  return errorOf(nt().setInformation(opened.handle, &io, &disposition, sizeof(disposition),
                                     FileDispositionInformation));
}

void closeHandle(void* handle) {
  if (handle != nullptr)
    CloseHandle(handle);
}
