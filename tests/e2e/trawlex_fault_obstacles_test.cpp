// Trawlex replacing among files it must not or cannot change: one held open
// by another process, a read-only one, one made immutable from the Unix side
// (chattr +i), and files in a folder that is another process's current
// directory. The run goes on past each, names each on standard error, counts
// them 0, and changes nothing but the files it could rewrite.
#include <gtest/gtest.h>
#include <windows.h>

#include "trawlex_e2e_util.h"

namespace {

std::string unixPath(const std::string& windowsPath) {
  typedef char*(CDECL * UnixName)(LPCWSTR);
  UnixName convert = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (convert == nullptr) {
    return "";
  }
  std::wstring wide(windowsPath.begin(), windowsPath.end());
  char* name = convert(wide.c_str());
  if (name == nullptr) {
    return "";
  }
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// Runs chattr on a file from the Unix side and waits until it took effect:
// an immutable file refuses to be opened for writing.
bool setImmutable(const std::string& path, bool immutable) {
  std::string line = std::string("/usr/bin/chattr ") + (immutable ? "+i " : "-i ") + unixPath(path);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int round = 0; round < 250; ++round) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    bool writable = file != INVALID_HANDLE_VALUE;
    if (writable) {
      CloseHandle(file);
    }
    if (writable != immutable) {
      return true;
    }
    Sleep(20);
  }
  return false;
}

// A command interpreter sitting in `folder` as its current directory, waiting
// for input that never comes, until the test ends it.
struct Sitter {
  PROCESS_INFORMATION process = {};
  HANDLE input = nullptr;
};

Sitter startSitter(const std::string& folder, const std::string& outputPath) {
  Sitter sitter;
  SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  EXPECT_TRUE(CreatePipe(&readEnd, &sitter.input, &inherit, 0));
  SetHandleInformation(sitter.input, HANDLE_FLAG_INHERIT, 0);
  HANDLE output = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = readEnd;
  startup.hStdOutput = output;
  startup.hStdError = output;
  std::string line = "C:\\windows\\system32\\cmd.exe /q /k cd";
  EXPECT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                             folder.c_str(), &startup, &sitter.process));
  CloseHandle(readEnd);
  CloseHandle(output);
  // "cd" prints the current directory once the interpreter is in place.
  for (int round = 0; round < 250 && readFile(outputPath).size() < folder.size(); ++round) {
    Sleep(20);
  }
  EXPECT_EQ(readFile(outputPath).compare(0, folder.size(), folder), 0)
      << "the sitter did not start in " << folder << ": " << readFile(outputPath);
  return sitter;
}

void stopSitter(Sitter& sitter) {
  if (sitter.process.hProcess != nullptr) {
    TerminateProcess(sitter.process.hProcess, 0);
    WaitForSingleObject(sitter.process.hProcess, 5000);
    CloseHandle(sitter.process.hThread);
    CloseHandle(sitter.process.hProcess);
  }
  if (sitter.input != nullptr) {
    CloseHandle(sitter.input);
  }
  sitter = Sitter();
}

class TrawlexObstacles : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = makeTempFolder("fault-obstacles"); }
  void TearDown() override {
    if (!immutable_.empty()) {
      EXPECT_TRUE(setImmutable(immutable_, false)) << "cannot undo chattr +i on " << immutable_;
    }
    if (held_ != nullptr) {
      releaseFile(held_);
    }
    stopSitter(sitter_);
    removeTree(folder_);
  }

  std::string folder_;
  std::string immutable_;
  void* held_ = nullptr;
  Sitter sitter_;
};

}  // namespace

