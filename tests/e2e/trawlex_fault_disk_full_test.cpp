// Trawlex replacing on a drive that fills up: a spare drive letter of the
// prefix is mapped onto a small tmpfs that the test mounts from the Unix side,
// and a filler file takes all but a chosen amount of its room. The rewrite
// cannot complete; the original must stay as it was, an error must name it,
// and nothing may be left on the drive. Where the machine refuses the mount,
// the tests are skipped and say why.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>

#include "trawlex_e2e_util.h"

namespace {

// Waits up to five seconds until `path` exists (or, `present` false, is gone).
bool waitFor(const std::string& path, bool present) {
  for (int round = 0; round < 250; ++round) {
    if ((GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) == present) {
      return true;
    }
    Sleep(20);
  }
  return false;
}

std::string neededLines(size_t bytes) {
  std::string text;
  for (int i = 0; text.size() < bytes; ++i) {
    text += "line " + std::to_string(i) + " holds the needle twice: needle\r\n";
  }
  return text;
}

constexpr size_t kDriveBytes = 1 << 20;

class TrawlexFullDrive : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = makeTempFolder("fault-full");
    mountPoint_ = folder_ + "\\mnt";
    ASSERT_TRUE(CreateDirectoryA(mountPoint_.c_str(), nullptr));
    // The marker vanishes under the mount and shows again once it is gone.
    marker_ = mountPoint_ + "\\unmounted";
    writeFile(marker_, "");
    std::string unixMount = unixPath(mountPoint_);
    ASSERT_FALSE(unixMount.empty());
    ASSERT_EQ(unixMount.find(' '), std::string::npos) << unixMount;
    ASSERT_TRUE(startUnix("/bin/mount -t tmpfs -o size=" + std::to_string(kDriveBytes) +
                          ",mode=0777 fault-full " + unixMount));
    if (!waitFor(marker_, false)) {
      GTEST_SKIP() << "this machine refused to mount a tmpfs on " << unixMount
                   << " (mounting needs root); the full-drive case was not tried";
    }
    mounted_ = true;
    for (char letter = 'T'; letter <= 'Y' && drive_.empty(); ++letter) {
      std::string root = std::string(1, letter) + ":\\";
      if (GetDriveTypeA(root.c_str()) == DRIVE_NO_ROOT_DIR) {
        drive_ = root;
      }
    }
    ASSERT_FALSE(drive_.empty()) << "no spare drive letter between T: and Y:";
    char prefix[MAX_PATH * 4];
    DWORD length = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix));
    ASSERT_TRUE(length > 0 && length < sizeof(prefix)) << "WINEPREFIX is not set";
    link_ = std::string(prefix, length) + "/dosdevices/" +
            static_cast<char>(tolower(static_cast<unsigned char>(drive_[0]))) + ":";
    ASSERT_TRUE(startUnix("/bin/ln -s " + unixMount + " " + link_));
    ASSERT_TRUE(waitFor(drive_, true)) << "the drive " << drive_ << " did not appear";
  }

  void TearDown() override {
    if (!drive_.empty()) {
      startUnix("/bin/rm -f " + link_);
      EXPECT_TRUE(waitFor(drive_, false)) << "the drive " << drive_ << " is still mapped";
    }
    if (mounted_) {
      std::string unixMount = unixPath(mountPoint_);
      startUnix("/bin/umount " + unixMount);
      if (!waitFor(marker_, true)) {
        // Something still holds a file there: detach the mount all the same,
        // so that nothing of the test outlives it.
        startUnix("/bin/umount -l " + unixMount);
        ADD_FAILURE() << "the tmpfs was busy and had to be detached";
        EXPECT_TRUE(waitFor(marker_, true)) << "the tmpfs is still mounted";
      }
    }
    removeTree(folder_);
  }

  // Fills the drive with one file, leaving `spare` bytes free: a first
  // filler measures the room, a second one takes all of it but `spare`.
  void fillLeaving(size_t spare) {
    size_t room = writeFiller(~size_t{0});
    ASSERT_GT(room, spare) << "the drive has no room to fill";
    ASSERT_TRUE(DeleteFileA((drive_ + "filler").c_str()));
    EXPECT_EQ(writeFiller(room - spare), room - spare);
  }

  // Writes a filler of at most `limit` bytes; returns how many went in.
  size_t writeFiller(size_t limit) {
    HANDLE filler = CreateFileA((drive_ + "filler").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(filler, INVALID_HANDLE_VALUE);
    if (filler == INVALID_HANDLE_VALUE) {
      return 0;
    }
    std::string block(4096, 'f');
    size_t total = 0;
    DWORD written = 0;
    while (total < limit &&
           WriteFile(filler, block.data(),
                     static_cast<DWORD>(std::min(block.size(), limit - total)), &written,
                     nullptr) &&
           written > 0) {
      total += written;
    }
    CloseHandle(filler);
    return total;
  }

  std::string folder_;
  std::string mountPoint_;
  std::string marker_;
  std::string drive_;
  std::string link_;
  bool mounted_ = false;
};

