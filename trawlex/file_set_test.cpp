#include "file_set.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "options.h"
#include "path_rules.h"
#include "report.h"

namespace {

void writeBytes(const std::string& path, const std::string& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, file) << path;
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

void removeFolder(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = entry.cFileName;
      if (name != "." && name != "..") {
        std::string path = folder + "\\" + name;
        if (!DeleteFileA(path.c_str())) {
          removeFolder(path);
        }
      }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

// Each test works in its own folder, which is also the current folder.
class FileSet : public ::testing::Test {
 protected:
  void SetUp() override {
    runOptions = RunOptions{};
    runOptions.showProgress = false;
    reportBuffered = false;
    runOptions.printLineNumbers = true;
    runOptions.printFileNames = true;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    folder = std::string(temp) + "trawlex-fs-" + std::to_string(GetCurrentProcessId()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    CreateDirectoryA(folder.c_str(), nullptr);
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(folder.c_str());
    CreateDirectoryA("sub", nullptr);
    writeBytes("a.txt", "foo\n");
    writeBytes("sub\\b.txt", "foo foo\n");
  }
  void TearDown() override {
    SetCurrentDirectoryA(previous);
    removeFolder(folder);
    runOptions = RunOptions{};
  }

  std::string run(const std::string& wildcard, int32_t expectedCount) {
    testing::internal::CaptureStdout();
    std::wstring typed(wildcard.begin(), wildcard.end());
    EXPECT_EQ(expectedCount, processWildcard(typed, "foo", "foo"));
    return testing::internal::GetCapturedStdout();
  }

  std::string folder;
  char previous[MAX_PATH] = "";
};

TEST_F(FileSet, NamesFilesOfTheCurrentFolderWithDotBackslash) {
  EXPECT_EQ(
      ".\\a.txt(1): foo.\n>> Within .\\a.txt: 1 match(es)\n\n"
      ">> Within *.txt: 1 match(es) in 1 file(s)\n\n",
      run("*.txt", 1));
}

TEST_F(FileSet, SlashSeparatesFoldersLikeBackslash) {
  EXPECT_EQ(
      "sub\\b.txt(1): foo foo.\n>> Within sub\\b.txt: 2 match(es)\n\n"
      ">> Within sub/*.txt: 2 match(es) in 1 file(s)\n\n",
      run("sub/*.txt", 2));
}

TEST_F(FileSet, DriveWithoutBackslashNamesTheCurrentFolderOfThatDrive) {
  std::string drive = folder.substr(0, 2);
  EXPECT_EQ(drive + "a.txt(1): foo.\n>> Within " + drive + "a.txt: 1 match(es)\n\n>> Within " +
                drive + "*.txt: 1 match(es) in 1 file(s)\n\n",
            run(drive + "*.txt", 1));
}

TEST_F(FileSet, RecursionVisitsSubfoldersAfterTheFilesAndSkipsDotFolders) {
  runOptions.recurse = true;
  runOptions.printGroups = false;
  CreateDirectoryA(".hidden", nullptr);
  writeBytes(".hidden\\c.txt", "foo\n");
  EXPECT_EQ(".\\a.txt(1): foo.\n.\\sub\\b.txt(1): foo foo.\n", run("*.txt", 3));
}

TEST_F(FileSet, OwnTemporaryFilesAreNoFilesOfTheSet) {
  runOptions.printMatches = false;
  writeBytes(temporaryNameFor(".\\a.txt", GetCurrentProcessId(), 7), "foo\n");
  std::string other = temporaryNameFor(".\\a.txt", GetCurrentProcessId() + 1, 7);
  writeBytes(other, "foo\n");
  EXPECT_EQ(">> Within " + other + ": 1 match(es)\n>> Within *.tmp: 1 match(es) in 1 file(s)\n",
            run("*.tmp", 1));
}

TEST_F(FileSet, FoldersMatchingThePatternAreNotFiles) {
  runOptions.printMatches = false;
  CreateDirectoryA("dir.txt", nullptr);
  EXPECT_EQ(">> Within .\\a.txt: 1 match(es)\n>> Within *.txt: 1 match(es) in 1 file(s)\n",
            run("*.txt", 1));
}

TEST_F(FileSet, SortedRunProcessesInByteOrder) {
  runOptions.sortFirst = true;
  runOptions.recurse = true;
  runOptions.printGroups = false;
  writeBytes("B.txt", "foo\n");
  writeBytes("z.txt", "foo\n");
  EXPECT_EQ(
      ".\\B.txt(1): foo.\n.\\a.txt(1): foo.\n.\\sub\\b.txt(1): foo foo.\n"
      ".\\z.txt(1): foo.\n",
      run("*.txt", 5));
}

}  // namespace
