// A file swapped for a link while Trawlex works is never read or rewritten
// through it: the run stops short of the file, says so and goes on. The swap
// lands at a known moment: the run's standard output is a pipe that the test
// leaves unread, so the run waits on its first file's printed lines, after
// the listing, while the test renames a file away and puts a link to a file
// outside the folder in its place.
#include <gtest/gtest.h>
#include <windows.h>

#include "trawlex_e2e_util.h"

namespace {

const char kReplaced[] = "\": the file was replaced after its folder was listed.\r\n";

class TrawlexSwap : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = makeTempFolder("trawlex");
    outside_ = makeTempFolder("trawlex");
    writeFile(outside_ + "\\victim.txt", "foo victim\n");
    for (int i = 0; i < 200000; ++i)
      printed_ += "foo line\n";
  }
  void TearDown() override {
    EXPECT_TRUE(runUnixUntil("/bin/rm -f " + unixPath(link_), link_, false)) << link_;
    EXPECT_EQ(readFile(outside_ + "\\victim.txt"), "foo victim\n");
    EXPECT_EQ(listFolder(outside_), std::vector<std::string>{"victim.txt"});
    removeTree(folder_);
    removeTree(outside_);
  }

  // Runs Trawlex with `arguments` in the folder; once it has printed, and
  // while it waits for its output to be read, the first of `names` that its
  // output does not show yet is renamed to that name and ".away", and a link
  // to `target` takes its name. Returns standard error.
  std::string runSwapping(const std::string& arguments, const std::vector<std::string>& names,
                          const std::string& target) {
    link_.clear();
    std::string errPath = outside_ + ".err";
    PipedRun run = startPiped(folder_, arguments, errPath);
    // The first output arrives once the run has listed its folders.
    char first[4096];
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(run.output, first, sizeof first, &got, nullptr))
        << "the run printed nothing";
    std::string shown(first, got);
    for (const std::string& name : names) {
      if (link_.empty() && shown.find(name) == std::string::npos)
        link_ = folder_ + "\\" + name;
    }
    std::string away = unixPath(link_) + ".away";
    EXPECT_TRUE(runUnixUntil("/bin/mv " + unixPath(link_) + " " + away, link_ + ".away", true));
    EXPECT_TRUE(
        runUnixUntil("/bin/ln -s " + unixPath(target) + " " + unixPath(link_), link_, true));
    readAndClose(run.output);
    WaitForSingleObject(run.process.hProcess, 60000);
    CloseHandle(run.process.hThread);
    CloseHandle(run.process.hProcess);
    std::string errors = readFile(errPath);
    DeleteFileA(errPath.c_str());
    return errors;
  }

  std::string victim() const { return outside_ + "\\victim.txt"; }

  std::string folder_;
  std::string outside_;
  std::string link_;
  std::string printed_;
};

TEST_F(TrawlexSwap, FileSwappedAfterTheListingIsNeitherReadNorRewritten) {
  // Under -x every file is listed before the first one is opened.
  writeFile(folder_ + "\\a.txt", printed_);
  writeFile(folder_ + "\\b.txt", "foo b\n");
  for (const char* options : {"-x -z", "-x -r -z"}) {
    SCOPED_TRACE(options);
    std::string errors = runSwapping(std::string(options) + " foo bar *.txt", {"b.txt"}, victim());
    EXPECT_EQ(errors, std::string("Error reading \".\\b.txt") + kReplaced);
    EXPECT_EQ(readFile(folder_ + "\\b.txt.away"), "foo b\n");
    EXPECT_TRUE(runUnixUntil("/bin/rm -f " + unixPath(link_), link_, false));
    EXPECT_TRUE(MoveFileA((link_ + ".away").c_str(), link_.c_str()));
  }
  EXPECT_EQ(listFolder(folder_), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(TrawlexSwap, FileSwappedDuringItsRewriteIsNotReplaced) {
  // The run waits in the middle of big.txt's rewrite; the name no longer
  // leads to the file read when the new content is to take its place.
  writeFile(folder_ + "\\big.txt", printed_);
  std::string errors = runSwapping("-r -k -z foo bar big.txt", {"big.txt"}, victim());
  EXPECT_EQ(errors, std::string("Error reading \".\\big.txt") + kReplaced);
  EXPECT_EQ(readFile(folder_ + "\\big.txt.away"), printed_);
  EXPECT_EQ(listFolder(folder_), (std::vector<std::string>{"big.txt", "big.txt.away"}));
}

TEST_F(TrawlexSwap, FolderSwappedAfterItsParentWasListedIsNotEntered) {
  // Both subfolders are listed before either is walked; the run waits in
  // the first one's file while the second becomes a link.
  makeTree(folder_, {{"s1\\big.txt", printed_}, {"s2\\big.txt", printed_}});
  std::string errors = runSwapping("-s -r -md -z foo bar *.txt", {"s1", "s2"}, outside_);
  std::string swapped = link_.substr(folder_.size() + 1);
  EXPECT_EQ(errors, "Error reading \".\\" + swapped +
                        "\\\": the folder was replaced after its parent was listed.\r\n");
  EXPECT_EQ(readFile(link_ + ".away\\big.txt"), printed_);
}

}  // namespace
