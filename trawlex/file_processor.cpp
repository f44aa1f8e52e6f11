#include "file_processor.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "byte_scan.h"
#include "file_scan.h"
#include "folder_walk.h"
#include "options.h"
#include "path_rules.h"
#include "progress.h"
#include "report.h"

size_t lineLengthLimit = sizeof(void*) >= 8 ? size_t{1} << 30 : size_t{1} << 28;

namespace {

// Large reads and writes: each call is a round trip through the platform.
constexpr size_t blockSize = size_t{1} << 20;
// Well below what one read of a disk file returns in full on every platform.
constexpr size_t largestRead = size_t{1} << 30;

struct FileHandle {
  HANDLE handle = INVALID_HANDLE_VALUE;
  ~FileHandle() {
    if (handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
    }
  }
};

std::string win32Message(DWORD code) {
  char text[512] = "";
  DWORD size = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                              code, 0, text, sizeof text, nullptr);
  std::string message(text, size);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(code) : message;
}

}  // namespace

void reportFileError(const std::string& text) {
  clearProgress();
  flushReport();
  fflush(stdout);
  fwrite(text.data(), 1, text.size(), stderr);
  fputs("\n", stderr);
  fflush(stderr);
}

namespace {

void reportError(const std::string& text) {
  reportFileError(text);
}

void reportError(const std::string& text, DWORD code) {
  reportError(text + ": " + win32Message(code) + ".");
}

std::string quoted(const std::string& path) {
  return "\"" + path + "\"";
}

enum class ScanFailure { None, Read, Write, CreateOutput, LineTooLong };

struct ScanResult {
  ScanFailure failure = ScanFailure::None;
  DWORD code = 0;
};

bool writeAll(HANDLE output, const std::string& bytes) {
  for (size_t done = 0; done < bytes.size();) {
    DWORD piece = static_cast<DWORD>(std::min(bytes.size() - done, largestRead));
    DWORD written = 0;
    if (!WriteFile(output, bytes.data() + done, piece, &written, nullptr)) {
      return false;
    }
    // A disk file takes less than it was given only when its disk is full.
    if (written != piece) {
      SetLastError(ERROR_DISK_FULL);
      return false;
    }
    done += piece;
  }
  return true;
}

// Tells the scan the size of a file that takes more than one read, for the
// percentage of its progress line. Most files are read whole at once; their
// scan learns the size from the read.
void learnFileSize(FileScan& scan, HANDLE input) {
  LARGE_INTEGER size;
  if (scan.fileSize < 0 && GetFileSizeEx(input, &size)) {
    scan.fileSize = size.QuadPart;
  }
}

// A long read shows how far it has got; the scan does the same for matches
// that take long to write, on the same clock.
void showReadProgress(FileScan& scan) {
  if (runOptions.showProgress && progressDue(scan.lastProgressTick)) {
    printProgress(scan.path, scan.inputOffset, scan.fileSize > 0 ? scan.fileSize : 0);
  }
}

// The read buffer, kept from file to file: allocating per file costs more
// than reading a small file.
struct ReadBuffer {
  char* data = nullptr;
  size_t size = 0;
};

ReadBuffer readBuffer;

// Makes room for `wanted` more bytes after the `kept` bytes of an unfinished
// line; false when the line is too long to hold.
bool makeRoom(ReadBuffer& buffer, size_t kept, size_t wanted) {
  if (kept > lineLengthLimit) {
    return false;
  }
  if (buffer.size >= kept + wanted) {
    return true;
  }
  char* grown = static_cast<char*>(realloc(buffer.data, kept + wanted));
  if (grown == nullptr) {
    return false;
  }
  buffer.data = grown;
  buffer.size = kept + wanted;
  return true;
}

// Copies the first `length` bytes of `input` to `output`: the unchanged
// start of a rewritten file, which the scan does not keep, or the whole file
// for its backup. The input's position is restored for the scan.
bool copyStartOf(HANDLE input, HANDLE output, int64_t length) {
  LARGE_INTEGER zero = {}, resume = {};
  if (!SetFilePointerEx(input, zero, &resume, FILE_CURRENT) ||
      !SetFilePointerEx(input, zero, nullptr, FILE_BEGIN)) {
    return false;
  }
  std::string block;
  for (int64_t done = 0; done < length;) {
    block.resize(static_cast<size_t>(std::min<int64_t>(length - done, blockSize)));
    DWORD got = 0;
    if (!ReadFile(input, &block[0], static_cast<DWORD>(block.size()), &got, nullptr) ||
        got != block.size() || !writeAll(output, block)) {
      return false;
    }
    done += got;
  }
  return SetFilePointerEx(input, resume, nullptr, FILE_BEGIN) != 0;
}

HANDLE createTemporary(const OpenFolder& folder, const FileName& path, FileName& temporaryName);

// A rewrite in progress: the temporary file beside the original, made in the
// file's folder only when the scan meets the first change, so that a file
// without a match is never copied and its folder never touched; with "-k"
// the backup's temporary file too. Each stays open until it is put in place
// by its handle, or deleted through it.
struct Rewrite {
  OpenFolder* folder = nullptr;
  const ListedFile* file = nullptr;
  FileName temporaryName;
  FileHandle temporary;
  FileHandle backup;
};

// Writes what the scan has rewritten so far, once there is a block of it or
// the input has ended: at the first write the temporary file is made and the
// file's unchanged start copied into it.
ScanResult writeRewritten(HANDLE input, FileScan& scan, Rewrite& rewrite, bool final) {
  if (scan.firstChange < 0 || (!final && scan.output.size() < blockSize)) {
    return {};
  }
  if (rewrite.temporary.handle == INVALID_HANDLE_VALUE) {
    rewrite.temporary.handle =
        createTemporary(*rewrite.folder, rewrite.file->path, rewrite.temporaryName);
    if (rewrite.temporary.handle == INVALID_HANDLE_VALUE) {
      return {ScanFailure::CreateOutput, 0};
    }
    if (!copyStartOf(input, rewrite.temporary.handle, scan.firstChange)) {
      return {ScanFailure::Write, GetLastError()};
    }
  }
  if (!writeAll(rewrite.temporary.handle, scan.output)) {
    return {ScanFailure::Write, GetLastError()};
  }
  takeOutput(scan);
  return {};
}

// Feeds the whole input through the scan, in blocks, writing the rewritten
// bytes through `rewrite` when there is one (else they are dropped).
ScanResult scanInput(HANDLE input, FileScan& scan, Rewrite* rewrite) {
  ReadBuffer& buffer = readBuffer;
  size_t kept = 0;
  for (bool final = false; !final;) {
    showReadProgress(scan);
    // A long line is read in ever larger pieces, so that it is scanned and
    // moved a few times, not once per block.
    size_t wanted = std::min(std::max(blockSize, kept), largestRead);
    if (!makeRoom(buffer, kept, wanted)) {
      return {ScanFailure::LineTooLong, 0};
    }
    DWORD got = 0;
    if (!ReadFile(input, buffer.data + kept, static_cast<DWORD>(wanted), &got, nullptr)) {
      return {ScanFailure::Read, GetLastError()};
    }
    // A short read from a disk file means its end has been reached.
    final = got < wanted;
    if (!final) {
      learnFileSize(scan, input);
    }
    size_t filled = kept + got;
    size_t used = scanWindow(scan, std::string_view(buffer.data, filled), final);
    kept = filled - used;
    if (used > 0 && kept > 0) {
      memmove(buffer.data, buffer.data + used, kept);
    }
    if (rewrite == nullptr) {
      takeOutput(scan);
    } else if (ScanResult written = writeRewritten(input, scan, *rewrite, final);
               written.failure != ScanFailure::None) {
      return written;
    }
  }
  return {};
}

// Reports a failed scan; true when there was one. `temporaryName` is the
// name of the temporary file that was to be made.
bool reportScanFailure(const ScanResult& result, const std::string& path,
                       const std::string& temporaryName = std::string()) {
  switch (result.failure) {
    case ScanFailure::None:
      return false;
    case ScanFailure::Read:
      reportError("Error reading " + quoted(path), result.code);
      break;
    case ScanFailure::Write:
      reportError("Error writing " + quoted(path), result.code);
      break;
    case ScanFailure::CreateOutput:
      reportError("Error opening " + quoted(temporaryName) + " for output.");
      break;
    case ScanFailure::LineTooLong:
      reportError("Error reading " + quoted(path) + ": a line is too long to hold in memory.");
      break;
  }
  return true;
}

void printFileSummary(const std::string& path, int32_t matchCount) {
  if (matchCount <= 0 || !runOptions.printGroups) {
    return;
  }
  clearProgress();
  std::string text =
      ">> Within " + path + ": " + std::to_string(matchCount) + " " + pluralNoun() + "\n";
  if (runOptions.printMatches) {
    text += "\n";
  }
  printReportText(text);
}

uint32_t nextSerial() {
  static uint32_t serial = 0;
  return ++serial;
}

// Creates a new, empty temporary file beside `path`, in its folder.
HANDLE createTemporary(const OpenFolder& folder, const FileName& path, FileName& temporaryName) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporaryName = temporaryNameFor(path, GetCurrentProcessId(), nextSerial());
    const std::wstring& real = temporaryName.real;
    void* handle = INVALID_HANDLE_VALUE;
    DWORD code = createInFolder(folder, real.substr(real.rfind(L'\\') + 1), handle);
    if (code != ERROR_ALREADY_EXISTS) {
      return handle;
    }
  }
  return INVALID_HANDLE_VALUE;
}