const char kTotalNothingReplaced[] =
    ">> Total: 0 instance(s) of \"needle\" replaced with \"pin\".\n";

}  // namespace

TEST_F(TrawlexFullDrive, RewriteThatCannotBeWrittenLeavesTheOriginal) {
  // The new text is shorter than the old, yet the drive has no room for it.
  for (size_t spare : {size_t{0}, size_t{16} << 10}) {
    SCOPED_TRACE("room left: " + std::to_string(spare));
    std::string original = neededLines(96 << 10);
    writeFile(drive_ + "data.txt", original);
    fillLeaving(spare);
    RunResult run = runTrawlex(drive_, {"-r", "-t", "-z", "needle", "pin", drive_ + "data.txt"});
    EXPECT_EQ(run.out, crlf(kTotalNothingReplaced));
    std::string named = "Error writing \"" + drive_ + "data.txt\"";
    EXPECT_EQ(run.err.compare(0, named.size(), named), 0) << run.err;
    EXPECT_EQ(run.err.find("\r\n"), run.err.size() - 2) << "one line expected: " << run.err;
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(readFile(drive_ + "data.txt") == original) << "the original changed";
    EXPECT_EQ(listFolder(drive_), (std::vector<std::string>{"data.txt", "filler"}));
    DeleteFileA((drive_ + "filler").c_str());
  }
}

TEST_F(TrawlexFullDrive, BackupThatDoesNotFitLeavesTheOriginal) {
  // Room for the new content but not for the ".bak" copy beside it: neither
  // the original nor an older backup may suffer, and no part-copy may stay.
  std::string original = neededLines(200 << 10);
  for (bool olderBackup : {false, true}) {
    SCOPED_TRACE(olderBackup ? "with an older backup" : "without an older backup");
    writeFile(drive_ + "data.txt", original);
    std::vector<std::string> before = {"data.txt", "filler"};
    if (olderBackup) {
      writeFile(drive_ + "data.txt.bak", "the older backup\r\n");
      before = {"data.txt", "data.txt.bak", "filler"};
    }
    fillLeaving(original.size() + original.size() / 2);
    RunResult run =
        runTrawlex(drive_, {"-r", "-k", "-t", "-z", "needle", "pin", drive_ + "data.txt"});
    EXPECT_EQ(run.out, crlf(kTotalNothingReplaced));
    std::string named = "Error creating backup \"" + drive_ + "data.txt.bak\"";
    EXPECT_EQ(run.err.compare(0, named.size(), named), 0) << run.err;
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(readFile(drive_ + "data.txt") == original) << "the original changed";
    EXPECT_EQ(listFolder(drive_), before);
    if (olderBackup) {
      EXPECT_EQ(readFile(drive_ + "data.txt.bak"), "the older backup\r\n");
    }
    DeleteFileA((drive_ + "filler").c_str());
  }
}

TEST_F(TrawlexFullDrive, FilesThatFitAreStillRewrittenAfterOneThatDoesNot) {
  // The run goes on after the failure: a small file whose new content fits
  // in the room that is left is rewritten, the large one stays as it was.
  std::string large = neededLines(64 << 10);
  std::string small = "one needle\n";
  writeFile(drive_ + "a-large.txt", large);
  writeFile(drive_ + "b-small.txt", small);
  fillLeaving(8 << 10);
  RunResult run = runTrawlex(drive_, {"-r", "-x", "-t", "-z", "needle", "pin", drive_ + "*.txt"});
  EXPECT_EQ(run.out, crlf(">> Total: 1 instance(s) of \"needle\" replaced with \"pin\".\n"));
  std::string named = "Error writing \"" + drive_ + "a-large.txt\"";
  EXPECT_EQ(run.err.compare(0, named.size(), named), 0) << run.err;
  EXPECT_TRUE(readFile(drive_ + "a-large.txt") == large) << "the large file changed";
  EXPECT_EQ(readFile(drive_ + "b-small.txt"), "one pin\n");
  EXPECT_EQ(listFolder(drive_), (std::vector<std::string>{"a-large.txt", "b-small.txt", "filler"}));
}
