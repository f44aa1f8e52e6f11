#include "harness.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

namespace {

std::string programPathStorage;
// Far above any one run of the suite (a few seconds at most), far below
// ctest's limit for a whole test program.
unsigned long runTimeLimit = 120000;

// Quotes one argument so that the C runtime's splitting gives it back whole:
// backslashes double only where a double quote follows them.
std::string quoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
    return arg;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"')
      backslashes = backslashes * 2 + 1;
    quoted.append(backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

// A Unix path given on the command line names the same file through drive Z:.
std::string toWindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/')
    path = "Z:" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

HANDLE createCaptureFile(const std::string& path) {
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
}

std::string tempRoot() {
  char buffer[MAX_PATH];
  DWORD length = GetTempPathA(MAX_PATH, buffer);
  std::string root(buffer, length);
  if (!root.empty() && root.back() == '\\')
    root.pop_back();
  return root;
}

HANDLE openInheritableNul() {
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  return CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     OPEN_EXISTING, 0, nullptr);
}

// ANSI text as CreateProcessA would pass it on.
std::wstring wideOfAnsi(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                                   static_cast<int>(wide.size()));
  wide.resize(length > 0 ? length : 0);
  return wide;
}

// Starts the program with the given output handles, waits for it and closes
// the handles. Returns false when it could not start.
bool launch(const std::string& program, const std::wstring& commandText, const std::string& workDir,
            HANDLE out, HANDLE err, unsigned long* exitCode) {
  HANDLE in = openInheritableNul();
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  std::wstring commandLine = wideOfAnsi(quoteArgument(program)) + commandText;
  std::wstring programPath = wideOfAnsi(program), folder = wideOfAnsi(workDir);
  PROCESS_INFORMATION process = {};
  // Under heavy load Wine now and then fails a start with ERROR_INTERNAL_ERROR;
  // nothing has run then, so trying again is safe.
  BOOL started = FALSE;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    if (attempt > 0)
      Sleep(200 * attempt);
    started = CreateProcessW(programPath.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                             nullptr, folder.c_str(), &startup, &process);
    if (!started && GetLastError() != ERROR_INTERNAL_ERROR)
      break;
  }
  CloseHandle(in);
  CloseHandle(out);
  if (err != out)
    CloseHandle(err);
  if (!started) {
    ADD_FAILURE() << "cannot start " << program << ": error " << GetLastError();
    return false;
  }
  if (WaitForSingleObject(process.hProcess, runTimeLimit) == WAIT_TIMEOUT) {
    // A run that no longer moves on would hold up the whole test run.
    TerminateProcess(process.hProcess, killedExitCode);
    WaitForSingleObject(process.hProcess, INFINITE);
    ADD_FAILURE() << "killed after " << runTimeLimit << " ms: " << commandLine;
  }
  GetExitCodeProcess(process.hProcess, exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace

const std::string& programUnderTest() {
  return programPathStorage;
}

unsigned long setRunTimeLimit(unsigned long milliseconds) {
  unsigned long previous = runTimeLimit;
  runTimeLimit = milliseconds;
  return previous;
}

RunResult runProgramRaw(const std::string& program, const std::string& argumentText,
                        const std::string& workDir) {
  return runProgramWide(program, wideOfAnsi(argumentText), workDir);
}

RunResult runProgramWide(const std::string& program, const std::wstring& argumentText,
                         const std::string& workDir) {
  RunResult result;
  std::string captureFolder = makeTempFolder("capture");
  std::string outPath = captureFolder + "\\out", errPath = captureFolder + "\\err";
  if (launch(program, argumentText, workDir, createCaptureFile(outPath), createCaptureFile(errPath),
             &result.exitCode)) {
    result.out = readFile(outPath);
    result.err = readFile(errPath);
  }
  removeTree(captureFolder);
  return result;
}

RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& workDir, bool mergeStreams) {
  std::string argumentText;
  for (const std::string& arg : args)
    argumentText += " " + quoteArgument(arg);
  if (!mergeStreams)
    return runProgramRaw(program, argumentText, workDir);
  // One handle for both streams keeps one file position, so the file holds
  // the bytes in the order they were written.
  RunResult result;
  std::string captureFolder = makeTempFolder("merged");
  std::string bothPath = captureFolder + "\\both";
  HANDLE both = createCaptureFile(bothPath);
  if (launch(program, wideOfAnsi(argumentText), workDir, both, both, &result.exitCode)) {
    result.both = readFile(bothPath);
  }
  removeTree(captureFolder);
  return result;
}

