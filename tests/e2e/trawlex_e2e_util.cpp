#include "trawlex_e2e_util.h"

#include <gtest/gtest.h>
#include <windows.h>

void makeTree(const std::string& folder, const FileTree& tree) {
  for (const auto& [relative, bytes] : tree) {
    // Make each folder on the way; CreateDirectoryA on an existing one is harmless.
    for (size_t slash = relative.find('\\'); slash != std::string::npos;
         slash = relative.find('\\', slash + 1)) {
      CreateDirectoryA((folder + "\\" + relative.substr(0, slash)).c_str(), nullptr);
    }
    if (relative.back() != '\\')
      writeFile(folder + "\\" + relative, bytes);
  }
}

namespace {

void readTreeInto(const std::string& folder, const std::string& prefix, FileTree* tree) {
  for (const std::string& name : listFolder(folder + (prefix.empty() ? "" : "\\" + prefix))) {
    std::string relative = prefix.empty() ? name : prefix + "\\" + name;
    if (name.back() == '\\') {
      relative.pop_back();
      readTreeInto(folder, relative, tree);
    } else {
      (*tree)[relative] = readFile(folder + "\\" + relative);
    }
  }
}

}  // namespace

FileTree readTree(const std::string& folder) {
  FileTree tree;
  readTreeInto(folder, "", &tree);
  return tree;
}

RunResult runTrawlex(const std::string& folder, const std::vector<std::string>& args,
                     bool mergeStreams) {
  return runProgram(programUnderTest(), args, folder, mergeStreams);
}

TrawlexOutcome runOnFiles(const FileTree& files, const std::vector<std::string>& args,
                          bool mergeStreams) {
  std::string folder = makeTempFolder("trawlex");
  makeTree(folder, files);
  TrawlexOutcome outcome;
  outcome.run = runTrawlex(folder, args, mergeStreams);
  outcome.after = readTree(folder);
  removeTree(folder);
  return outcome;
}

std::string progressLine(const std::string& text) {
  if (text.size() > 75)
    return text.substr(text.size() - 75) + "\r";
  return text + std::string(75 - text.size(), ' ') + "\r";
}

std::string progressCleared() {
  return progressLine("");
}

std::string blanks(size_t count) {
  return std::string(count, ' ');
}

std::string utf16(const std::string& text) {
  std::string wide;
  for (char c : text) {
    wide += c;
    wide += '\0';
  }
  return wide;
}

std::string replaceEach(const std::string& text, const std::string& search,
                        const std::string& replacement, int* count) {
  std::string result;
  *count = 0;
  size_t done = 0;
  for (size_t at = text.find(search); at != std::string::npos; at = text.find(search, done)) {
    result.append(text, done, at - done);
    result += replacement;
    done = at + search.size();
    ++*count;
  }
  return result.append(text, done, std::string::npos);
}

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::vector<std::string> rootFilesOfDriveC() {
  std::vector<std::string> files;
  for (const std::string& name : listFolder("C:")) {
    if (name.back() != '\\')
      files.push_back(name);
  }
  return files;
}

void* holdFileExclusively(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE) << "cannot hold " << path;
  return file;
}

void releaseFile(void* handle) {
  CloseHandle(handle);
}

std::wstring wideFromUtf8(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                                   static_cast<int>(wide.size()));
  wide.resize(static_cast<size_t>(length));
  return wide;
}

namespace {

std::string utf8FromWide(const std::wstring& text) {
  std::string bytes(text.size() * 3, '\0');
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                   &bytes[0], static_cast<int>(bytes.size()), nullptr, nullptr);
  bytes.resize(static_cast<size_t>(length));
  return bytes;
}

std::wstring longPath(const std::string& utf8Path) {
  return L"\\\\?\\" + wideFromUtf8(utf8Path);
}

// The names in a folder, "." and ".." left out; folders end in "\".
std::vector<std::string> listFolderUtf8(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((longPath(folder) + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE)
    return names;
  do {
    std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..")
      continue;
    names.push_back(utf8FromWide(name) +
                    (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? "\\" : ""));
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return names;
}

std::string readFileUtf8(const std::string& path) {
  return readAndClose(CreateFileW(longPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
}

}  // namespace

void makeTreeUtf8(const std::string& folder, const FileTree& tree) {
  for (const auto& [relative, bytes] : tree) {
    for (size_t slash = relative.find('\\'); slash != std::string::npos;
         slash = relative.find('\\', slash + 1)) {
      CreateDirectoryW(longPath(folder + "\\" + relative.substr(0, slash)).c_str(), nullptr);
    }
    if (relative.back() == '\\')
      continue;
    HANDLE file = CreateFileW(longPath(folder + "\\" + relative).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot write " << relative;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size()) << "short write to " << relative;
  }
}

FileTree readTreeUtf8(const std::string& folder) {
  FileTree tree;
  for (const std::string& name : listFolderUtf8(folder)) {
    if (name.back() != '\\') {
      tree[name] = readFileUtf8(folder + "\\" + name);
      continue;
    }
    for (const auto& [relative, bytes] :
         readTreeUtf8(folder + "\\" + name.substr(0, name.size() - 1)))
      tree[name + relative] = bytes;
  }
  return tree;
}

void removeTreeUtf8(const std::string& folder) {
  for (const std::string& name : listFolderUtf8(folder)) {
    std::string path = folder + "\\" + name;
    if (name.back() == '\\') {
      removeTreeUtf8(path.substr(0, path.size() - 1));
    } else {
      SetFileAttributesW(longPath(path).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(longPath(path).c_str());
    }
  }
  RemoveDirectoryW(longPath(folder).c_str());
}

RunResult runTrawlexUtf8(const std::string& folder, const std::vector<std::string>& args) {
  RunResult result;
  std::string capture = makeTempFolder("capture");
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE streams[2];
  for (int i = 0; i < 2; ++i) {
    streams[i] = CreateFileA((capture + (i == 0 ? "\\out" : "\\err")).c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = streams[0];
  startup.hStdError = streams[1];
  // The arguments of these tests hold no blank or double quote.
  std::wstring commandLine = L"Trawlex";
  for (const std::string& arg : args)
    commandLine += L" " + wideFromUtf8(arg);
  PROCESS_INFORMATION process = {};
  std::wstring program = wideFromUtf8(programUnderTest());
  BOOL started = CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                                nullptr, wideFromUtf8(folder).c_str(), &startup, &process);
  EXPECT_TRUE(started) << "cannot start " << programUnderTest() << ": error " << GetLastError();
  CloseHandle(streams[0]);
  CloseHandle(streams[1]);
  if (started) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    result.out = readFile(capture + "\\out");
    result.err = readFile(capture + "\\err");
  }
  removeTree(capture);
  return result;
}

// Wine signals a Unix program's handle before the program is done, so the
// wait is for its effect.
bool runUnixUntil(const std::string& commandLine, const std::string& path, bool present) {
  if (!startUnix(commandLine)) {
    return false;
  }
  for (int round = 0; round < 250; ++round) {
    if ((GetFileAttributesW(longPath(path).c_str()) != INVALID_FILE_ATTRIBUTES) == present)
      return true;
    Sleep(20);
  }
  return false;
}
