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