// Gives the new file the original's DACL, which a rename would otherwise
// replace by what the folder hands down. A failure leaves the inherited one.
void copySecurity(HANDLE from, HANDLE to) {
  DWORD needed = 0;
  GetKernelObjectSecurity(from, DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
  if (needed == 0) {
    return;
  }
  std::vector<char> descriptor(needed);
  if (GetKernelObjectSecurity(from, DACL_SECURITY_INFORMATION, descriptor.data(), needed,
                              &needed)) {
    SetKernelObjectSecurity(to, DACL_SECURITY_INFORMATION, descriptor.data());
  }
}

// Gives the open file `handle` these attributes and times (a zero time is
// left as it is).
void setBasicInformation(HANDLE handle, DWORD attributes, const FILETIME& created,
                         const FILETIME& written) {
  FILE_BASIC_INFO basic = {};
  basic.CreationTime.LowPart = created.dwLowDateTime;
  basic.CreationTime.HighPart = static_cast<LONG>(created.dwHighDateTime);
  basic.LastWriteTime.LowPart = written.dwLowDateTime;
  basic.LastWriteTime.HighPart = static_cast<LONG>(written.dwHighDateTime);
  basic.FileAttributes = attributes;
  SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
}

// Copies the open original (`input`) to a temporary file in its folder, the
// backup to be, with the original's attributes and times. A read-only older
// backup stays, as a copy over it would fail on Windows (some platform
// layers let a rename replace it), and so does a folder of that name.
DWORD makeBackup(Rewrite& rewrite, HANDLE input, const BY_HANDLE_FILE_INFORMATION& original) {
  const ListedFile& file = *rewrite.file;
  FileHandle existing;
  EntryIdentity older;
  DWORD code =
      openInFolder(*rewrite.folder, file.name + L".bak", FILE_READ_ATTRIBUTES,
                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, false, existing.handle);
  if (code == 0 && identityOf(existing.handle, older) &&
      (older.attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return ERROR_ACCESS_DENIED;
  }
  if (code != 0 && code != ERROR_FILE_NOT_FOUND) {
    return code;
  }
  FileName copyName;
  rewrite.backup.handle = createTemporary(*rewrite.folder, file.path, copyName);
  LARGE_INTEGER size = {};
  if (rewrite.backup.handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(input, &size) ||
      !copyStartOf(input, rewrite.backup.handle, size.QuadPart)) {
    return GetLastError();
  }
  setBasicInformation(rewrite.backup.handle, original.dwFileAttributes, original.ftCreationTime,
                      original.ftLastWriteTime);
  return 0;
}

void reportReplaced(const std::string& path) {
  reportError("Error reading " + quoted(path) +
              ": the file was replaced after its folder was listed.");
}

// True when the name of `file` in `folder` still leads to the file that was
// listed, as a fresh open relative to the folder tells.
bool isStillListed(const OpenFolder& folder, const ListedFile& file) {
  FileHandle again;
  EntryIdentity opened;
  return openInFolder(folder, file.name, FILE_READ_ATTRIBUTES,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, false,
                      again.handle) == 0 &&
         identityOf(again.handle, opened) &&
         compareWithListing(file.listed, opened) == OpenedEntry::Listed;
}

// Puts the backup (with "-k") and the temporary file in place, each by one
// rename within the folder, so that whenever the process is stopped the
// file's name holds the old or the new content. ReplaceFileA is not used:
// some implementations move the original aside before the new file takes its
// name, and a stop between the two leaves no file under the name. What it
// would keep and a rename does not (creation time, DACL, attributes) is
// carried over by hand. A file that another program holds open without
// delete sharing makes the rename fail, and the original stays. Returns
// false, having reported why, when the original stays as it was.
bool commitRewrite(Rewrite& rewrite, const BY_HANDLE_FILE_INFORMATION& original) {
  const ListedFile& file = *rewrite.file;
  if (!isStillListed(*rewrite.folder, file)) {
    reportReplaced(file.path.shown);
    return false;
  }
  if (rewrite.backup.handle != INVALID_HANDLE_VALUE) {
    DWORD code = renameInFolder(rewrite.backup.handle, *rewrite.folder, file.name + L".bak");
    if (code != 0) {
      reportError("Error creating backup " + quoted(file.path.shown + ".bak"), code);
      return false;
    }
    CloseHandle(rewrite.backup.handle);
    rewrite.backup.handle = INVALID_HANDLE_VALUE;
  }
  HANDLE temporary = rewrite.temporary.handle;
  setBasicInformation(temporary, rewrittenAttributes(original.dwFileAttributes),
                      original.ftCreationTime, FILETIME{});
  DWORD code = renameInFolder(temporary, *rewrite.folder, file.name);
  if (code != 0) {
    reportError("Error replacing " + quoted(file.path.shown), code);
    return false;
  }
  // The temporary file is the file now.
  rewrite.temporary.handle = INVALID_HANDLE_VALUE;
  CloseHandle(temporary);
  return true;
}

BY_HANDLE_FILE_INFORMATION informationOf(HANDLE input) {
  BY_HANDLE_FILE_INFORMATION information = {};
  GetFileInformationByHandle(input, &information);
  return information;
}

// The name by which the system holds an open file or folder, links on the
// way resolved, without its volume; empty when it cannot tell. (The resolved
// full path that GetFinalPathNameByHandleW gives fails past MAX_PATH on some
// platform layers.)
std::wstring resolvedNameOf(HANDLE handle) {
  static std::vector<char> buffer(sizeof(FILE_NAME_INFO) + 32768 * sizeof(wchar_t));
  if (!GetFileInformationByHandleEx(handle, FileNameInfo, buffer.data(),
                                    static_cast<DWORD>(buffer.size()))) {
    return std::wstring();
  }
  const FILE_NAME_INFO* information = reinterpret_cast<const FILE_NAME_INFO*>(buffer.data());
  return std::wstring(information->FileName, information->FileNameLength / sizeof(wchar_t));
}

// Learns the volume and resolved name of `folder` from its handle, once for
// all its files.
void learnFolderIdentity(OpenFolder& folder) {
  if (folder.identityKnown) {
    return;
  }
  folder.identityKnown = true;
  BY_HANDLE_FILE_INFORMATION information = {};
  if (GetFileInformationByHandle(folder.handle, &information)) {
    folder.volume = information.dwVolumeSerialNumber;
    folder.resolvedName = resolvedNameOf(folder.handle);
  }
}

// Why the file open as `input` must not be rewritten by its name, or null. A
// rename puts a new file in the place of that name only: through a symbolic
// link the file it leads to would keep the old text and the link would be
// gone; a file with other names (hard links) would keep the old text under
// them. A file symbolic link may look like a plain file; the name the system
// resolved tells.
const char* linkReason(HANDLE input, OpenFolder& folder, const ListedFile& file,
                       const BY_HANDLE_FILE_INFORMATION& original) {
  if (original.nNumberOfLinks > 1) {
    return "the file has more than one name (a hard link)";
  }
  learnFolderIdentity(folder);
  std::wstring resolvedName = resolvedNameOf(input);
  if (resolvedName.empty() || folder.resolvedName.empty()) {
    return "cannot tell whether the file is a link";
  }
  if (original.dwVolumeSerialNumber != folder.volume ||
      !isFolderEntry(resolvedName, folder.resolvedName, file.name)) {
    return "the file is a symbolic link";
  }
  return nullptr;
}

// A file that must not be rewritten (read-only, a link) keeps its content.
// Counting its occurrences quietly tells whether it would have been
// rewritten, and so whether to say why it was not.
int32_t refuseRewrite(HANDLE input, FileScan& scan, const char* reason) {
  scan.quiet = true;
  ScanResult result = scanInput(input, scan, nullptr);
  if (!reportScanFailure(result, scan.path) && scan.matchCount > 0) {
    reportError("Error replacing " + quoted(scan.path) + ": " + reason + ".");
  }
  return 0;
}

// Deletes, through its handle, a temporary file of a rewrite that is not put
// in place.
void discardTemporary(FileHandle& temporary) {
  if (temporary.handle != INVALID_HANDLE_VALUE) {
    deleteWhenClosed(temporary.handle);
    CloseHandle(temporary.handle);
    temporary.handle = INVALID_HANDLE_VALUE;
  }
}

void discardRewrite(Rewrite& rewrite) {
  discardTemporary(rewrite.temporary);
  discardTemporary(rewrite.backup);
}

enum class FirstLook { NoOccurrence, Rewound, Failed };

// Most files of a large tree hold no occurrence. One that is read whole at
// once without one can have no match and needs none of a rewrite's checks;
// any other is set back to its start for the scan.
FirstLook lookFirst(HANDLE input, const FileScan& scan) {
  const std::string& search = *scan.searchText;
  DWORD got = 0;
  if (!search.empty() && makeRoom(readBuffer, 0, blockSize) &&
      ReadFile(input, readBuffer.data, static_cast<DWORD>(blockSize), &got, nullptr) &&
      got < blockSize &&
      findNeedle(readBuffer.data, got, 0, search.data(), search.size(), runOptions.ignoreCase) ==
          got) {
    return FirstLook::NoOccurrence;
  }
  LARGE_INTEGER start = {};
  return SetFilePointerEx(input, start, nullptr, FILE_BEGIN) ? FirstLook::Rewound
                                                             : FirstLook::Failed;
}

// Why the file open as `input` is not rewritten at all, or null.
const char* refusalReason(HANDLE input, Rewrite& rewrite, OpenedEntry opened,
                          const BY_HANDLE_FILE_INFORMATION& original) {
  if ((original.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return "the file is read-only";
  }
  if (opened == OpenedEntry::ListedLink) {
    return "the file is a symbolic link";
  }
  return linkReason(input, *rewrite.folder, *rewrite.file, original);
}

int32_t replaceInFile(FileHandle& input, EntryIdentity opened, FileScan& scan, Rewrite& rewrite) {
  const FileName& path = rewrite.file->path;
  switch (lookFirst(input.handle, scan)) {
    case FirstLook::NoOccurrence:
      return 0;
    case FirstLook::Failed:
      reportError("Error reading " + quoted(path.shown), GetLastError());
      return 0;
    case FirstLook::Rewound:
      break;
  }
  BY_HANDLE_FILE_INFORMATION original = informationOf(input.handle);
  opened.attributes = original.dwFileAttributes;
  OpenedEntry verdict = compareWithListing(rewrite.file->listed, opened);
  if (verdict == OpenedEntry::Replaced) {
    reportReplaced(path.shown);
    return 0;
  }
  if (const char* reason = refusalReason(input.handle, rewrite, verdict, original)) {
    return refuseRewrite(input.handle, scan, reason);
  }
  ScanResult result = scanInput(input.handle, scan, &rewrite);
  bool ready =
      !reportScanFailure(result, path.shown, rewrite.temporaryName.shown) && scan.matchCount > 0;
  if (ready) {
    copySecurity(input.handle, rewrite.temporary.handle);
  }
  if (ready && runOptions.backups) {
    if (DWORD code = makeBackup(rewrite, input.handle, original)) {
      reportError("Error creating backup " + quoted(path.shown + ".bak"), code);
      ready = false;
    }
  }
  // The original must be closed before it can be replaced.
  CloseHandle(input.handle);
  input.handle = INVALID_HANDLE_VALUE;
  if (!ready || !commitRewrite(rewrite, original)) {
    discardRewrite(rewrite);
    return 0;
  }
  return scan.matchCount;
}

// The scan of the file being processed, kept from file to file like the read
// buffer.
FileScan fileScan;

// Opens the listed file relative to its folder (through a reparse point
// that the listing showed) and checks by its id that it is the file listed;
// its attributes are asked only when it is to be rewritten. While replacing,
// nobody else may write the file between the read and the replacement.
bool openListedFile(const Rewrite& rewrite, FileHandle& input, EntryIdentity& opened) {
  const ListedFile& file = *rewrite.file;
  DWORD share = runOptions.replace ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
  DWORD access = runOptions.replace ? GENERIC_READ | READ_CONTROL : GENERIC_READ;
  if (openInFolder(*rewrite.folder, file.name, access, share, isReparsePoint(file.listed),
                   input.handle) != 0) {
    reportError("Error opening " + quoted(file.path.shown) + " for input.");
    return false;
  }
  if (!fileIdOf(input.handle, opened.fileId) ||
      compareWithListing(file.listed, opened) == OpenedEntry::Replaced) {
    reportReplaced(file.path.shown);
    return false;
  }
  return true;
}

int32_t searchFile(const std::string& searchText, const std::string& replaceText,
                   Rewrite& rewrite) {
  const FileName& path = rewrite.file->path;
  FileHandle input;
  EntryIdentity opened;
  if (!openListedFile(rewrite, input, opened)) {
    return 0;
  }
  startFileScan(fileScan, path.shown, searchText, replaceText);
  int32_t matchCount = 0;
  if (runOptions.replace) {
    matchCount = replaceInFile(input, opened, fileScan, rewrite);
  } else if (!reportScanFailure(scanInput(input.handle, fileScan, nullptr), path.shown)) {
    matchCount = fileScan.matchCount;
  }
  printFileSummary(path.shown, matchCount);
  return matchCount;
}

// Gives back the memory that a file's work took.
void releaseMemory() {
  fileScan.output = std::string();
  free(readBuffer.data);
  readBuffer = ReadBuffer();
}

}  // namespace

uint32_t rewrittenAttributes(uint32_t original) {
  return FILE_ATTRIBUTE_ARCHIVE | (original & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                               FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
}

int32_t processFile(OpenFolder& folder, const ListedFile& file, const std::string& searchText,
                    const std::string& replaceText) {
  const FileName& path = file.path;
  printProgress(path.shown, 0, 0);
  Rewrite rewrite;
  rewrite.folder = &folder;
  rewrite.file = &file;
  // The standard containers throw when memory runs out, and one file's work
  // must not end the run: this is the one place that catches an exception.
  try {
    return searchFile(searchText, replaceText, rewrite);
  } catch (const std::bad_alloc&) {
    discardRewrite(rewrite);
    releaseMemory();
    reportError("Error processing " + quoted(path.shown) + ": not enough memory.");
    return 0;
  }
}
