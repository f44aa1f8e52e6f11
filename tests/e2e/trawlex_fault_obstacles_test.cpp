// Trawlex replacing among files it must not or cannot change: one held open
// by another process, a read-only one, one made immutable from the Unix side
// (chattr +i), and files in a folder that is another process's current
// directory. The run goes on past each, names each on standard error, counts
// them 0, and changes nothing but the files it could rewrite.
#include <gtest/gtest.h>
#include <windows.h>

#include "trawlex_e2e_util.h"

namespace {

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

TEST_F(TrawlexObstacles, FolderWhereNoFileCanBeMadeIsSearchedWithoutAnError) {
  // A file without a match is only read: no temporary file is needed, so a
  // folder that takes no new file (chattr +i) is no obstacle.
  makeTree(folder_, {{"shut\\a.txt", "nothing\n"}, {"shut\\b.txt", "hay\r\nstack"}});
  immutable_ = folder_ + "\\shut";
  if (!setImmutable(immutable_, true)) {
    GTEST_SKIP() << "chattr +i does not take on this file system (it needs root and "
                    "ext2/3/4, xfs or btrfs): the immutable-folder case was not tried";
  }
  RunResult run = runTrawlex(folder_, {"-r", "-s", "-t", "-z", "needle", "pin", "*.txt"});
  EXPECT_EQ(run.out, crlf(">> Total: 0 instance(s) of \"needle\" replaced with \"pin\".\n"));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exitCode, 0u);
  FileTree after = readTree(folder_);
  for (auto entry = after.begin(); entry != after.end();) {
    entry = entry->first.find("~immutable-probe-") != std::string::npos ? after.erase(entry)
                                                                        : std::next(entry);
  }
  EXPECT_EQ(after, (FileTree{{"shut\\a.txt", "nothing\n"}, {"shut\\b.txt", "hay\r\nstack"}}));
}
