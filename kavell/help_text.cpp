#include "help_text.h"

namespace {

const char introduction[] =
    "KAVELL is a command-line utility to delete local user profiles that are\n"
    "NOT in use when this command is executed.\n\n"
    "Profiles of departed users pile up on shared machines and take disk space\n"
    "that no built-in tool reclaims in bulk. This utility offers extra features\n"
    "that will be of benefit to all admins. KAVELL has the ability to delete\n"
    "user profiles on the local machine based on age, username, or SID\n"
    "association. If a username has been deleted from a Domain or Workgroup, \n"
    "the profile often still exists with only a SID assigned to identify it.\n"
    "KAVELL can delete these profiles completely from the file system and \n"
    "registry regardless of the profile age, and without removing existing \n"
    "profiles of the same age.\n\n"
    "This tool could be simply run from the command line at any time, or added\n"
    "as a SCHEDULED TASK for regular cleaning of user profiles, reducing the\n"
    "overall disk space used for locally based profiles.\n\n"
    "KAVELL will only function when executed by a user with ADMIN rights to the\n"
    "profile directory.\n\n";

const char usage[] =
    "Usage:\n"
    "KAVELL [/LIST|username|/A|/D:days|/AD:days] [/?]\n\n"
    "  /LIST    - List all user profiles currently not in use (Default).\n"
    "  username - Delete user profile based on username.\n"
    "  /A       - Delete all user profiles that have no username association\n"
    "             i.e. The username has been deleted in Active Directory but\n"
    "             a profile still exists in form of a SID.\n"
    "  /D:days  - Delete all user profiles equal to or older than the number of\n"
    "             days specified. NB: /D: without a number is equal to /D:0.\n"
    "             /D:0 will remove CURRENT user profiles not in use.\n"
    "  /AD:days - Delete all user profiles that have no username association\n"
    "             and are equal to or older than the number of days specified.\n"
    "             NB: /AD: without a number is equal to /AD:0.\n"
    "  /WHATIF  - With a deleting mode: show what would be deleted; delete nothing.\n"
    "  /X:pattern - Keep profiles whose user, SID or folder name matches (* and ?).\n"
    "  /?       - show this help file\n\n"
    "KAVELL without parameters will execute the /LIST switch by default.\n\n"
    "Although written for Terminal Server and Citrix environments, this application\n"
    "will function on non-TS/Citrix workstations and servers.\n"
    "This application has been tested on the following platforms:\n\n"
    "Windows 2003 Server SP1\n"
    "Windows 2003 Server SP1 w/ Citrix PS 4.0\n"
    "Windows 2003  Server SP1 (Terminal Server Application Mode)\n"
    "Windows 2000  Server SP4\n"
    "Windows 2000  Server SP4 w/ Citrix MF XP\n"
    "Windows 2000  Server SP4 (Terminal Server Application Mode)\n"
    "Windows 2000  Server SP4 w/ Citrix MF 1.8\n"
    "Windows XP Professional (domain member)\n\n";

const char notice[] =
    "NOTICE: deleted profiles cannot be recovered. Run without a switch (or with\n"
    "/LIST) first to see what would be affected. This software is provided as is,\n"
    "without warranty of any kind; you use it at your own risk.\n\n";

}  // namespace

const char invalidEntryText[] = "\n\n*** ERROR: Invalid Entry. Program Terminated***\n\n";

std::string usageText(bool full) {
  std::string text = full ? introduction : "";
  return text + usage + notice;
}