std::string makeTempFolder(const std::string& tag) {
  static unsigned counter = 0;
  std::string root = tempRoot();
  for (;;) {
    std::string path = root + "\\e2e-" + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(++counter);
    if (CreateDirectoryA(path.c_str(), nullptr))
      return path;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      ADD_FAILURE() << "cannot make " << path << ": error " << GetLastError();
      return path;
    }
  }
}

void removeTree(const std::string& path) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = entry.cFileName;
      if (name == "." || name == "..")
        continue;
      std::string full = path + "\\" + name;
      SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      bool isLink = entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !isLink) {
        removeTree(full);
      } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryA(full.c_str());
      } else {
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(path.c_str());
}

void writeFile(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot write " << path;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_TRUE(ok && written == bytes.size()) << "short write to " << path;
}

std::string readFile(const std::string& path) {
  return readAndClose(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
}

std::string readAndClose(HANDLE file) {
  if (file == INVALID_HANDLE_VALUE)
    return "<missing>";
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
    bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

bool fileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> listFolder(const std::string& path) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE)
    return names;
  do {
    std::string name = entry.cFileName;
    if (name == "." || name == "..")
      continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      name += "\\";
    names.push_back(name);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

std::string crlf(const std::string& text) {
  std::string converted;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
      converted += '\r';
    converted += text[i];
  }
  return converted;
}

// Unix-side helpers for fault tests: Wine starts an ELF program named by its
// Unix path as a Unix process.

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

bool startUnix(const std::string& commandLine) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::string line = commandLine;
  // Wine starts a Unix executable named by its Unix path as a Unix process.
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

// Runs chattr on a file from the Unix side and waits until it took effect:
// an immutable file refuses to be opened for writing.
bool setImmutable(const std::string& path, bool immutable) {
  if (!startUnix(std::string("/usr/bin/chattr ") + (immutable ? "+i " : "-i ") + unixPath(path))) {
    return false;
  }
  // A file shows the flag by refusing to open for writing, a folder by
  // refusing a new file. A probe made just as the flag takes hold cannot be
  // removed: each has a name of its own, and may be left behind.
  static unsigned probes = 0;
  bool folder = folderExists(path);
  for (int round = 0; round < 250; ++round) {
    std::string probe = folder ? path + "\\~immutable-probe-" + std::to_string(++probes) : path;
    HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, folder ? CREATE_NEW : OPEN_EXISTING,
                              folder ? FILE_FLAG_DELETE_ON_CLOSE : 0, nullptr);
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

PipedRun startPiped(const std::string& folder, const std::string& arguments,
                    const std::string& errPath) {
  PipedRun run;
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE writeEnd = nullptr;
  EXPECT_TRUE(CreatePipe(&run.output, &writeEnd, &inherit, 4096));
  SetHandleInformation(run.output, HANDLE_FLAG_INHERIT, 0);
  HANDLE err = CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = err;
  std::string commandLine = "\"" + programUnderTest() + "\" " + arguments;
  EXPECT_TRUE(CreateProcessA(programUnderTest().c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                             nullptr, folder.c_str(), &startup, &run.process))
      << GetLastError();
  CloseHandle(writeEnd);
  CloseHandle(err);
  return run;
}

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

// The test program takes the program under test as its one argument after
// GoogleTest's own flags.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    fprintf(stderr, "usage: %s [gtest flags] PROGRAM.exe\n", argv[0]);
    return 2;
  }
  programPathStorage = toWindowsPath(argv[1]);
  return RUN_ALL_TESTS();
}
