#include "file_processor.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "options.h"
#include "report.h"

// Allocations larger than this fail while it is not 0, as they do when the
// address space runs out: the memory tests set it. The replaced operators
// take their memory from malloc, which the compiler cannot see across them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
static size_t failAllocationsAbove = 0;

void* operator new(size_t size) {
  void* block = failAllocationsAbove != 0 && size > failAllocationsAbove
                    ? nullptr
                    : malloc(size == 0 ? 1 : size);
  if (block == nullptr) {
    throw std::bad_alloc();
  }
  return block;
}

void operator delete(void* block) noexcept {
  free(block);
}

void operator delete(void* block, size_t) noexcept {
  free(block);
}

namespace {

std::string readBytes(const std::string& path) {
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) {
    return "<missing>";
  }
  std::string bytes;
  char block[4096];
  for (size_t got; (got = fread(block, 1, sizeof block, file)) > 0;) {
    bytes.append(block, got);
  }
  fclose(file);
  return bytes;
}

void writeBytes(const std::string& path, const std::string& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, file) << path;
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) {
    return names;
  }
  do {
    std::string name = entry.cFileName;
    if (name != "." && name != "..") {
      names.push_back(name);
    }
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

void removeFolder(const std::string& folder) {
  for (const std::string& name : namesIn(folder)) {
    std::string path = folder + "\\" + name;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileA(path.c_str())) {
      removeFolder(path);
    }
  }
  RemoveDirectoryA(folder.c_str());
}

