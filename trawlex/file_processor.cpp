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

void reportError(const std::string& text) {
  clearProgress();
  flushReport();
  fflush(stdout);
  fwrite(text.data(), 1, text.size(), stderr);
  fputs("\n", stderr);
  fflush(stderr);
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
// start of a rewritten file, which the scan does not keep. The input's
// position is restored for the scan.
bool copyUnchangedStart(HANDLE input, HANDLE output, int64_t length) {
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

HANDLE createTemporary(const FileName& path, FileName& temporaryName);

// A rewrite in progress: the temporary file beside the original, made only
// when the scan meets the first change, so that a file without a match is
// never copied and its folder never touched.
struct Rewrite {
  const FileName* path = nullptr;
  FileName temporaryName;
  FileHandle temporary;
  bool made = false;
};

// Writes what the scan has rewritten so far, once there is a block of it or
// the input has ended: at the first write the temporary file is made and the
// file's unchanged start copied into it.
ScanResult writeRewritten(HANDLE input, FileScan& scan, Rewrite& rewrite, bool final) {
  if (scan.firstChange < 0 || (!final && scan.output.size() < blockSize)) {
    return {};
  }
  if (rewrite.temporary.handle == INVALID_HANDLE_VALUE) {
    rewrite.temporary.handle = createTemporary(*rewrite.path, rewrite.temporaryName);
    if (rewrite.temporary.handle == INVALID_HANDLE_VALUE) {
      return {ScanFailure::CreateOutput, 0};
    }
    rewrite.made = true;
    if (!copyUnchangedStart(input, rewrite.temporary.handle, scan.firstChange)) {
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

// Creates a new, empty temporary file beside `path`.
HANDLE createTemporary(const FileName& path, FileName& temporaryName) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporaryName = temporaryNameFor(path, GetCurrentProcessId(), nextSerial());
    HANDLE handle = CreateFileW(temporaryName.real.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
      return handle;
    }
  }
  return INVALID_HANDLE_VALUE;
}

// Gives the new file the original's DACL, which a rename would otherwise
// replace by what the folder hands down. A failure leaves the inherited one.
void copySecurity(const std::wstring& from, const std::wstring& to) {
  DWORD needed = 0;
  GetFileSecurityW(from.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
  if (needed == 0) {
    return;
  }
  std::vector<char> descriptor(needed);
  if (GetFileSecurityW(from.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), needed,
                       &needed)) {
    SetFileSecurityW(to.c_str(), DACL_SECURITY_INFORMATION, descriptor.data());
  }
}

// Puts the temporary file in the place of `path` with one rename, so that
// whenever the process is stopped, `path` holds the old or the new content.
// ReplaceFileA is not used: some implementations move the original aside
// before the new file takes its name (all do when asked for a backup), and a
// stop between the two leaves no file under the name. What it would keep and
// a rename does not (creation time, DACL) is carried over by hand. A file
// that another program holds open without delete sharing makes the rename
// fail, and the original stays.
DWORD putInPlace(const FileName& path, const FileName& temporaryName) {
  copySecurity(path.real, temporaryName.real);
  if (MoveFileExW(temporaryName.real.c_str(), path.real.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return 0;
  }
  return GetLastError();
}

void restoreAttributes(const FileName& path, DWORD attributes) {
  SetFileAttributesW(path.real.c_str(), rewrittenAttributes(attributes));
}

// Copies `path` to `backup`. The copy is made under a temporary name and
// renamed over an older backup only once it is complete, so that a copy that
// fails part-way (a full disk) leaves the older backup as it was.
DWORD makeBackup(const FileName& path, const FileName& backup) {
  // A read-only older backup stays, as a copy over it would fail on Windows;
  // some platform layers let a rename replace it.
  DWORD existing = GetFileAttributesW(backup.real.c_str());
  if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY) != 0) {
    return ERROR_ACCESS_DENIED;
  }
  FileName copy = temporaryNameFor(path, GetCurrentProcessId(), nextSerial());
  if (CopyFileW(path.real.c_str(), copy.real.c_str(), TRUE) &&
      MoveFileExW(copy.real.c_str(), backup.real.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return 0;
  }
  DWORD code = GetLastError();
  DeleteFileW(copy.real.c_str());
  return code;
}

// Closes the temporary file and puts it in place (after the backup, with
// "-k"); returns false, having reported why, when the original stays as it was.
bool commitRewrite(const FileName& path, FileHandle& temporary, const FileName& temporaryName,
                   const BY_HANDLE_FILE_INFORMATION& original) {
  HANDLE handle = temporary.handle;
  temporary.handle = INVALID_HANDLE_VALUE;
  SetFileTime(handle, &original.ftCreationTime, nullptr, nullptr);
  if (!CloseHandle(handle)) {
    reportError("Error writing " + quoted(path.shown), GetLastError());
    return false;
  }
  if (runOptions.backups) {
    FileName backup{path.real + L".bak", path.shown + ".bak"};
    DWORD code = makeBackup(path, backup);
    if (code != 0) {
      reportError("Error creating backup " + quoted(backup.shown), code);
      return false;
    }
  }
  DWORD code = putInPlace(path, temporaryName);
  if (code != 0) {
    reportError("Error replacing " + quoted(path.shown), code);
    return false;
  }
  restoreAttributes(path, original.dwFileAttributes);
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

// The volume and resolved name of a folder.
struct FolderIdentity {
  DWORD volume = 0;
  std::wstring resolvedName;
};

// The identity of `folder` (a long path ending in "\"), asked once for all
// the files of one folder in a row.
const FolderIdentity& identityOfFolder(const std::wstring& folder) {
  static std::wstring lastFolder;
  static FolderIdentity identity;
  if (folder != lastFolder) {
    FileHandle handle;
    handle.handle =
        CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION information = {};
    identity = FolderIdentity();
    if (handle.handle != INVALID_HANDLE_VALUE &&
        GetFileInformationByHandle(handle.handle, &information)) {
      identity.volume = information.dwVolumeSerialNumber;
      identity.resolvedName = resolvedNameOf(handle.handle);
    }
    lastFolder = folder;
  }
  return identity;
}

// Why the file open as `input` must not be rewritten by its name, or null. A
// rename puts a new file in the place of that name only: through a symbolic
// link the file it leads to would keep the old text and the link would be
// gone; a file with other names (hard links) would keep the old text under
// them. A file symbolic link may look like a plain file; the name the system
// resolved tells.
const char* linkReason(HANDLE input, const std::wstring& path,
                       const BY_HANDLE_FILE_INFORMATION& original) {
  if (original.nNumberOfLinks > 1) {
    return "the file has more than one name (a hard link)";
  }
  size_t nameStart = path.rfind(L'\\') + 1;
  const FolderIdentity& folder = identityOfFolder(path.substr(0, nameStart));
  std::wstring resolvedName = resolvedNameOf(input);
  if (resolvedName.empty() || folder.resolvedName.empty()) {
    return "cannot tell whether the file is a link";
  }
  if (original.dwVolumeSerialNumber != folder.volume ||
      !isFolderEntry(resolvedName, folder.resolvedName, path.substr(nameStart))) {
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

// Closes and deletes the temporary file of a rewrite that is not put in
// place, if one was made.
void discardRewrite(Rewrite& rewrite) {
  if (rewrite.temporary.handle != INVALID_HANDLE_VALUE) {
    CloseHandle(rewrite.temporary.handle);
    rewrite.temporary.handle = INVALID_HANDLE_VALUE;
  }
  if (rewrite.made) {
    DeleteFileW(rewrite.temporaryName.real.c_str());
    rewrite.made = false;
  }
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

int32_t replaceInFile(FileHandle& input, FileScan& scan, Rewrite& rewrite) {
  const FileName& path = *rewrite.path;
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
  if ((original.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return refuseRewrite(input.handle, scan, "the file is read-only");
  }
  if (const char* reason = linkReason(input.handle, path.real, original)) {
    return refuseRewrite(input.handle, scan, reason);
  }
  ScanResult result = scanInput(input.handle, scan, &rewrite);
  // The original must be closed before it can be replaced.
  CloseHandle(input.handle);
  input.handle = INVALID_HANDLE_VALUE;
  if (reportScanFailure(result, path.shown, rewrite.temporaryName.shown) || scan.matchCount == 0 ||
      !commitRewrite(path, rewrite.temporary, rewrite.temporaryName, original)) {
    discardRewrite(rewrite);
    return 0;
  }
  // The temporary file is the file now.
  rewrite.made = false;
  return scan.matchCount;
}

// The scan of the file being processed, kept from file to file like the read
// buffer.
FileScan fileScan;

int32_t searchFile(const FileName& path, const std::string& searchText,
                   const std::string& replaceText, Rewrite& rewrite) {
  FileHandle input;
  // While replacing, nobody else may write the file between the read and the
  // replacement.
  DWORD share = runOptions.replace ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
  input.handle = CreateFileW(path.real.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (input.handle == INVALID_HANDLE_VALUE) {
    reportError("Error opening " + quoted(path.shown) + " for input.");
    return 0;
  }
  startFileScan(fileScan, path.shown, searchText, replaceText);
  int32_t matchCount = 0;
  if (runOptions.replace) {
    matchCount = replaceInFile(input, fileScan, rewrite);
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

int32_t processFile(const FileName& path, const std::string& searchText,
                    const std::string& replaceText) {
  printProgress(path.shown, 0, 0);
  Rewrite rewrite;
  rewrite.path = &path;
  // The standard containers throw when memory runs out, and one file's work
  // must not end the run: this is the one place that catches an exception.
  try {
    return searchFile(path, searchText, replaceText, rewrite);
  } catch (const std::bad_alloc&) {
    discardRewrite(rewrite);
    releaseMemory();
    reportError("Error processing " + quoted(path.shown) + ": not enough memory.");
    return 0;
  }
}