TEST_F(TrawlexObstacles, RunGoesOnPastEveryFileItMustNotChange) {
  makeTree(folder_, {{"a.txt", "needle 1\n"},
                     {"b-held.txt", "needle 2\n"},
                     {"c-readonly.txt", "needle 3\n"},
                     {"d-immutable.txt", "needle 4\n"},
                     {"e.txt", "needle 5 needle\n"}});
  held_ = holdFileExclusively(folder_ + "\\b-held.txt");
  ASSERT_TRUE(SetFileAttributesA((folder_ + "\\c-readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  immutable_ = folder_ + "\\d-immutable.txt";
  if (!setImmutable(folder_ + "\\d-immutable.txt", true)) {
    GTEST_SKIP() << "chattr +i does not take on this file system (it needs root and "
                    "ext2/3/4, xfs or btrfs): the immutable-file case was not tried";
  }

  RunResult run = runTrawlex(folder_, {"-r", "-x", "-g", "-z", "needle", "pin", "*.txt"});

  EXPECT_EQ(run.out, crlf(">> Within .\\a.txt: 1 replacement(s)\n"
                          ">> Within .\\e.txt: 2 replacement(s)\n"
                          ">> Within *.txt: 3 replacement(s) in 5 file(s)\n"));
  std::vector<std::string> errors;
  for (size_t start = 0; start < run.err.size();) {
    size_t end = run.err.find("\r\n", start);
    ASSERT_NE(end, std::string::npos) << run.err;
    errors.push_back(run.err.substr(start, end - start));
    start = end + 2;
  }
  ASSERT_EQ(errors.size(), 3u) << run.err;
  EXPECT_EQ(errors[0], "Error opening \".\\b-held.txt\" for input.");
  EXPECT_EQ(errors[1], "Error replacing \".\\c-readonly.txt\": the file is read-only.");
  std::string immutableNamed = "Error replacing \".\\d-immutable.txt\": ";
  EXPECT_EQ(errors[2].compare(0, immutableNamed.size(), immutableNamed), 0) << errors[2];
  EXPECT_EQ(run.exitCode, 0u);

  releaseFile(held_);
  held_ = nullptr;
  EXPECT_EQ(readTree(folder_), (FileTree{{"a.txt", "pin 1\n"},
                                         {"b-held.txt", "needle 2\n"},
                                         {"c-readonly.txt", "needle 3\n"},
                                         {"d-immutable.txt", "needle 4\n"},
                                         {"e.txt", "pin 5 pin\n"}}));
  EXPECT_TRUE(GetFileAttributesA((folder_ + "\\c-readonly.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(TrawlexObstacles, BackupOntoAnImmutableFileLeavesTheOriginal) {
  makeTree(folder_, {{"notes.txt", "needle\n"}, {"notes.txt.bak", "older\n"}});
  immutable_ = folder_ + "\\notes.txt.bak";
  if (!setImmutable(folder_ + "\\notes.txt.bak", true)) {
    GTEST_SKIP() << "chattr +i does not take on this file system (it needs root and "
                    "ext2/3/4, xfs or btrfs): the immutable-file case was not tried";
  }
  RunResult run = runTrawlex(folder_, {"-r", "-k", "-t", "-z", "needle", "pin", "notes.txt"});
  EXPECT_EQ(run.out, crlf(">> Total: 0 instance(s) of \"needle\" replaced with \"pin\".\n"));
  std::string named = "Error creating backup \".\\notes.txt.bak\"";
  EXPECT_EQ(run.err.compare(0, named.size(), named), 0) << run.err;
  EXPECT_EQ(readTree(folder_), (FileTree{{"notes.txt", "needle\n"}, {"notes.txt.bak", "older\n"}}));
}

TEST_F(TrawlexObstacles, FolderThatIsAnotherProcessCurrentDirectoryIsRewrittenNormally) {
  makeTree(folder_, {{"top.txt", "needle\n"},
                     {"busy\\inner.txt", "a needle\r\n"},
                     {"busy\\deeper\\last.txt", "needle needle"}});
  sitter_ = startSitter(folder_ + "\\busy", folder_ + "\\sitter.out");
  RunResult run = runTrawlex(folder_, {"-r", "-s", "-k", "-t", "-z", "needle", "pin", "*.txt"});
  EXPECT_EQ(run.out, crlf(">> Total: 4 instance(s) of \"needle\" replaced with \"pin\".\n"));
  EXPECT_EQ(run.err, "");
  // The sitter is still there: the folder it sits in was never in the way.
  EXPECT_EQ(WaitForSingleObject(sitter_.process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  stopSitter(sitter_);
  FileTree after = readTree(folder_);
  after.erase("sitter.out");
  EXPECT_EQ(after, (FileTree{{"top.txt", "pin\n"},
                             {"top.txt.bak", "needle\n"},
                             {"busy\\inner.txt", "a pin\r\n"},
                             {"busy\\inner.txt.bak", "a needle\r\n"},
                             {"busy\\deeper\\last.txt", "pin pin"},
                             {"busy\\deeper\\last.txt.bak", "needle needle"}}));
}