class FileProcessor : public ::testing::Test {
 protected:
  void SetUp() override {
    runOptions = RunOptions{};
    runOptions.showProgress = false;
    reportBuffered = false;
    runOptions.printMatches = false;
    runOptions.printGroups = false;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    folder = std::string(temp) + "trawlex-fp-" + std::to_string(GetCurrentProcessId()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    CreateDirectoryA(folder.c_str(), nullptr);
    path = folder + "\\a.txt";
  }
  void TearDown() override {
    removeFolder(folder);
    runOptions = RunOptions{};
    lineLengthLimit = savedLimit;
  }

  // Runs processFile and returns its count, keeping what it wrote to
  // standard error.
  int32_t process(const std::string& search, const std::string& replacement) {
    testing::internal::CaptureStderr();
    OpenFolder open;
    open.name = FileName{longPathOf(std::wstring(folder.begin(), folder.end())) + L"\\", ""};
    EXPECT_TRUE(openTopFolder(open.name.real, open));
    // A missing file is taken as listed, as if it went after the listing.
    std::vector<ListingEntry> listing = listFolder(open, L"a.txt");
    ListedFile file{FileName{open.name.real + L"a.txt", path}, L"a.txt", EntryIdentity{}};
    if (!listing.empty()) {
      file.listed = listing[0].identity;
    }
    int32_t count = processFile(open, file, search, replacement);
    errors = testing::internal::GetCapturedStderr();
    return count;
  }

  std::string folder;
  std::string path;
  std::string errors;
  size_t savedLimit = lineLengthLimit;
};

TEST_F(FileProcessor, ReplacesInPlaceAndLeavesNoTemporaryFile) {
  runOptions.replace = true;
  writeBytes(path, "one foo\r\nfoo\rbar\n");
  EXPECT_EQ(2, process("foo", "x"));
  EXPECT_EQ("one x\r\nx\rbar\n", readBytes(path));
  EXPECT_EQ(std::vector<std::string>{"a.txt"}, namesIn(folder));
  EXPECT_EQ("", errors);
}

TEST_F(FileProcessor, ReplacementKeepsTheFileAttributes) {
  runOptions.replace = true;
  writeBytes(path, "foo");
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(1, process("foo", "bar"));
  EXPECT_EQ("bar", readBytes(path));
  EXPECT_NE(0u, GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(FileProcessor, FileWithoutMatchIsNeverRewritten) {
  runOptions.replace = true;
  runOptions.backups = true;
  writeBytes(path, "nothing here\n");
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(0, process("foo", "bar"));
  EXPECT_EQ(std::vector<std::string>{"a.txt"}, namesIn(folder));
  EXPECT_NE(0u, GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(FileProcessor, ReadOnlyFileIsNotModifiedAndNamedInAnError) {
  runOptions.replace = true;
  writeBytes(path, "foo\n");
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(0, process("foo", "bar"));
  EXPECT_EQ("foo\n", readBytes(path));
  EXPECT_EQ(std::vector<std::string>{"a.txt"}, namesIn(folder));
  EXPECT_EQ("Error replacing \"" + path + "\": the file is read-only.\n", errors);
}

TEST_F(FileProcessor, ReadOnlyFileWithoutMatchGivesNoError) {
  runOptions.replace = true;
  writeBytes(path, "nothing\n");
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(0, process("foo", "bar"));
  EXPECT_EQ("", errors);
}

TEST_F(FileProcessor, FileHeldOpenWithoutSharingIsNotModified) {
  runOptions.replace = true;
  writeBytes(path, "foo\n");
  HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, holder);
  EXPECT_EQ(0, process("foo", "bar"));
  CloseHandle(holder);
  EXPECT_EQ("foo\n", readBytes(path));
  EXPECT_EQ("Error opening \"" + path + "\" for input.\n", errors);
  EXPECT_EQ(std::vector<std::string>{"a.txt"}, namesIn(folder));
}

TEST_F(FileProcessor, FileHeldOpenForReadingIsNotReplacedUnderItsReader) {
  runOptions.replace = true;
  writeBytes(path, "foo\n");
  // Another reader that allows reading but not deleting or renaming.
  HANDLE holder =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, holder);
  EXPECT_EQ(0, process("foo", "bar"));
  CloseHandle(holder);
  EXPECT_EQ("foo\n", readBytes(path));
  EXPECT_EQ(0u, errors.rfind("Error replacing \"" + path + "\": ", 0)) << errors;
  EXPECT_EQ(std::vector<std::string>{"a.txt"}, namesIn(folder));
}

TEST_F(FileProcessor, BackupHoldsTheOldContent) {
  runOptions.replace = true;
  runOptions.backups = true;
  writeBytes(path, "old foo\n");
  writeBytes(path + ".bak", "older backup");
  EXPECT_EQ(1, process("foo", "bar"));
  EXPECT_EQ("old bar\n", readBytes(path));
  EXPECT_EQ("old foo\n", readBytes(path + ".bak"));
  EXPECT_EQ((std::vector<std::string>{"a.txt", "a.txt.bak"}), namesIn(folder));
}

TEST_F(FileProcessor, FailedBackupLeavesTheOriginalUntouched) {
  runOptions.replace = true;
  runOptions.backups = true;
  writeBytes(path, "foo\n");
  // A folder where the backup should go makes the copy fail.
  CreateDirectoryA((path + ".bak").c_str(), nullptr);
  EXPECT_EQ(0, process("foo", "bar"));
  EXPECT_EQ("foo\n", readBytes(path));
  EXPECT_EQ(0u, errors.rfind("Error creating backup \"" + path + ".bak\": ", 0)) << errors;
  EXPECT_EQ((std::vector<std::string>{"a.txt", "a.txt.bak"}), namesIn(folder));
}

TEST_F(FileProcessor, BackupThatCannotReplaceTheOlderOneKeepsBoth) {
  runOptions.replace = true;
  runOptions.backups = true;
  writeBytes(path, "foo\n");
  writeBytes(path + ".bak", "older backup");
  SetFileAttributesA((path + ".bak").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(0, process("foo", "bar"));
  EXPECT_EQ("foo\n", readBytes(path));
  EXPECT_EQ("older backup", readBytes(path + ".bak"));
  EXPECT_EQ(0u, errors.rfind("Error creating backup \"" + path + ".bak\": ", 0)) << errors;
  EXPECT_EQ((std::vector<std::string>{"a.txt", "a.txt.bak"}), namesIn(folder));
}

TEST_F(FileProcessor, LineTooLongForMemoryIsAnErrorAndTheFileStaysAsItWas) {
  runOptions.replace = true;
  // A line is held whole only to be printed.
  runOptions.printMatches = true;
  lineLengthLimit = 1000;
  std::string content = "foo\n" + std::string(3u << 20, 'x') + "foo\n";
  writeBytes(path, content);
  testing::internal::CaptureStdout();
  EXPECT_EQ(0, process("foo", "bar"));
  EXPECT_EQ("bar.\n", testing::internal::GetCapturedStdout());
  EXPECT_EQ(content, readBytes(path));
  EXPECT_EQ("Error reading \"" + path + "\": a line is too long to hold in memory.\n", errors);
  EXPECT_EQ(std::vector<std::string>{"a.txt"}, namesIn(folder));
}

TEST_F(FileProcessor, LinesLongerThanOneReadAreHeldWhole) {
  runOptions.replace = true;
  runOptions.printMatches = true;
  std::string longLine = std::string(3u << 20, 'y') + "foo\r";
  writeBytes(path, longLine + "\nfoo");
  testing::internal::CaptureStdout();
  EXPECT_EQ(2, process("foo", "barbar"));
  EXPECT_EQ(std::string(3u << 20, 'y') + "barbar..\nbarbar\n",
            testing::internal::GetCapturedStdout());
  EXPECT_EQ(std::string(3u << 20, 'y') + "barbar\r\nbarbar", readBytes(path));
}

TEST_F(FileProcessor, UnchangedStartOfALargeFileIsCopiedOnceTheFirstMatchIsMet) {
  runOptions.replace = true;
  std::string start;
  for (int i = 0; start.size() < (3u << 20); ++i) {
    start += "line " + std::to_string(i) + (i % 2 ? "\r\n" : "\n");
  }
  writeBytes(path, start + "a foo\nend");
  EXPECT_EQ(1, process("foo", "barbar"));
  EXPECT_EQ(start + "a barbar\nend", readBytes(path));
  EXPECT_EQ(std::vector<std::string>{"a.txt"}, namesIn(folder));
}

TEST_F(FileProcessor, FileWithoutMatchLeavesItsFolderUntouched) {
  runOptions.replace = true;
  writeBytes(path, std::string(3u << 20, 'x') + "\nno match\n");
  HANDLE handle = CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, handle);
  // 2001-01-01: any file made or removed in the folder would change it.
  FILETIME old = {0xc89dc000u, 0x01c07385u}, after = {};
  ASSERT_TRUE(SetFileTime(handle, nullptr, nullptr, &old));
  EXPECT_EQ(0, process("foo", "bar"));
  GetFileTime(handle, nullptr, nullptr, &after);
  CloseHandle(handle);
  EXPECT_EQ(0, CompareFileTime(&old, &after));
  EXPECT_EQ("", errors);
}

TEST_F(FileProcessor, FileWhoseWorkDoesNotFitInMemoryIsAnErrorAndTheNextFileGoesOn) {
  runOptions.replace = true;
  // The first line is rewritten before the long second line, held whole to be
  // printed, needs more memory than there is.
  runOptions.printMatches = true;
  std::string content = "foo\n" + std::string(6u << 20, 'x') + "foo\n";
  writeBytes(path, content);
  failAllocationsAbove = 4u << 20;
  testing::internal::CaptureStdout();
  int32_t count = process("foo", "bar");
  testing::internal::GetCapturedStdout();
  failAllocationsAbove = 0;
  EXPECT_EQ(0, count);
  EXPECT_EQ("Error processing \"" + path + "\": not enough memory.\n", errors);
  EXPECT_EQ(content, readBytes(path));
  EXPECT_EQ(std::vector<std::string>{"a.txt"}, namesIn(folder));
  EXPECT_EQ(2, process("foo", "bar"));
  EXPECT_EQ("bar\n" + std::string(6u << 20, 'x') + "bar\n", readBytes(path));
}

TEST_F(FileProcessor, LineThatIsNotPrintedIsNeverHeldWhole) {
  runOptions.replace = true;
  lineLengthLimit = 1000;
  std::string longLine = std::string(3u << 20, 'x') + "foo " + std::string(3u << 20, 'y');
  writeBytes(path, "foo\n" + longLine + "foo");
  failAllocationsAbove = 4u << 20;
  int32_t count = process("foo", "bar");
  failAllocationsAbove = 0;
  EXPECT_EQ(3, count);
  EXPECT_EQ("", errors);
  EXPECT_EQ("bar\n" + std::string(3u << 20, 'x') + "bar " + std::string(3u << 20, 'y') + "bar",
            readBytes(path));
}

TEST_F(FileProcessor, MissingFileIsReportedAndCountsNothing) {
  EXPECT_EQ(0, process("foo", "foo"));
  EXPECT_EQ("Error opening \"" + path + "\" for input.\n", errors);
  runOptions.replace = true;
  EXPECT_EQ(0, process("foo", "bar"));
  EXPECT_TRUE(namesIn(folder).empty());
}

TEST_F(FileProcessor, FindModeWritesNothing) {
  runOptions.backups = true;
  writeBytes(path, "foo foo\n");
  EXPECT_EQ(2, process("foo", "foo"));
  EXPECT_EQ(std::vector<std::string>{"a.txt"}, namesIn(folder));
}

TEST_F(FileProcessor, PrintsTheFileSummaryOnlyForMatches) {
  runOptions.printGroups = true;
  runOptions.printMatches = true;
  writeBytes(path, "foo\n");
  testing::internal::CaptureStdout();
  process("foo", "foo");
  process("zzz", "zzz");
  EXPECT_EQ("foo.\n>> Within " + path + ": 1 match(es)\n\n",
            testing::internal::GetCapturedStdout());
}

TEST(RewrittenAttributes, ArchiveIsSetAndHiddenSystemAndNotIndexedCarriedOver) {
  EXPECT_EQ(static_cast<uint32_t>(FILE_ATTRIBUTE_ARCHIVE),
            rewrittenAttributes(FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(static_cast<uint32_t>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED),
            rewrittenAttributes(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_TEMPORARY));
}

}  // namespace
