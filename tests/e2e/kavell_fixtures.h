// Fixtures for the Kavell end-to-end tests. The test program runs under Wine
// in the test session's own prefix, so it makes profile-list entries, loaded
// hives, group-policy and GUID keys, and profile folders with the real API,
// then runs Kavell and looks at what is left. Every folder it offers Kavell is
// a folder of the test's own under C:\users (or a drive letter or share mapped
// onto one); every key it makes is removed again by the test fixture.
#ifndef TESTS_E2E_KAVELL_FIXTURES_H_
#define TESTS_E2E_KAVELL_FIXTURES_H_

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "harness.h"

/// The profile list every test works on, under HKEY_LOCAL_MACHINE.
extern const char kProfileList[];
/// The Wine user's own profile: loaded, resolvable, never to be touched.
extern const char kWineUserSid[];
/// SIDs of this computer's own account domain (Wine's is S-1-5-21-0-0-0)
/// that the local look-up cannot map (it fails with 1332): orphans.
extern const char kOrphanSid[];
extern const char kOrphanSid2[];

// ---- Registry ----

/// Makes HKLM\<path> (and the keys on the way). Fails the test on error.
void createKey(HKEY root, const std::string& path);
/// Sets a string value of HKLM\<path>, making the key if needed.
void setStringValue(HKEY root, const std::string& path, const std::string& name,
                    const std::string& value, DWORD type = REG_SZ);
/// Sets a value of HKLM\<path> to the raw `bytes` of type `type`, making the
/// key if needed.
void setRawValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                 const std::string& bytes);
/// True when the key opens.
bool keyExists(HKEY root, const std::string& path);
/// The string value of a key, or "<missing>".
std::string readStringValue(HKEY root, const std::string& path, const std::string& name);
/// Deletes a key with its subtree, first giving back full access to any key
/// whose DACL was emptied by lockKey. Missing keys are fine.
void deleteKeyTree(HKEY root, const std::string& path);
/// The subkey names of a key, in enumeration order.
std::vector<std::string> subkeyNames(HKEY root, const std::string& path);

/// Adds a profile-list entry. `guid` empty means no "Guid" value.
void addProfile(const std::string& sid, const std::string& imagePath, DWORD type = REG_EXPAND_SZ,
                const std::string& guid = "");
/// Adds a profile-list entry whose path is UTF-16 text, for names outside
/// the ANSI code page.
void addWideProfile(const std::string& sid, const std::wstring& imagePath);
/// The profile-list key path of `sid`, below HKLM.
std::string profileKey(const std::string& sid);
/// The four other keys that belong to a profile (below HKLM).
std::string groupPolicyKey(const std::string& sid);
std::string groupPolicyStateKey(const std::string& sid);
std::string profileGuidKey(const std::string& guid);
std::string policyGuidKey(const std::string& guid);
/// Makes the two group-policy keys of `sid` and the two GUID keys of `guid`
/// (each with a subkey of its own, as real policy keys have).
void addPolicyKeys(const std::string& sid, const std::string& guid);

/// Makes HKEY_USERS\<name>, which is how Wine shows a loaded hive.
void markLoaded(const std::string& name);
/// Gives the key at HKLM\<path> a subkey "Locked" (with a subkey of its own)
/// whose DACL is empty: deleting the key then fails with access denied.
void lockKey(const std::string& path);

// ---- Files ----

/// Makes a file with `bytes` and then sets `attributes` on it.
void makeFile(const std::string& path, const std::string& bytes, DWORD attributes = 0);
/// Makes a folder and then sets `attributes` on it.
void makeFolder(const std::string& path, DWORD attributes = 0);
/// Makes a typical profile folder: NTUSER.DAT, read-only, hidden and system
/// files and folders, dot-named files and folders, a nested tree.
void makeProfileTree(const std::string& folder);
/// Writes a file by the long-path form, for paths past MAX_PATH.
void makeLongFile(const std::string& path, const std::string& bytes);
/// Makes a folder by the long-path form, for paths past MAX_PATH.
void makeLongFolder(const std::string& path);
/// Sets the last-write time of a file. Fails the test on error.
void setLastWriteTime(const std::string& path, const FILETIME& time);
/// The present moment moved by `hours` (negative is the past), as file time.
FILETIME hoursFromNow(long long hours);
/// A file time from a calendar date (UTC, midnight).
FILETIME fileTimeOf(WORD year, WORD month, WORD day);
/// Opens `path` with share mode 0, as a program holding it open would.
HANDLE holdOpenExclusively(const std::string& path);
/// Every entry below `folder` at any depth (relative paths, folders with a
/// trailing backslash), sorted. Works past MAX_PATH.
std::vector<std::string> listTree(const std::string& folder);
/// Removes a tree that may hold paths longer than MAX_PATH; never follows links.
void removeLongTree(const std::string& folder);

// ---- Unix side of the prefix ----

/// Runs a Unix program (absolute path, arguments split at blanks) and waits.
void runUnix(const std::string& commandLine);
/// This prefix's Unix folder (the WINEPREFIX variable), or "".
std::string winePrefix();
/// Waits until `path` exists (or, with `present` false, is gone); false when
/// that did not happen within a few seconds.
bool waitForPath(const std::string& path, bool present);
/// Makes a Unix symbolic link `link` (Windows path) pointing at `target`
/// (Windows path). Wine shows it as a folder with the reparse-point bit.
bool makeUnixLink(const std::string& link, const std::string& target);

// ---- Running Kavell ----

/// Runs the Kavell under test with `args`, working folder `workDir`.
RunResult runKavell(const std::vector<std::string>& args, const std::string& workDir);
/// A whole expected run: the two leading line breaks, the heading, the scan's
/// lines, the scan's closing line breaks and the closing line, as CRLF bytes.
std::string expectedRun(const std::string& heading, const std::string& body,
                        const std::string& closing);
/// One profile as the list mode prints it.
std::string listedProfile(const std::string& user, const std::string& sid, const std::string& path);
/// The system's text for a Win32 error code, without its trailing line break.
std::string win32ErrorText(DWORD code);
/// The upper-case computer name, which Wine gives as the local domain name.
std::string localDomain();
/// The lines of `text` (CRLF line ends removed); a last line without a line
/// break is kept.
std::vector<std::string> linesOf(const std::string& text);
/// True when `text` ends with `tail`.
bool hasSuffix(const std::string& text, const std::string& tail);
/// How many times `needle` occurs in `text`.
size_t countOf(const std::string& text, const std::string& needle);

/// Base of every Kavell test: the profile list holds only the Wine user's
/// entry when it starts, and everything the test made (profile entries,
/// loaded hives, policy keys, its temp folder) is gone when it ends.
class KavellTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  /// A fresh folder of this test under C:\users, beside the real profiles.
  std::string folder(const std::string& tag);
  /// Records a key that TearDown deletes (below HKLM, or HKU when `users`).
  void removeLater(const std::string& path, bool users = false);

  std::string work;  ///< The test's own working folder, on C:.

 private:
  std::vector<std::string> folders_;
  std::vector<std::pair<HKEY, std::string>> keys_;
};

#endif  // TESTS_E2E_KAVELL_FIXTURES_H_
