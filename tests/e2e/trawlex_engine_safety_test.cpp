// A replace run must never lose or corrupt a file: a read-only or locked
// file, or one whose backup cannot be made, is left exactly as it was, named
// on standard error and counted 0; no temporary file is left anywhere or
// processed as part of the file set; a kill at any moment leaves the old or
// the new content; attributes survive a rewrite; files past 2 GiB work.
#include <gtest/gtest.h>
#include <windows.h>

#include "trawlex_e2e_util.h"

TEST(TrawlexSafety, ReadOnlyFileIsLeftAloneNamedAndCountedZero) {
  std::vector<std::string> rootBefore = rootFilesOfDriveC();
  std::string folder = makeTempFolder("trawlex");
  makeTree(folder, {{"good.txt", "foo\n"}, {"ro.txt", "foo\n"}});
  std::string readOnly = folder + "\\ro.txt";
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  RunResult run = runTrawlex(folder, {"-e", "-r", "-x", "-g", "-t", "-z", "foo", "bar", "*.txt"});
  EXPECT_EQ(run.out, crlf(">> Within .\\good.txt: 1 replacement(s)\n"
                          ">> Within *.txt: 1 replacement(s) in 2 file(s)\n"
                          ">> Total: 1 instance(s) of \"foo\" replaced with \"bar\".\n"));
  EXPECT_NE(run.err.find(".\\ro.txt"), std::string::npos) << run.err;
  EXPECT_TRUE(endsWith(run.err, "\r\n")) << run.err;
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_EQ(readTree(folder), (FileTree{{"good.txt", "bar\n"}, {"ro.txt", "foo\n"}}));
  EXPECT_TRUE(GetFileAttributesA(readOnly.c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(rootFilesOfDriveC(), rootBefore);
  removeTree(folder);
}

TEST(TrawlexSafety, ReadOnlyFileGetsNoBackupAndNeedsNoErrorWithoutMatches) {
  std::string folder = makeTempFolder("trawlex");
  makeTree(folder, {{"hit.txt", "foo\n"}, {"miss.txt", "nothing\n"}});
  for (const char* name : {"hit.txt", "miss.txt"}) {
    SetFileAttributesA((folder + "\\" + name).c_str(), FILE_ATTRIBUTE_READONLY);
  }
  RunResult run = runTrawlex(folder, {"-k", "-r", "-t", "-z", "foo", "bar", "miss.txt"});
  EXPECT_EQ(run.out, crlf(">> Total: 0 instance(s) of \"foo\" replaced with \"bar\".\n"));
  EXPECT_EQ(run.err, "");
  run = runTrawlex(folder, {"-k", "-r", "-t", "-z", "foo", "bar", "hit.txt"});
  EXPECT_EQ(run.out, crlf(">> Total: 0 instance(s) of \"foo\" replaced with \"bar\".\n"));
  EXPECT_NE(run.err.find(".\\hit.txt"), std::string::npos) << run.err;
  EXPECT_EQ(readTree(folder), (FileTree{{"hit.txt", "foo\n"}, {"miss.txt", "nothing\n"}}));
  removeTree(folder);
}

TEST(TrawlexSafety, ErrorAboutAReadOnlyFileStandsBetweenTheOutputAroundIt) {
  std::string folder = makeTempFolder("trawlex");
  makeTree(folder, {{"a.txt", "foo\n"}, {"b.txt", "foo\n"}, {"c.txt", "foo\n"}});
  SetFileAttributesA((folder + "\\b.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  RunResult run = runTrawlex(folder, {"-r", "-x", "-g", "-z", "foo", "bar", "*.txt"}, true);
  const std::string first = crlf(">> Within .\\a.txt: 1 replacement(s)\n");
  const std::string last = crlf(
      ">> Within .\\c.txt: 1 replacement(s)\n"
      ">> Within *.txt: 2 replacement(s) in 3 file(s)\n");
  ASSERT_GT(run.both.size(), first.size() + last.size()) << run.both;
  EXPECT_EQ(run.both.substr(0, first.size()), first) << run.both;
  EXPECT_TRUE(endsWith(run.both, last)) << run.both;
  std::string error = run.both.substr(first.size(), run.both.size() - first.size() - last.size());
  EXPECT_NE(error.find(".\\b.txt"), std::string::npos) << run.both;
  EXPECT_TRUE(endsWith(error, "\r\n")) << run.both;
  EXPECT_EQ(readTree(folder),
            (FileTree{{"a.txt", "bar\n"}, {"b.txt", "foo\n"}, {"c.txt", "bar\n"}}));
  removeTree(folder);
}

TEST(TrawlexSafety, LockedFileIsReportedAfterEarlierOutputAndCountedAsFound) {
  std::string folder = makeTempFolder("trawlex");
  FileTree files = {{"a.txt", "foo\n"}, {"b.txt", "foo\n"}, {"c.txt", "foo\n"}};
  makeTree(folder, files);
  void* held = holdFileExclusively(folder + "\\b.txt");
  RunResult run = runTrawlex(folder, {"-x", "-z", "foo", "*.txt"}, true);
  releaseFile(held);
  EXPECT_EQ(run.both, crlf("foo.\n"
                           ">> Within .\\a.txt: 1 match(es)\n"
                           "\n"
                           "Error opening \".\\b.txt\" for input.\n"
                           "foo.\n"
                           ">> Within .\\c.txt: 1 match(es)\n"
                           "\n"
                           ">> Within *.txt: 2 match(es) in 3 file(s)\n"
                           "\n"
                           ">> Total: 2 instance(s) of \"foo\" found.\n"));
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(readTree(folder), files);
  removeTree(folder);
}

TEST(TrawlexSafety, LockedFileIsNotReplaced) {
  std::vector<std::string> rootBefore = rootFilesOfDriveC();
  std::string folder = makeTempFolder("trawlex");
  makeTree(folder, {{"a.txt", "foo\n"}, {"b.txt", "foo\n"}, {"c.txt", "foo\n"}});
  void* held = holdFileExclusively(folder + "\\b.txt");
  RunResult run = runTrawlex(folder, {"-e", "-r", "-x", "-g", "-t", "-z", "foo", "bar", "*.txt"});
  releaseFile(held);
  EXPECT_EQ(run.out, crlf(">> Within .\\a.txt: 1 replacement(s)\n"
                          ">> Within .\\c.txt: 1 replacement(s)\n"
                          ">> Within *.txt: 2 replacement(s) in 3 file(s)\n"
                          ">> Total: 2 instance(s) of \"foo\" replaced with \"bar\".\n"));
  EXPECT_NE(run.err.find(".\\b.txt"), std::string::npos) << run.err;
  EXPECT_EQ(run.exitCode, 2u);
  EXPECT_EQ(readTree(folder),
            (FileTree{{"a.txt", "bar\n"}, {"b.txt", "foo\n"}, {"c.txt", "bar\n"}}));
  EXPECT_EQ(rootFilesOfDriveC(), rootBefore);
  removeTree(folder);
}

TEST(TrawlexSafety, FileOpenForReadingElsewhereIsReadButNotReplaced) {
  // Another program reads the file and lets others read it too, but not
  // write or delete it: finding works, rewriting must not.
  std::string folder = makeTempFolder("trawlex");
  makeTree(folder, {{"a.txt", "foo\n"}, {"log.txt", "foo\n"}});
  HANDLE reader = CreateFileA((folder + "\\log.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  RunResult find = runTrawlex(folder, {"-t", "-z", "foo", "*.txt"});
  RunResult replace = runTrawlex(folder, {"-e", "-r", "-x", "-g", "-z", "foo", "bar", "*.txt"});
  CloseHandle(reader);
  EXPECT_EQ(find.out, crlf(">> Total: 2 instance(s) of \"foo\" found.\n"));
  EXPECT_EQ(find.err, "");
  EXPECT_EQ(replace.out, crlf(">> Within .\\a.txt: 1 replacement(s)\n"
                              ">> Within *.txt: 1 replacement(s) in 2 file(s)\n"));
  EXPECT_NE(replace.err.find(".\\log.txt"), std::string::npos) << replace.err;
  EXPECT_EQ(replace.exitCode, 1u);
  EXPECT_EQ(readTree(folder), (FileTree{{"a.txt", "bar\n"}, {"log.txt", "foo\n"}}));
  removeTree(folder);
}

TEST(TrawlexSafety, FileWhoseBackupCannotBeMadeIsLeftAlone) {
  // A folder stands where x.txt's backup would go.
  std::string folder = makeTempFolder("trawlex");
  makeTree(folder, {{"x.txt", "foo\n"}, {"x.txt.bak\\", ""}, {"y.txt", "foo\n"}});
  RunResult run =
      runTrawlex(folder, {"-e", "-k", "-r", "-x", "-g", "-t", "-z", "foo", "bar", "*.txt"});
  EXPECT_EQ(run.out, crlf(">> Within .\\y.txt: 1 replacement(s)\n"
                          ">> Within *.txt: 1 replacement(s) in 2 file(s)\n"
                          ">> Total: 1 instance(s) of \"foo\" replaced with \"bar\".\n"));
  EXPECT_NE(run.err.find("x.txt"), std::string::npos) << run.err;
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_EQ(readTree(folder),
            (FileTree{{"x.txt", "foo\n"}, {"y.txt", "bar\n"}, {"y.txt.bak", "foo\n"}}));
  EXPECT_TRUE(folderExists(folder + "\\x.txt.bak"));
  removeTree(folder);
}

TEST(TrawlexSafety, ReadOnlyOlderBackupIsNeitherReplacedNorItsFileRewritten) {
  std::string folder = makeTempFolder("trawlex");
  makeTree(folder, {{"x.txt", "foo\n"}, {"x.txt.bak", "kept backup\n"}});
  SetFileAttributesA((folder + "\\x.txt.bak").c_str(), FILE_ATTRIBUTE_READONLY);
  RunResult run = runTrawlex(folder, {"-k", "-r", "-g", "-t", "-z", "foo", "bar", "*.txt"});
  EXPECT_EQ(run.out, crlf(">> Within *.txt: 0 replacement(s) in 1 file(s)\n"
                          ">> Total: 0 instance(s) of \"foo\" replaced with \"bar\".\n"));
  EXPECT_NE(run.err.find("x.txt"), std::string::npos) << run.err;
  EXPECT_EQ(readTree(folder), (FileTree{{"x.txt", "foo\n"}, {"x.txt.bak", "kept backup\n"}}));
  removeTree(folder);
}

TEST(TrawlexSafety, NoTemporaryFileIsLeftOrProcessed) {
  // In direct mode the walk is still enumerating the folder while each file
  // is rewritten: a temporary file met by it, or a rewritten file met again,
  // would raise the file count, and one left behind would show in the tree.
  // The replacement does not hold the search string, so such a run still ends.
  FileTree files, expected;
  for (int i = 0; i < 12; ++i) {
    std::string name = "f" + std::to_string(i);
    files[name] = "x\n";
    files["sub\\" + name + ".txt"] = "x\n";
    expected[name] = "y\n";
    expected["sub\\" + name + ".txt"] = "y\n";
  }
  std::vector<std::string> rootBefore = rootFilesOfDriveC();
  for (const char* wildcard : {"*", "*.*"}) {
    TrawlexOutcome result = runOnFiles(files, {"-s", "-r", "-g", "-z", "x", "y", wildcard});
    EXPECT_TRUE(endsWith(result.run.out, crlf(std::string(">> Within ") + wildcard +
                                              ": 24 replacement(s) in 24 file(s)\n")))
        << result.run.out;
    EXPECT_EQ(result.run.err, "");
    EXPECT_EQ(result.after, expected) << wildcard;
  }
  // A pattern that names temporary-looking files must still see each once,
  // the leftover of another process (process ids are multiples of 4) included.
  FileTree tmpFiles = {{"a.tmp", "x\n"}, {"b.tmp", "x\n"}, {"~trawlex-1-1.tmp", "x\n"}};
  TrawlexOutcome result = runOnFiles(tmpFiles, {"-r", "-g", "-z", "x", "y", "*.tmp"});
  EXPECT_TRUE(endsWith(result.run.out, crlf(">> Within *.tmp: 3 replacement(s) in 3 file(s)\n")))
      << result.run.out;
  EXPECT_EQ(result.after,
            (FileTree{{"a.tmp", "y\n"}, {"b.tmp", "y\n"}, {"~trawlex-1-1.tmp", "y\n"}}));
  EXPECT_EQ(rootFilesOfDriveC(), rootBefore);
}

TEST(TrawlexSafety, RewriteKeepsHiddenAndSystemAttributes) {
  std::string folder = makeTempFolder("trawlex");
  makeTree(folder, {{"h.txt", "foo\n"}});
  std::string path = folder + "\\h.txt";
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  RunResult run = runTrawlex(folder, {"-r", "-t", "-z", "foo", "bar", "h.txt"});
  EXPECT_EQ(run.out, crlf(">> Total: 1 instance(s) of \"foo\" replaced with \"bar\".\n"));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(readTree(folder), (FileTree{{"h.txt", "bar\n"}}));
  DWORD attributes = GetFileAttributesA(path.c_str());
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN) << attributes;
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_SYSTEM) << attributes;
  removeTree(folder);
}

namespace {

// Starts Trawlex with `arguments` in `folder`, its output streams on NUL,
// and kills it if it is still running after `milliseconds` (INFINITE: never).
void runAndKillAfter(const std::string& folder, const std::string& arguments, DWORD milliseconds) {
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
  std::string commandLine = "\"" + programUnderTest() + "\" " + arguments;
  PROCESS_INFORMATION process = {};
  BOOL started = CreateProcessA(programUnderTest().c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                                0, nullptr, folder.c_str(), &startup, &process);
  CloseHandle(nul);
  ASSERT_TRUE(started) << GetLastError();
  if (WaitForSingleObject(process.hProcess, milliseconds) == WAIT_TIMEOUT) {
    TerminateProcess(process.hProcess, 99);
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace

TEST(TrawlexSafety, KilledRunLeavesTheOldOrTheNewContent) {
  // The kill lands wherever the run happens to be; whatever the moment, the
  // file must hold one whole version. The last run is not killed and shows
  // that the new content does arrive.
  std::string before;
  for (int i = 0; before.size() < (8u << 20); ++i)
    before += "line " + std::to_string(i) + " foo\r\n";
  int count = 0;
  std::string after = replaceEach(before, "foo", "barbaz", &count);
  for (DWORD delay : {120ul, 160ul, 200ul, 240ul, static_cast<DWORD>(INFINITE)}) {
    std::string folder = makeTempFolder("trawlex");
    writeFile(folder + "\\big.txt", before);
    runAndKillAfter(folder, "-r -t -z foo barbaz big.txt", delay);
    std::string now = readFile(folder + "\\big.txt");
    EXPECT_TRUE(now == before || now == after)
        << "killed after " << delay << " ms: " << now.size() << " bytes";
    if (delay == INFINITE) {
      EXPECT_TRUE(now == after);
      EXPECT_EQ(listFolder(folder), std::vector<std::string>{"big.txt"});
    }
    removeTree(folder);
  }
}

namespace {

// Writes `bytes` at `offset` of `file`, leaving any gap before it unwritten
// (a sparse hole that reads as NUL bytes).
void writeAt(HANDLE file, int64_t offset, const std::string& bytes) {
  LARGE_INTEGER position;
  position.QuadPart = offset;
  DWORD written = 0;
  ASSERT_TRUE(SetFilePointerEx(file, position, nullptr, FILE_BEGIN));
  ASSERT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

// Checks that `err` shows the progress of one file: its path alone, then any
// number of updates "path (N%)" with N rising, at most 100 and written without
// leading zeros, each fitted to 75 characters (a longer text keeps its end)
// and followed by a carriage return, and finally the blank line. How many
// updates appear depends on the machine's speed.
void expectProgressOfOneFile(const std::string& err, const std::string& path) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; start < err.size(); start = end + 1) {
    end = err.find('\r', start);
    if (end == std::string::npos)
      end = err.size() - 1;
    lines.push_back(err.substr(start, end + 1 - start));
  }
  ASSERT_GE(lines.size(), 2u) << err;
  EXPECT_EQ(lines.front(), progressLine(path));
  EXPECT_EQ(lines.back(), progressCleared());
  int previous = 0;
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    size_t close = lines[i].rfind("%)");
    size_t open = lines[i].rfind('(', close);
    ASSERT_NE(close, std::string::npos) << lines[i];
    ASSERT_NE(open, std::string::npos) << lines[i];
    std::string digits = lines[i].substr(open + 1, close - open - 1);
    ASSERT_FALSE(digits.empty()) << lines[i];
    ASSERT_EQ(digits.find_first_not_of("0123456789"), std::string::npos) << lines[i];
    int percent = std::stoi(digits);
    EXPECT_EQ(digits, std::to_string(percent));
    EXPECT_GE(percent, previous);
    EXPECT_LE(percent, 100);
    EXPECT_EQ(lines[i], progressLine(path + " (" + digits + "%)"));
    previous = percent;
  }
}

}  // namespace

TEST(TrawlexSafety, FilesOfTwoGibibytesAndMoreAreSearchedToTheirEnd) {
  // 2 GiB of 1 MiB lines of NUL bytes (a sparse file, cheap on disk), then
  // one match past the largest signed 32-bit offset. Reading it takes long
  // enough for the progress line to show percentages, which must stay sane;
  // the name is long, so that they show the end of the path.
  std::string folder = makeTempFolder("trawlex");
  const std::string name = std::string(70, 'b') + ".bin";
  HANDLE file = CreateFileA((folder + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const int64_t mebibyte = 1 << 20;
  for (int64_t line = 1; line <= 2048; ++line) {
    writeAt(file, line * mebibyte - 1, "\n");
  }
  writeAt(file, 0x80000002LL, "foo\n");
  CloseHandle(file);

  RunResult run = runTrawlex(folder, {"-b", "foo", name});
  EXPECT_EQ(run.out, crlf("80000002 : 66 6f 6f " + blanks(39) +
                          "  foo\n"
                          "\n"
                          ">> Within .\\" +
                          name +
                          ": 1 match(es)\n"
                          "\n"
                          ">> Within " +
                          name +
                          ": 1 match(es) in 1 file(s)\n"
                          "\n"
                          ">> Total: 1 instance(s) of \"foo\" found.\n"));
  expectProgressOfOneFile(run.err, ".\\" + name);
  removeTree(folder);
}
