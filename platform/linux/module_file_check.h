#pragma once
// The installation's program files, the dialog program and the dialog module, as `auxline`
// starts the one and the dialog program loads the other. Only the installation's own files
// are run or loaded: in a tool folder that others may write (a shared, sticky folder), a
// file that another user put there under either name must never run as the user who
// clicked. And only whole files: the dynamic loader and the system map a program's segments
// without comparing them with the file's size, so a file cut short (a copy or an update that
// did not finish) kills the process with SIGBUS as soon as a page past its end is touched,
// long before dlopen could fail, and after exec there is no way back.
#include <sys/stat.h>
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

enum class ProgramKind {
  // An executable of this process's class and byte order: a fixed-address one, or a
  // position-independent one with a program interpreter (not a shared object).
  DynamicExecutable,
  // An ELF shared object of this process's class and byte order.
  SharedObject,
};

// Whether group `gid` has no member but user `uid`, as a user's private group, according to
// the texts of /etc/passwd and /etc/group: no other user has it as the primary group, and
// it lists no other user. A group missing from the text counts as shared, and so does every
// group when a line of either text is not in the files' plain form (its number of fields,
// ids in ASCII digits that fit): the system reads such a line leniently, as a member of a
// group the check cannot tell.
bool GroupIsPrivateTo(std::string_view passwd, std::string_view group, gid_t gid, uid_t uid);

// The same from the system's own files (read only when asked).
bool SystemGroupIsPrivateTo(gid_t gid, uid_t uid) noexcept;

// The rule for an installation file, on the open file's status: a regular file that belongs
// to root or to the installation's owner (the owner of `auxline`), with no write permission
// for others, and a group write permission only for a group private to the file's owner.
bool InstallationFileMayBeUsed(const struct stat& status, uid_t installationOwner,
                               bool (*groupIsPrivateTo)(gid_t, uid_t) = SystemGroupIsPrivateTo);

// Opens the installation file at `path` for use: never through a link, never waiting (a FIFO
// or a device under the name is not waited for), close-on-exec. The rule above and the
// file's wholeness are checked on the open file, which is then what is run or loaded, so
// that nothing can be swapped in between. -1 when the file may not be used; otherwise the
// caller closes the descriptor. Never throws.
int OpenInstallationFile(const std::filesystem::path& path, uid_t installationOwner,
                         ProgramKind kind) noexcept;

// Why OpenInstallationFile refused `path`, for the failure log.
std::string WhyInstallationFileRefused(const std::filesystem::path& path);

// The owner of the running executable; for `auxline` the installation's owner. -1 when the
// system cannot tell.
uid_t RunningExecutableOwner() noexcept;
