// Helpers for end-to-end tests: they run a real program of this project under
// the Win32 platform (Wine in CI) and look at what it left behind. Everything a
// test makes lives in its own folder under the user's temp folder.
#ifndef TESTS_E2E_HARNESS_H_
#define TESTS_E2E_HARNESS_H_

#include <windows.h>

#include <string>
#include <vector>

/// What one program run wrote and returned. `out` and `err` hold the exact
/// bytes of standard output and standard error; `both` is filled instead of
/// them when the run was asked to send both streams to one file.
struct RunResult {
  std::string out;
  std::string err;
  std::string both;
  unsigned long exitCode = 0;
};

/// The program under test, as named on the test program's command line.
const std::string& programUnderTest();

/// The exit code of a run that the harness killed for taking too long.
constexpr unsigned long killedExitCode = 0xDEAD;

/// Sets how long one program run may take, in milliseconds (two minutes
/// unless set), and returns the previous limit. A run that takes longer is
/// killed, its exit code becomes killedExitCode, and the test fails with a
/// message naming the command line.
unsigned long setRunTimeLimit(unsigned long milliseconds);

/// Runs `program` with `args`, quoted as the C runtime splits them, in the
/// folder `workDir`, with standard input empty. With `mergeStreams` both
/// output streams go to one file, in the order the program wrote them.
/// Fails the test (and returns an empty result) if the program cannot start,
/// and kills it and fails the test when it outlasts the run time limit.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& workDir, bool mergeStreams = false);

/// Runs `program` with a command line given whole after the program name,
/// for tests of how arguments are split.
RunResult runProgramRaw(const std::string& program, const std::string& argumentText,
                        const std::string& workDir);

/// Runs `program` with `argumentText` as the UTF-16 rest of its command line
/// (which must start with a blank), for arguments outside the ANSI code page.
RunResult runProgramWide(const std::string& program, const std::wstring& argumentText,
                         const std::string& workDir);

/// Makes a new empty folder under the temp folder and returns its path
/// (no trailing backslash).
std::string makeTempFolder(const std::string& tag);

/// Removes a folder tree, clearing read-only attributes on the way. Never
/// follows directory links.
void removeTree(const std::string& path);

/// Writes `bytes` to `path`, replacing it. Fails the test on error.
void writeFile(const std::string& path, const std::string& bytes);

/// The bytes of `path`, or "<missing>" when it cannot be read.
std::string readFile(const std::string& path);

/// The bytes of the file open as `file`, which it closes; "<missing>" for
/// INVALID_HANDLE_VALUE.
std::string readAndClose(HANDLE file);

bool fileExists(const std::string& path);
bool folderExists(const std::string& path);

/// The names in a folder, "." and ".." left out, sorted; folders end in "\".
std::vector<std::string> listFolder(const std::string& path);

/// Converts every "\n" not already preceded by "\r" to "\r\n": the C runtime
/// writes text-mode streams that way, so expected output reads naturally.
std::string crlf(const std::string& text);

/// The Unix path of a Windows path of the test prefix, through Wine's own
/// export; "" where there is none.
std::string unixPath(const std::string& windowsPath);

/// Starts a Unix program (absolute path, arguments split at blanks) and waits
/// for its handle; false when it could not start. Wine signals that handle
/// before the program is done, so callers watch for its effect.
bool startUnix(const std::string& commandLine);

/// Sets or clears the immutable flag of `path` (a file or a folder) from the
/// Unix side (chattr) and waits until it took effect; false when it did not.
/// A folder may be left holding an empty "~immutable-probe-N" file.
bool setImmutable(const std::string& path, bool immutable);

/// The program under test, started with its standard output a pipe that the
/// test reads. The caller closes both handles.
struct PipedRun {
  PROCESS_INFORMATION process = {};
  HANDLE output = nullptr;  ///< the pipe's read end
};

/// Starts the program under test with `arguments` (none needing quotes) in
/// `folder`, its standard error going to the file `errPath`; fails the test
/// if it cannot start.
PipedRun startPiped(const std::string& folder, const std::string& arguments,
                    const std::string& errPath);

// A command interpreter sitting in `folder` as its current directory, waiting
// for input that never comes, until the test ends it.
struct Sitter {
  PROCESS_INFORMATION process = {};
  HANDLE input = nullptr;
};

/// Starts a sitter in `folder`, its output going to `outputPath`.
Sitter startSitter(const std::string& folder, const std::string& outputPath);

/// Ends a sitter, if one runs.
void stopSitter(Sitter& sitter);

#endif  // TESTS_E2E_HARNESS_H_
