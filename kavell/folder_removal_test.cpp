#include "folder_removal.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "folder_identity.h"

namespace {

// The removal on ASCII paths, as these tests make them, of the folder that
// `folder` names now.
unsigned long deleteDirectoryTree(const std::string& folder, const std::string& top,
                                  std::string* stoppedAt) {
  std::wstring wide(folder.begin(), folder.end()), stopped;
  unsigned long code = 0;
  FolderIdentity expected = identifyFolder(wide, &code);
  code = ::deleteDirectoryTree(wide, std::wstring(top.begin(), top.end()), expected, &stopped);
  stoppedAt->assign(stopped.begin(), stopped.end());
  return code;
}

// Every test works in its own folder under the temp folder.
class FolderRemoval : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    base = std::string(temp) + "kavell-fr-" + std::to_string(GetCurrentProcessId()) + "-" +
           test->name();
    CreateDirectoryA(base.c_str(), nullptr);
    ASSERT_TRUE(exists(base));
    GetCurrentDirectoryA(MAX_PATH, startDirectory);
  }

  void TearDown() override {
    for (const std::string& link : links)
      removeUnixLink(link);
    std::string ignored;
    SetCurrentDirectoryA(startDirectory);
    deleteDirectoryTree(base, base, &ignored);
  }

  static bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  static void makeFile(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, "data", 4, &written, nullptr);
    CloseHandle(file);
    SetFileAttributesA(path.c_str(), attributes);
  }

  static void makeFolder(const std::string& path, DWORD attributes = 0) {
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
    if (attributes != 0)
      SetFileAttributesA(path.c_str(), attributes);
  }

  // Links are made as Unix symbolic links, which only Wine's file system has.
  static bool underWine() { return getenv("WINEPREFIX") != nullptr; }

  // Starts a Unix program; Wine does not wait for it, so callers poll for
  // its effect.
  static bool startUnixCommand(std::string command) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      return false;
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return true;
  }

  // Waits up to 5 s for `path` to exist (or, with `gone`, to vanish) and
  // returns its attributes then.
  static DWORD waitForPath(const std::string& path, bool gone) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    for (int wait = 0; wait < 100 && (attributes == INVALID_FILE_ATTRIBUTES) != gone; ++wait) {
      Sleep(50);
      attributes = GetFileAttributesA(path.c_str());
    }
    return attributes;
  }

  static std::string quoted(const std::string& text) { return "\"" + text + "\""; }

  // A Unix symbolic link `link` to `target`, both Windows paths on drive C:.
  // Wine shows a link to a folder as a folder with the reparse-point bit.
  bool makeUnixLink(const std::string& target, const std::string& link) {
    const char* prefix = getenv("WINEPREFIX");
    links.push_back(link);
    if (!startUnixCommand("/bin/ln -s " + quoted(unixPath(prefix, target)) + " " +
                          quoted(unixPath(prefix, link)))) {
      return false;
    }
    DWORD attributes = waitForPath(link, false);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  }

  static void removeUnixLink(const std::string& link) {
    if (GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES)
      return;
    startUnixCommand("/bin/rm -f " + quoted(unixPath(getenv("WINEPREFIX"), link)));
    waitForPath(link, true);
  }

  static std::string unixPath(const std::string& prefix, const std::string& windowsPath) {
    std::string path = prefix + "/dosdevices/" + static_cast<char>(tolower(windowsPath[0])) + ":";
    for (char c : windowsPath.substr(2))
      path += (c == '\\') ? '/' : c;
    return path;
  }

  // The ANSI calls stop at 259 characters; the wide ones take "\\?\" paths.
  static std::wstring longPath(const std::string& path) {
    std::string full = "\\\\?\\" + path;
    return std::wstring(full.begin(), full.end());
  }

  static bool makeLongFile(const std::string& path) {
    HANDLE file =
        CreateFileW(longPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
      return false;
    CloseHandle(file);
    return true;
  }

  static bool longFileExists(const std::string& path) {
    return GetFileAttributesW(longPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::string base;
  std::vector<std::string> links;
  char startDirectory[MAX_PATH] = {};
};

TEST_F(FolderRemoval, RemovesReadOnlyHiddenSystemAndDotEntriesEverywhere) {
  std::string top = base + "\\profile";
  makeFolder(top);
  makeFile(top + "\\NTUSER.DAT", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  makeFile(top + "\\readonly.txt", FILE_ATTRIBUTE_READONLY);
  makeFile(top + "\\.dotfile", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  makeFolder(top + "\\.dotfolder", FILE_ATTRIBUTE_HIDDEN);
  makeFile(top + "\\.dotfolder\\inner", FILE_ATTRIBUTE_READONLY);
  makeFolder(top + "\\AppData", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  makeFolder(top + "\\AppData\\Local", FILE_ATTRIBUTE_READONLY);
  makeFolder(top + "\\AppData\\Local\\Deep");
  makeFile(top + "\\AppData\\Local\\Deep\\system.bin", FILE_ATTRIBUTE_SYSTEM);
  makeFolder(top + "\\Empty");
  std::string stoppedAt = "unchanged";
  EXPECT_EQ(deleteDirectoryTree(top, top, &stoppedAt), 0u);
  EXPECT_EQ(stoppedAt, "");
  EXPECT_FALSE(exists(top));
  EXPECT_TRUE(exists(base));
}

TEST_F(FolderRemoval, MissingFolderCountsAsRemoved) {
  std::string stoppedAt;
  EXPECT_EQ(deleteDirectoryTree(base + "\\absent", base + "\\absent", &stoppedAt), 0u);
}

TEST_F(FolderRemoval, EndsInTheRootOfTheCurrentDrive) {
  std::string top = base + "\\profile";
  makeFolder(top);
  std::string stoppedAt;
  deleteDirectoryTree(top, top, &stoppedAt);
  char now[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, now);
  EXPECT_EQ(std::string(now), std::string(startDirectory).substr(0, 3));
}

TEST_F(FolderRemoval, RelativeTopFolderKeepsItselfButNotItsContent) {
  makeFolder(base + "\\ab");
  makeFile(base + "\\ab\\file.txt");
  makeFolder(base + "\\ab\\sub");
  ASSERT_TRUE(SetCurrentDirectoryA(base.c_str()));
  std::string stoppedAt;
  EXPECT_EQ(deleteDirectoryTree("ab", "ab", &stoppedAt), 0u);
  EXPECT_TRUE(exists(base + "\\ab"));
  EXPECT_FALSE(exists(base + "\\ab\\file.txt"));
  EXPECT_FALSE(exists(base + "\\ab\\sub"));
}

TEST_F(FolderRemoval, StopsAtAFileHeldOpen) {
  std::string top = base + "\\profile";
  makeFolder(top);
  makeFile(top + "\\locked.dat");
  HANDLE held = CreateFileA((top + "\\locked.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::string stoppedAt;
  unsigned long code = deleteDirectoryTree(top, top, &stoppedAt);
  CloseHandle(held);
  EXPECT_EQ(code, static_cast<unsigned long>(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(stoppedAt, top + "\\locked.dat");
  EXPECT_TRUE(exists(top + "\\locked.dat"));
}

TEST_F(FolderRemoval, NeverDescendsIntoAFolderLink) {
  std::string outside = base + "\\outside";
  makeFolder(outside);
  makeFile(outside + "\\keep.txt", FILE_ATTRIBUTE_READONLY);
  makeFolder(outside + "\\sub");
  makeFile(outside + "\\sub\\keep2.txt");
  std::string top = base + "\\profile";
  makeFolder(top);
  makeFile(top + "\\own.txt");
  if (!underWine())
    GTEST_SKIP() << "links are made as Unix links";
  ASSERT_TRUE(makeUnixLink(outside, top + "\\Application Data"));
  std::string stoppedAt;
  unsigned long code = deleteDirectoryTree(top, top, &stoppedAt);
  EXPECT_TRUE(exists(outside + "\\keep.txt"));
  EXPECT_TRUE(exists(outside + "\\sub\\keep2.txt"));
  // Wine cannot remove a link to a non-empty folder (Windows removes the link
  // alone); either way the walk stops at the link, not inside it.
  EXPECT_TRUE(code == 0 || stoppedAt == top + "\\Application Data") << code << " " << stoppedAt;
}

TEST_F(FolderRemoval, TopFolderThatIsALinkIsNotEmptied) {
  std::string outside = base + "\\outside";
  makeFolder(outside);
  makeFile(outside + "\\keep.txt");
  std::string link = base + "\\profile";
  if (!underWine())
    GTEST_SKIP() << "links are made as Unix links";
  ASSERT_TRUE(makeUnixLink(outside, link));
  std::string stoppedAt;
  deleteDirectoryTree(link, link, &stoppedAt);
  EXPECT_TRUE(exists(outside + "\\keep.txt"));
}

TEST_F(FolderRemoval, EntriesPastThePathRoomGoToo) {
  std::string top = base + "\\p";
  makeFolder(top);
  std::string longFolder = top + "\\" + std::string(240 - top.size(), 'f');
  makeFolder(longFolder);
  std::string longFile = longFolder + "\\" + std::string(30, 'n');
  ASSERT_GT(longFile.size(), 259u);
  ASSERT_TRUE(makeLongFile(longFile));
  std::string stoppedAt;
  EXPECT_EQ(deleteDirectoryTree(top, top, &stoppedAt), 0u);
  EXPECT_EQ(stoppedAt, "");
  EXPECT_FALSE(longFileExists(longFile));
  EXPECT_FALSE(exists(top));
}

TEST_F(FolderRemoval, FolderOtherThanTheOneTestedIsNotEntered) {
  std::string top = base + "\\profile";
  makeFolder(top);
  makeFile(top + "\\NTUSER.DAT");
  unsigned long code = 0;
  FolderIdentity tested = identifyFolder(std::wstring(base.begin(), base.end()), &code);
  ASSERT_TRUE(tested.known);
  std::wstring wideTop(top.begin(), top.end()), stoppedAt;
  EXPECT_EQ(::deleteDirectoryTree(wideTop, wideTop, tested, &stoppedAt), folderReplacedCode);
  EXPECT_EQ(stoppedAt, wideTop);
  EXPECT_TRUE(exists(top + "\\NTUSER.DAT"));
}

TEST_F(FolderRemoval, ReadOnlyOfAFileWithAnotherNameIsNeverCleared) {
  std::string top = base + "\\profile", shared = base + "\\shared";
  makeFolder(top);
  makeFile(shared, FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(CreateHardLinkA((top + "\\second").c_str(), shared.c_str(), nullptr));
  std::string stoppedAt;
  unsigned long code = deleteDirectoryTree(top, top, &stoppedAt);
  // With POSIX semantics the name goes read-only as it is; without them (Wine
  // 8) it stays with access denied. The file stays read-only either way.
  EXPECT_TRUE(code == 0 ? !exists(top) : code == ERROR_ACCESS_DENIED && exists(top + "\\second"))
      << code;
  EXPECT_TRUE(GetFileAttributesA(shared.c_str()) & FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(shared.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FolderRemoval, AFileGivenAsTheFolderIsLeftAlone) {
  makeFile(base + "\\file");
  std::string stoppedAt;
  EXPECT_EQ(deleteDirectoryTree(base + "\\file", base + "\\file", &stoppedAt),
            static_cast<unsigned long>(ERROR_DIRECTORY));
  EXPECT_TRUE(exists(base + "\\file"));
}

}  // namespace
