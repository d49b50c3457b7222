#!/usr/bin/env python3
"""End-to-end fault injection for the auxline executable.

Every case copies the real executable into a fresh directory with an exchange file and a
settings file, breaks something (the input, the directory, the disk, the process itself;
FIFOs, devices and links in place of the files, private files, a folder the user may not
write to, the executable renamed to either file's name, temporary files of killed runs, the
"/R10" dialog killed while open, a dialog program that cannot start or is killed, an exchange
file that cannot be read to its end, a file-size limit), runs the tool as the host does and then
checks the promise:

  * the process ended, within the time limit;
  * the exchange file is a complete command list (every line a valid command, each ending
    in CR LF), or the host's input left unchanged, or absent - never a partial file; after a
    failure to read it or to start the dialog, "hq" (nothing to draw), never the input;
  * the settings file is the old one or the new one, never partial, never missing when it
    existed before;
  * links stay links, modes and owners are kept, the executable is never changed, and a
    later run leaves no temporary file behind.

Usage: run_faults.py path/to/auxline [NAME...]
With NAMEs, only the cases whose name holds one of them (the names are listed when the
program is run without arguments). Exit status 0 when every case holds; each case prints
one line with its outcome.
"""
import errno
import grp
import os
import pwd
import random
import re
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TIME_LIMIT = 120  # seconds for any single run
DIALOG_PROGRAM = "auxline-dialog"  # beside the executable, started by it for dialog runs

NUM = r"-?(?:[0-9]+(?:\.[0-9]+)?|[0-9](?:\.[0-9]+)?E-?[0-9]+)"
COMMAND = re.compile(
    rf"(?:lg|ly)[0-9A-F]+|(?:lc|lt|lw|pn)-?[0-9]+|pt {NUM} {NUM}|ci {NUM} {NUM} {NUM}"
    rf"|ci {NUM}(?: {NUM}){{6}}|{NUM} {NUM} {NUM} {NUM}")

HOST_INPUT = b"".join(line + b"\r\n" for line in [
    b"file=C:\\work\\plan.drw", b"hk 30", b"lg2 10", b"ly5", b"lc3", b"lt1", b"lw0",
    b"hp1 10 20", b"hp2ln 40 60", b"0 0 100 0", b"ci 0 0 5", b"pt 1 2"])
# Written by hand, not by the tool: the values the tool reads from it are written back in
# the tool's own form, so that old and new settings files can be told apart.
OLD_SETTINGS = b" 3\r\n5\n2\r\n1\r\n12.50\r\n0.5\r\n330\r\n"
NEW_SETTINGS = b"3\r\n5\r\n2\r\n1\r\n12.5\r\n0.5\r\n330\r\n"


def write(path, data, mode=None):
    with open(path, "wb") as f:
        f.write(data)
    if mode is not None:
        os.chmod(path, mode)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def is_command_list(data):
    if not data.endswith(b"\r\n"):
        return False
    lines = data[:-2].split(b"\r\n")
    if lines == [b"hq"]:
        return True
    try:
        return all(COMMAND.fullmatch(line.decode("ascii")) for line in lines)
    except UnicodeDecodeError:
        return False


class ToolDir:
    """A directory holding a copy of the executable, its exchange file and settings; with
    dialog=True also the dialog program that the executable becomes for a dialog run."""

    def __init__(self, root, name, exe, exchange=HOST_INPUT, settings=OLD_SETTINGS,
                 dialog=False):
        self.path = os.path.join(root, name)
        os.makedirs(self.path)
        self.exe = os.path.join(self.path, "auxline")
        shutil.copy2(exe, self.exe)
        self.dialog_program = os.path.join(self.path, DIALOG_PROGRAM)
        if dialog:
            shutil.copy2(os.path.join(os.path.dirname(exe), DIALOG_PROGRAM), self.dialog_program)
        self.exchange_path = os.path.join(self.path, "JWC_TEMP.TXT")
        self.settings_path = os.path.join(self.path, "auxline.dat")
        self.old_exchange = exchange
        self.old_settings = settings
        if exchange is not None:
            write(self.exchange_path, exchange)
        if settings is not None:
            write(self.settings_path, settings)

    def env(self, extra=None):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(extra or {})
        return env

    def run(self, args, extra_env=None, prefix=(), exe=None, time_limit=TIME_LIMIT, cwd=None):
        """Exit status, negative for a signal, or None when the run did not end in time."""
        try:
            done = subprocess.run(list(prefix) + [exe or self.exe] + list(args),
                                  cwd=cwd or self.path,
                                  env=self.env(extra_env), stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                  timeout=time_limit)
            return done.returncode
        except subprocess.TimeoutExpired:
            return None

    def exchange_outcome(self):
        path = self.exchange_path
        if os.path.isdir(path):
            return "directory"
        if not os.path.exists(path):
            return "absent"
        if not stat.S_ISREG(os.stat(path).st_mode):
            return "special"  # never opened here: a FIFO would block the check
        data = read(path)
        if self.old_exchange is not None and data == self.old_exchange:
            return "unchanged"
        return "commands" if is_command_list(data) else "PARTIAL"

    def settings_outcome(self):
        if not os.path.exists(self.settings_path):
            return "LOST" if self.old_settings is not None else "absent"
        if not stat.S_ISREG(os.stat(self.settings_path).st_mode):
            return "special"
        data = read(self.settings_path)
        if data == self.old_settings:
            return "old"
        return "new" if data == NEW_SETTINGS else "PARTIAL"

    def leftovers(self):
        return sorted(n for n in os.listdir(self.path) if n.endswith(".tmp"))

    def age_leftovers(self, seconds):
        """Makes the temporary files look as old as a later run would find them."""
        then = time.time() - seconds
        for name in self.leftovers():
            os.utime(os.path.join(self.path, name), (then, then))

    def exchange_text(self):
        return read(self.exchange_path).decode("ascii", "replace")

    def nothing_to_draw(self):
        """The exchange file holds "hq" alone: the host draws nothing and keeps its layers."""
        return self.exchange_outcome() == "commands" and self.exchange_text() == "hq\r\n"

    def give_to(self, user):
        """Hands the folder and its files to `user` (uid, gid) for a run as that user."""
        for name in [""] + os.listdir(self.path):
            os.chown(os.path.join(self.path, name), *user, follow_symlinks=False)


class Expect:
    """What a case must leave: the run's exit status (None: it did not end), the exchange
    file's and the settings file's outcomes (see ToolDir), each one of the values given."""

    def __init__(self, status, exchange, settings=("old", "new")):
        self.status, self.exchange, self.settings = status, exchange, settings


class Report:
    def __init__(self):
        self.failures = 0
        self.passed = 0

    def check(self, name, tool, status, expect, extra="", more=()):
        """`more`: further (problem, holds) pairs about the files."""
        exchange = tool.exchange_outcome()
        setting = tool.settings_outcome()
        problems = [problem for problem, holds in more if not holds]
        if status is None:
            problems.append("did not end")
        elif status not in expect.status:
            problems.append(f"status {status}")
        if exchange not in expect.exchange:
            problems.append(f"exchange file {exchange}")
        if setting not in expect.settings:
            problems.append(f"settings {setting}")
        leftovers = tool.leftovers()
        line = (f"{name}: status {status}, exchange file {exchange}, settings {setting}"
                + (f", {len(leftovers)} temporary file(s) left" if leftovers else "")
                + (f", {extra}" if extra else ""))
        if problems:
            self.failures += 1
            print(f"FAIL {line} ({'; '.join(problems)})")
        else:
            self.passed += 1
            print(f"ok   {line}")
        return not problems


def can_drop_read_permission(root):
    """As root, chmod 000 does not stop reading: drop the capabilities that bypass it."""
    if os.geteuid() != 0:
        return []
    if shutil.which("setpriv") is None:
        return None
    probe = os.path.join(root, "probe")
    write(probe, b"x", 0)
    prefix = ["setpriv", "--inh-caps=-all", "--bounding-set=-dac_override,-dac_read_search", "--"]
    result = subprocess.run(prefix + ["cat", probe], stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    os.remove(probe)
    return prefix if result.returncode != 0 else None


ORDINARY_USER = "auxline-user"
OTHER_USER = "auxline-other"
SHARED_GROUP = "auxline-shared"


def _quiet(command):
    return subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode


def _made(look_up, make):
    """What `look_up` finds, after `make` (a command) where it finds nothing; None if neither."""
    for attempt in (False, True):
        if attempt:
            _quiet(make)
        try:
            return look_up()
        except KeyError:
            pass
    return None


def ordinary_user(name=ORDINARY_USER):
    """(uid, gid) of an ordinary user of that name, made when missing. None unless running as
    root (which CI does): only root can make users and run things as them."""
    if os.geteuid() != 0:
        return None
    entry = _made(lambda: pwd.getpwnam(name), ["useradd", "--system", "--user-group",
                                                "--no-create-home", "--shell", "/usr/sbin/nologin",
                                                name])
    return None if entry is None else (entry.pw_uid, entry.pw_gid)


def shared_group():
    """The gid of a group for supplementary membership, made when missing (root only)."""
    return _made(lambda: grp.getgrnam(SHARED_GROUP).gr_gid, ["groupadd", "--system", SHARED_GROUP])


def as_user(user, groups=()):
    """The prefix that runs a command as `user` (uid, gid) with only `groups` besides; leaving
    root this way also drops every capability."""
    return ["setpriv", f"--reuid={user[0]}", f"--regid={user[1]}",
            f"--groups={','.join(map(str, groups))}" if groups else "--clear-groups", "--"]


def protected_symlinks_settings():
    """The machine's fs.protected_symlinks at 0 and at 1 in turn, restored afterwards; where it
    cannot be set, once as it is."""
    path = "/proc/sys/fs/protected_symlinks"
    try:
        with open(path) as f:
            original = f.read().strip()
    except OSError:
        yield "unknown"
        return
    try:
        for value in ("0", "1"):
            try:
                with open(path, "w") as f:
                    f.write(value)
            except OSError:
                yield f"{original} (cannot be set here)"
                return
            yield value
    finally:
        try:
            with open(path, "w") as f:
                f.write(original)
        except OSError:
            pass


def mount(args):
    return subprocess.run(["mount"] + args, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0


def umount(path):
    subprocess.run(["umount", path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def fill_up(directory, leave_pages):
    """Fills the file system of directory, then gives back leave_pages pages."""
    filler = os.path.join(directory, "filler")
    fd = os.open(filler, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    try:
        while True:
            os.write(fd, b"\0" * 4096)
    except OSError:
        pass
    finally:
        os.close(fd)
    size = os.path.getsize(filler)
    os.truncate(filler, max(0, size - leave_pages * 4096))


# ---- the cases ------------------------------------------------------------------------

def input_cases(root, exe, report):
    """Exchange files as a host may leave them: each run ends in a complete command list. (A
    missing one, or a folder in its place: the end-to-end tests.)"""
    ok = ("commands",)
    rng = random.Random(7)
    cases = [  # name, folder, the exchange file's bytes, mode
        ("exchange file empty", "empty", lambda: b"", "/R1"),
        ("exchange file of 1 MiB random bytes", "binary",
         lambda: bytes(rng.getrandbits(8) for _ in range(1 << 20)), "/R9"),
        ("exchange file with one line of 100 MB", "hugeline",
         lambda: b"hp1 10 20 " + b"7" * (100 * 1000 * 1000) + b"\r\nhp2 30 40\r\n", "/R1"),
        ("exchange file with CR-only line ends", "cronly",
         lambda: b"hp1 10 20\rhp2 30 40\rlg3\r", "/R1")]
    for name, folder, exchange, mode in cases:
        tool = ToolDir(root, folder, exe, exchange=exchange())
        start = time.monotonic()
        status = tool.run([mode])
        report.check(name, tool, status, expect=Expect(status=(0,), exchange=ok),
                     extra=f"{time.monotonic() - start:.1f} s")
        os.remove(tool.exchange_path)

    tool = ToolDir(root, "ctrlz", exe, exchange=b"hp1 10 20\r\n\x1a\r\nhp1 50 60\r\n")
    status = tool.run(["/R8"])
    stopped = tool.exchange_outcome() == "commands" and "pt 10 20\r\n" in tool.exchange_text()
    report.check("exchange file with Ctrl-Z in the middle", tool, status,
                 expect=Expect(status=(0,), exchange=ok if stopped else ()),
                 extra="reading stopped at Ctrl-Z" if stopped else
                 "lines after Ctrl-Z were read")

    prefix = can_drop_read_permission(root)
    if prefix is None:
        print("skip settings file unreadable: running as root and the capabilities that "
              "bypass file permissions cannot be dropped here")
    else:
        means = "chmod 000" + (", run without CAP_DAC_OVERRIDE/CAP_DAC_READ_SEARCH" if prefix else "")
        # The run cannot know the settings; it must not replace them with its defaults.
        tool = ToolDir(root, "settingsunreadable", exe)
        os.chmod(tool.settings_path, 0)
        status = tool.run(["/R1"], prefix=prefix)
        os.chmod(tool.settings_path, 0o600)  # for the check, which may not bypass it either
        report.check("settings file unreadable", tool, status,
                     expect=Expect(status=(0,), exchange=ok, settings=("old",)), extra=means)


def points_last(lines):
    """An exchange file whose layers and points come after `lines` lines: a run that used
    what it read before a failure would draw through the origin on layer group 0."""
    return b"".join(b"%d %d %d %d\r\n" % (i, i + 1, i + 2, i + 3) for i in range(lines)) + \
        b"lg2 10\r\nly5\r\nhp1 10 20\r\nhp2 40 60\r\n"


def unread_exchange_cases(root, exe, shim, report):
    """An exchange file that is there but not read to its end: nothing is built on part of
    the host's data; the host finds "hq" and the status is 1."""
    user = ordinary_user()
    if user is None or (os.geteuid() == 0 and shutil.which("setpriv") is None):
        print("skip exchange file unreadable: no ordinary user to run as")
    else:
        os.chmod(root, 0o755)
        for mode, args in ((0o000, ["/R1"]), (0o200, ["/R4", "45"]), (0o000, ["/R10"])):
            tool = ToolDir(root, f"unreadable-{mode:o}{args[0].replace('/', '-')}", exe,
                           dialog=True)
            tool.give_to(user)
            os.chmod(tool.exchange_path, mode)
            ran = tool.run(args, prefix=as_user(user), time_limit=QUICK)
            kept = stat.S_IMODE(os.stat(tool.exchange_path).st_mode) == mode
            report.check(f"exchange file mode {mode:03o} for an ordinary user, {' '.join(args)}",
                         tool, ran, expect=Expect(status=(1,), exchange=("commands",)),
                         more=[("exchange file is not hq", tool.nothing_to_draw()),
                               ("mode changed", kept)])

    # Memory runs out part-way through a file of 28 MB (a small one needs less than 8 MiB).
    tool = ToolDir(root, "outofmemory", exe, exchange=points_last(1000000))
    ran = tool.run(["/R1"], prefix=["prlimit", f"--as={32 << 20}", "--"])
    report.check("memory runs out while reading (32 MiB address space)", tool, ran,
                 expect=Expect(status=(1,), exchange=("commands",)),
                 more=[("exchange file is not hq", tool.nothing_to_draw())])
    os.remove(tool.exchange_path)


def dialog_program_cases(root, exe, shim, report):
    """A dialog program that cannot start or does not run to its end: status 2, and after
    "/R10" the host finds "hq" (the run took the file over first), never its own input; a
    run without arguments leaves the file alone."""
    broken_libc = os.path.join(root, "brokenlib")
    os.makedirs(broken_libc)
    write(os.path.join(broken_libc, "libc.so.6"), b"not a shared object")
    ways = [  # how, what breaks it, environment, also run without arguments
        ("missing", lambda tool: os.remove(tool.dialog_program), {}, False),
        ("not executable", lambda tool: os.chmod(tool.dialog_program, 0o644), {}, False),
        ("whose C library cannot be loaded", None, {"LD_LIBRARY_PATH": broken_libc}, True),
        ("killed by SIGKILL", None, {"LD_PRELOAD": shim, "AUXLINE_FAULT_AT": "1",
                                     "AUXLINE_FAULT_MODE": "kill"}, True)]
    for number, (how, make, env, bare) in enumerate(ways):
        for args in (["/R10"], []) if bare else (["/R10"],):
            tool = ToolDir(root, f"dialogprogram{number}-{len(args)}", exe, dialog=True)
            if make:
                make(tool)
            ran = tool.run(args, env, time_limit=QUICK)
            report.check(f"dialog program {how}, {' '.join(args) or 'no argument'}", tool, ran,

                         expect=Expect(status=(2,),
                         exchange=("commands",) if args else ("unchanged",), settings=("old",)),
                         more=[("exchange file is not hq", tool.nothing_to_draw() or not args)])


def file_size_limit_case(root, exe, report):
    """Under a file-size limit that the exchange file's commands exceed (the settings fit):
    the write fails instead of SIGXFSZ ending the run, and the host never finds its input."""
    tool = ToolDir(root, "filesizelimit", exe)
    ran = tool.run(["/R1"], prefix=["prlimit", "--fsize=64", "--"], time_limit=QUICK)
    report.check("file-size limit of 64 bytes", tool, ran,
                 expect=Expect(status=(1,), exchange=("absent", "commands"), settings=("new",)),
                 more=[("exchange file holds commands",
                                  tool.exchange_outcome() == "absent" or tool.nothing_to_draw())])


def read_only_case(root, exe, report):
    tool = ToolDir(root, "readonly", exe)
    if os.geteuid() == 0 and mount(["--bind", tool.path, tool.path]):
        try:
            if not mount(["-o", "remount,bind,ro", tool.path]):
                print("skip read-only directory: a read-only bind mount is not permitted here")
                return
            status = tool.run(["/R1"])
            report.check("executable's directory read-only", tool, status,
                         expect=Expect(status=(1,), exchange=("unchanged",), settings=("old",)),
                         extra="read-only bind mount")
        finally:
            umount(tool.path)
        return
    # Without root, "folder not writable, files writable" (folder_cases) is the same run.
    print("skip read-only directory: no bind mount possible")


def disk_full_cases(root, exe, report):
    if os.geteuid() != 0:
        print("skip disk full: mounting a small file system needs root")
        return
    for pages in (0, 1, 2):
        tool = ToolDir(root, f"full{pages}", exe, exchange=None, settings=None)
        if not mount(["-t", "tmpfs", "-o", "size=4m", "tmpfs", tool.path]):
            print("skip disk full: mounting a tmpfs is not permitted here")
            return
        try:
            _refill(tool, exe)
            fill_up(tool.path, pages)
            status = tool.run(["/R1"])
            if pages == 0:
                report.check("disk full", tool, status,
                             expect=Expect(status=(0, 1), exchange=("absent", "commands")),
                             extra="4 MiB tmpfs filled up")
            else:
                report.check(f"disk full but {pages} page(s)", tool, status,
                             expect=Expect(status=(0, 1), exchange=("absent", "unchanged",
                             "commands")))
        finally:
            umount(tool.path)


def _refill(tool, exe):
    """Puts the executable, the exchange file and the settings into the freshly mounted
    directory (the mount hides what ToolDir put there)."""
    shutil.copy2(exe, tool.exe)
    write(tool.exchange_path, HOST_INPUT)
    write(tool.settings_path, OLD_SETTINGS)
    tool.old_exchange = HOST_INPUT
    tool.old_settings = OLD_SETTINGS


QUICK = 20  # seconds: nothing in these cases may make the tool wait
DIALOG_CAPTION = "補助線の作図"


def special_file_cases(root, exe, report):
    """A FIFO or a link to a device in place of either file: never waited on, never read
    (a link to /dev/zero under an address-space limit), never replaced."""
    limit = ["prlimit", f"--as={1 << 30}", "--"] if shutil.which("prlimit") else []
    makers = {"FIFO": os.mkfifo, "link to /dev/zero": lambda path: os.symlink("/dev/zero", path)}
    for number, (kind, make) in enumerate(makers.items()):
        tool = ToolDir(root, f"special-exchange-{number}", exe, exchange=None)
        make(tool.exchange_path)
        status = tool.run(["/R1"], prefix=limit, time_limit=QUICK)
        report.check(f"exchange file is a {kind}", tool, status,
                     expect=Expect(status=(1,), exchange=("special",)))
        tool = ToolDir(root, f"special-settings-{number}", exe, settings=None)
        make(tool.settings_path)
        status = tool.run(["/R1"], prefix=limit, time_limit=QUICK)
        defaults = tool.exchange_outcome() == "commands" and tool.exchange_text().startswith(
            "lg2\r\nly5\r\nlc9\r\nlt1\r\nlw0\r\n")
        report.check(f"settings file is a {kind}", tool, status,
                     expect=Expect(status=(0,), exchange=("commands",), settings=("special",)),
                     more=[("settings not the defaults", defaults)])


def link_cases(root, exe, report):
    """Both files are symbolic links (one absolute, one relative) into another folder, to
    private files (mode 600; as root, of another user): the files there are replaced with
    their mode and owner, the links stay, and no temporary file is left in either folder."""
    elsewhere = os.path.join(root, "linked")
    os.makedirs(elsewhere)
    tool = ToolDir(root, "links", exe, exchange=None, settings=None)
    owner = (65534, 65534) if os.geteuid() == 0 else (os.geteuid(), os.getegid())
    targets = {tool.exchange_path: (os.path.join(elsewhere, "host.txt"), HOST_INPUT),
               tool.settings_path: (os.path.join(elsewhere, "settings.txt"), OLD_SETTINGS)}
    for link, (target, data) in targets.items():
        write(target, data, 0o600)
        os.chown(target, *owner)
        os.symlink(target if link == tool.exchange_path else os.path.relpath(target, tool.path),
                   link)
    tool.old_exchange, tool.old_settings = HOST_INPUT, OLD_SETTINGS
    before = {link: os.readlink(link) for link in targets}
    # The relative link is resolved from its own folder, not from the working folder.
    status = tool.run(["/R1"], cwd=root)
    kept = all((stat.S_IMODE(os.stat(t).st_mode), os.stat(t).st_uid, os.stat(t).st_gid)
               == (0o600,) + owner for t, _ in targets.values())
    report.check("both files links to private files", tool, status,
                 expect=Expect(status=(0,), exchange=("commands",), settings=("new",)),
                 more=[("a link was replaced", all(os.path.islink(l) and os.readlink(l) == t
                                                   for l, t in before.items())),
                       ("mode or owner changed", kept),
                       ("temporary file left", not any(n.endswith(".tmp")
                                                       for n in os.listdir(elsewhere)))])


def own_executable_cases(root, exe, report):
    """The executable renamed to either file's name is neither read nor written, also not by
    the dialog program it becomes for "/R10" (which takes over the exchange file at once)."""
    program = read(exe)
    for name, args, status_expected, exchanges in (
            ("auxline.dat", ["/R1"], (0,), ("commands",)),
            ("JWC_TEMP.TXT", ["/R1"], (1,), ("special", "unchanged")),
            ("JWC_TEMP.TXT", ["/R10"], (1,), ("special", "unchanged"))):
        tool = ToolDir(root, f"exe-{name}{args[0].replace('/', '-')}", exe,
                       exchange=None if name == "JWC_TEMP.TXT" else HOST_INPUT, settings=None,
                       dialog=True)
        renamed = os.path.join(tool.path, name)
        os.rename(tool.exe, renamed)
        tool.settings_path = os.path.join(tool.path, "absent.dat")
        if name == "JWC_TEMP.TXT":
            tool.old_exchange = program
        status = tool.run(args, exe=renamed)
        unchanged = read(renamed) == program
        report.check(f"executable renamed to {name}, {args[0]}", tool, status,
                     expect=Expect(status=status_expected, exchange=exchanges,
                     settings=("absent",)), more=[("executable changed", unchanged)])


def installation_link_cases(root, exe, report):
    """Either file a link to one of the installation's files: neither the executable nor the
    dialog program it becomes for "/R10" reads or writes that file."""
    module = os.path.join(os.path.dirname(exe), "auxline_qt.so")
    for name, installed, args in (("JWC_TEMP.TXT", DIALOG_PROGRAM, "/R1"),
                                  ("JWC_TEMP.TXT", "auxline_qt.so", "/R1"),
                                  ("auxline.dat", DIALOG_PROGRAM, "/R1"),
                                  ("auxline.dat", "auxline_qt.so", "/R1"),
                                  ("JWC_TEMP.TXT", "auxline_qt.so", "/R10"),
                                  ("JWC_TEMP.TXT", "auxline", "/R10"),
                                  ("auxline.dat", "auxline_qt.so", "/R10")):
        exchange = name == "JWC_TEMP.TXT"
        tool = ToolDir(root, f"install-{name}-{installed}{args.replace('/', '-')}", exe,
                       exchange=None if exchange else HOST_INPUT,
                       settings=OLD_SETTINGS if exchange else None, dialog=True)
        if os.path.exists(module):
            shutil.copy2(module, tool.path)
        else:
            write(os.path.join(tool.path, "auxline_qt.so"), b"\x7fELF module not built")
        program = read(os.path.join(tool.path, installed))
        os.symlink(installed, os.path.join(tool.path, name))
        if exchange:
            tool.old_exchange = program
        else:
            tool.old_settings = program
        status = tool.run([args])
        unchanged = read(os.path.join(tool.path, installed)) == program
        expected = (((1,), ("unchanged",), ("old", "new")) if exchange else
                    ((0, 2), ("commands",), ("old",)))
        report.check(f"{name} a link to {installed}, {args}", tool, status,
                     expect=Expect(*expected),
                     more=[(f"{installed} changed", unchanged)])


def shared_folder_link_cases(root, exe, report):
    """A sticky folder that everyone may write to, where another user planted either file as
    a link to a private file of the user who runs the tool: the link is not followed, as the
    kernel refuses it under fs.protected_symlinks=1, whatever the machine's setting, and no
    temporary file is cleaned up in the private folder. The user's own link there is followed."""
    user, other = ordinary_user(), ordinary_user(OTHER_USER)
    if user is None or other is None:
        print("skip links in a shared folder: making users and running as them needs root")
        return
    os.chmod(root, 0o755)
    gone = 4194304 + 17
    for setting in protected_symlinks_settings():
        for name, planter in (("JWC_TEMP.TXT", other), ("auxline.dat", other),
                              ("JWC_TEMP.TXT", user)):
            followed = planter == user
            tool = ToolDir(root, f"shared-{setting[0]}-{name}-{planter[0]}", exe)
            os.chmod(tool.path, 0o1777)
            private = tool.path + "-private"
            os.makedirs(private)
            target = os.path.join(private, name.lower())
            leftover = os.path.join(private, f"{name.lower()}.{gone}-00000000000000aa.tmp")
            for path, data in ((target, tool.old_exchange if name == "JWC_TEMP.TXT"
                                else tool.old_settings), (leftover, b"half")):
                write(path, data, 0o600)
                os.chown(path, *user)
            os.utime(leftover, (time.time() - 700, time.time() - 700))
            os.chown(private, *user)
            os.chmod(private, 0o700)
            link = os.path.join(tool.path, name)
            os.remove(link)
            os.symlink(target, link)
            os.lchown(link, *planter)
            for path in (tool.exchange_path, tool.settings_path):
                if not os.path.islink(path):
                    os.chmod(path, 0o666)
            status = tool.run(["/R1"], prefix=as_user(user))
            # Checked at the private file: under the rule, root itself may not follow the link.
            if name == "JWC_TEMP.TXT":
                tool.exchange_path = target
            else:
                tool.settings_path = target
            expected = (((0,), ("commands",), ("new",)) if followed else
                        ((1,), ("unchanged",), ("old", "new")) if name == "JWC_TEMP.TXT" else
                        ((0,), ("commands",), ("old",)))
            whose = "the user" if followed else "another user"
            report.check(f"shared folder, {name} a link of {whose} (protected_symlinks {setting})",
                         tool, status, expect=Expect(*expected),
                         more=[("the link was replaced", os.path.islink(link)),
                               ("cleanup ran in the private folder",
                                followed or os.path.exists(leftover))])


def ordinary_user_cases(root, exe, report):
    """Run as an ordinary user: the settings file of a supplementary group keeps its owner,
    group and mode; a temporary file of another user's live process is kept (that process
    cannot be signalled, but it runs); a folder the user may not write to gets its files
    rewritten in place."""
    user, group = ordinary_user(), shared_group()
    if user is None or group is None:
        print("skip ordinary user: making users and running as them needs root")
        return
    os.chmod(root, 0o755)
    alive, gone = os.getpid(), 4194304 + 17
    temporaries = {f"JWC_TEMP.TXT.{alive}-00000000000000ad.tmp": False,
                   f"JWC_TEMP.TXT.{gone}-00000000000000aa.tmp": True}
    tool = ToolDir(root, "ordinary", exe)
    for name in temporaries:
        path = os.path.join(tool.path, name)
        write(path, b"half")
        os.utime(path, (time.time() - 60, time.time() - 60))
    for path in [tool.path, tool.exchange_path] + [os.path.join(tool.path, n) for n in temporaries]:
        os.chown(path, *user)
    os.chown(tool.settings_path, user[0], group)
    os.chmod(tool.settings_path, 0o660)
    status = tool.run(["/R1"], prefix=as_user(user, [group]))
    kept = os.stat(tool.settings_path)
    wrong = [n for n, removed in temporaries.items()
             if os.path.exists(os.path.join(tool.path, n)) == removed]
    report.check("ordinary user: settings of a supplementary group, another user's live "
                 "temporary file", tool, status,
                 expect=Expect(status=(0,), exchange=("commands",), settings=("new",)),
                 more=[("owner, group or mode changed", (kept.st_uid, kept.st_gid,
                                                         stat.S_IMODE(kept.st_mode))
                        == (user[0], group, 0o660)),
                       (f"wrongly kept or removed: {wrong}", not wrong)])
    # A group the user is not in cannot be kept: the file the user's own group gets in its
    # place must not open to that group what the old one opened to its group.
    tool = ToolDir(root, "ordinary-foreign-group", exe)
    for path in (tool.path, tool.exchange_path):
        os.chown(path, *user)
    os.chown(tool.settings_path, user[0], 0)
    os.chmod(tool.settings_path, 0o664)
    status = tool.run(["/R1"], prefix=as_user(user))
    kept = os.stat(tool.settings_path)
    report.check("ordinary user: settings of a group the user is not in", tool, status,
                 expect=Expect(status=(0,), exchange=("commands",), settings=("new",)),
                 more=[("group bits passed to the user's group",
                        (kept.st_gid, stat.S_IMODE(kept.st_mode)) == (user[1], 0o604))])
    # The unit test of the same case skips itself as root.
    unit = os.path.join(os.path.dirname(exe), "..", "..", "tests", "exchange_tests")
    if not os.path.exists(unit):
        print("skip ordinary user: exchange_tests not built")
        return
    scratch = os.path.join(root, "ordinary-tmp")
    os.makedirs(scratch)
    os.chown(scratch, *user)
    done = subprocess.run(as_user(user) + [unit, "--gtest_filter=WriterFile.ReadOnlyDirectory"],
                          env=dict(os.environ, TMPDIR=scratch), capture_output=True, text=True)
    ran = (done.returncode == 0 and "[  PASSED  ] 1 test" in done.stdout
           and "SKIPPED" not in done.stdout)
    report.passed += ran
    report.failures += not ran
    print(f"{'ok  ' if ran else 'FAIL'} ordinary user: WriterFile.ReadOnlyDirectory, status "
          f"{done.returncode}" + ("" if ran else f"\n{done.stdout[-2000:]}"))


def folder_cases(root, exe, report):
    """Folders where no temporary file can be made or renamed, but the files are writable:
    both files are rewritten in place, keeping their owner."""
    prefix = can_drop_read_permission(root)
    if prefix is None:
        print("skip folder not writable: the capabilities that bypass permissions cannot be "
              "dropped here")
        return
    tool = ToolDir(root, "lockedfolder", exe)
    os.chmod(tool.path, 0o555)
    status = tool.run(["/R1"], prefix=prefix)
    os.chmod(tool.path, 0o755)
    report.check("folder not writable, files writable", tool, status,
                 expect=Expect(status=(0,), exchange=("commands",), settings=("new",)))
    if os.geteuid() != 0 or shutil.which("setpriv") is None:
        print("skip sticky folder: running as another user needs root and setpriv")
        return
    os.chmod(root, 0o755)
    tool = ToolDir(root, "sticky", exe)
    os.chmod(tool.path, 0o1777)
    for path in (tool.exchange_path, tool.settings_path):
        os.chmod(path, 0o666)
    nobody = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"]
    status = tool.run(["/R1"], prefix=nobody)
    owners = {os.stat(p).st_uid for p in (tool.exchange_path, tool.settings_path)}
    report.check("sticky shared folder, files of another user", tool, status,
                 expect=Expect(status=(0,), exchange=("commands",), settings=("new",)),
                 more=[("owner changed", owners == {0})])


def dialog_kill_cases(root, exe, report):
    """"/R10" ended while its dialog is open: the host finds "nothing to draw"."""
    module = os.path.join(os.path.dirname(exe), "auxline_qt.so")
    missing = [t for t in ("Xvfb", "xdotool") if shutil.which(t) is None]
    if missing or not os.path.exists(module):
        print(f"skip dialog killed: {', '.join(missing) or 'auxline_qt.so'} missing")
        return
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                               "1024x768x24", "-nolisten", "tcp", "-noreset"],
                              pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    os.close(write_end)
    try:
        with os.fdopen(read_end) as f:
            display = ":" + f.readline().strip()
        for sig in (signal.SIGKILL, signal.SIGTERM):
            tool = ToolDir(root, f"dialog{int(sig)}", exe, dialog=True)
            shutil.copy2(module, tool.path)
            process = subprocess.Popen([tool.exe, "/R10"], cwd=tool.path,
                                       env=tool.env({"DISPLAY": display}),
                                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
            search = ["xdotool", "search", "--sync", "--onlyvisible", "--name", f"^{DIALOG_CAPTION}$"]
            try:
                shown = subprocess.run(search, env=tool.env({"DISPLAY": display}), timeout=30,
                                       stdout=subprocess.DEVNULL).returncode == 0
            except subprocess.TimeoutExpired:
                shown = False
            process.send_signal(sig)
            status = process.wait(timeout=QUICK)
            nothing = read(tool.exchange_path) == b"hq\r\n"
            report.check(f"/R10 dialog ended by {sig.name}", tool, status,
                         expect=Expect(status=(-sig,), exchange=("commands",), settings=("old",)),
                         more=[("dialog never shown", shown),
                                         ("exchange file is not hq", nothing)])
    finally:
        server.kill()
        server.wait()


def injected_cases(root, exe, shim, report):
    """Kills the process at every file-system step of a run, before and after the call (a
    failed call at each step is tried in process, by os_tests). The shim cannot reach into
    the static executable; the dialog program, started the same way by hand, runs "/R1" with
    the same file code on the same files."""
    dry = ToolDir(root, "steps", exe, dialog=True)
    log = os.path.join(root, "steps.log")
    status = dry.run(["/R1"], {"LD_PRELOAD": shim, "AUXLINE_FAULT_LOG": log},
                     exe=dry.dialog_program)
    with open(log) as f:
        steps = f.read().splitlines()
    if status != 0 or len(steps) < 4:
        print(f"FAIL fault shim: dry run status {status}, {len(steps)} steps")
        report.failures += 1
        return
    print(f"     {len(steps)} file-system steps in one /R1 run: "
          + ", ".join(s.split()[1] for s in steps))
    counts = {}
    for mode in ("kill", "killafter"):
        for n in range(1, len(steps) + 1):
            tool = ToolDir(root, f"{mode}{n}", exe, dialog=True)
            env = {"LD_PRELOAD": shim, "AUXLINE_FAULT_AT": str(n), "AUXLINE_FAULT_MODE": mode}
            status = tool.run(["/R1"], env, exe=tool.dialog_program)
            statuses = (-signal.SIGKILL,)
            step = steps[n - 1].split(" ", 1)[1].replace(root, "")
            passed = report.check(f"{mode} at step {n} ({step.strip()})", tool, status,
                                  expect=Expect(status=statuses, exchange=("unchanged", "commands",
                                  "absent")))
            key = (tool.exchange_outcome(), tool.settings_outcome())
            counts[key] = counts.get(key, 0) + 1
            if passed and tool.leftovers():
                tool.age_leftovers(10)
                status = tool.run(["/R1"])
                passed = report.check(f"  later run after {mode} at step {n}", tool, status,
                                      expect=Expect(status=(0,), exchange=("commands",)),
                                      more=[("temporary file left",
                                                            not tool.leftovers())])
            if passed:
                shutil.rmtree(tool.path)
    print("     outcomes (exchange file, settings): "
          + ", ".join(f"{k[0]}/{k[1]} x{v}" for k, v in sorted(counts.items())))


def random_kill_cases(root, exe, report, runs):
    """SIGKILL after a random delay, on a run with a large exchange file."""
    rng = random.Random(2024)
    lines = [b"hp1 10 20", b"hp2 40 60"] + [
        b"%d %d %d %d" % (i, i + 1, i + 2, i + 3) for i in range(300000)]
    big_input = b"\r\n".join(lines) + b"\r\n"
    probe = ToolDir(root, "timing", exe, exchange=big_input)
    start = time.monotonic()
    probe.run(["/R5"])
    duration = time.monotonic() - start
    shutil.rmtree(probe.path)
    killed = 0
    for i in range(runs):
        tool = ToolDir(root, f"randomkill{i}", exe, exchange=big_input)
        delay = rng.uniform(0, duration * 1.1)
        process = subprocess.Popen([tool.exe, "/R5"], cwd=tool.path, env=tool.env(),
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        time.sleep(delay)
        process.send_signal(signal.SIGKILL)
        try:
            status = process.wait(timeout=TIME_LIMIT)
        except subprocess.TimeoutExpired:
            process.kill()
            status = None
        killed += status == -signal.SIGKILL
        if report.check(f"SIGKILL after {delay * 1000:.0f} ms", tool, status,

                        expect=Expect(status=(0, -signal.SIGKILL), exchange=("unchanged",
                        "commands"))):
            shutil.rmtree(tool.path)
    print(f"     random kills: {killed} of {runs} runs killed, run time {duration * 1000:.0f} ms")


def others_settings_case(root, exe, report):
    """A folder everyone may write to (not sticky) holding another user's settings that the
    runner may not write: never replaced (it would become the runner's), the run goes on."""
    user, other = ordinary_user(), ordinary_user(OTHER_USER)
    if user is None or other is None:
        print("skip another user's settings: making users and running as them needs root")
        return
    os.chmod(root, 0o755)
    tool = ToolDir(root, "others-settings", exe)
    os.chmod(tool.path, 0o777)
    os.chown(tool.exchange_path, *user)
    os.chown(tool.settings_path, *other)
    os.chmod(tool.settings_path, 0o644)
    status = tool.run(["/R1"], prefix=as_user(user))
    kept = os.stat(tool.settings_path)
    report.check("another user's settings the runner may not write, folder open to all", tool,
                 status, expect=Expect(status=(0,), exchange=("commands",), settings=("old",)),
                 more=[("owner or mode changed",
                        (kept.st_uid, stat.S_IMODE(kept.st_mode)) == (other[0], 0o644))])


# Every case by name; run_faults.py auxline NAME... runs only those whose name holds one of
# the NAMEs. Cases that need a shim get it as an argument.
CASES = [
    ("input", input_cases),
    ("unread exchange file", unread_exchange_cases),
    ("dialog program", dialog_program_cases),
    ("file-size limit", file_size_limit_case),
    ("read-only folder", read_only_case),
    ("special files", special_file_cases),
    ("links", link_cases),
    ("own executable", own_executable_cases),
    ("installation links", installation_link_cases),
    ("shared folder links", shared_folder_link_cases),
    ("ordinary user", ordinary_user_cases),
    ("another user's settings", others_settings_case),
    ("folders", folder_cases),
    ("dialog killed", dialog_kill_cases),
    ("disk full", disk_full_cases),
    ("kill at each step", injected_cases),
    ("random kills", lambda root, exe, report: random_kill_cases(
        root, exe, report, runs=int(os.environ.get("AUXLINE_FAULT_KILLS", "40")))),
]


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        print("cases: " + ", ".join(name for name, _ in CASES))
        return 2
    exe = os.path.abspath(sys.argv[1])
    wanted = sys.argv[2:]
    report = Report()
    root = tempfile.mkdtemp(prefix="auxline-faults-")
    try:
        shim = os.path.join(root, "fault_shim.so")
        subprocess.run(["cc", "-shared", "-fPIC", "-O2", "-o", shim,
                        os.path.join(HERE, "fault_shim.c"), "-ldl"], check=True)
        for name, case in CASES:
            if wanted and not any(w in name for w in wanted):
                continue
            if case.__code__.co_argcount == 4:
                case(root, exe, shim, report)
            else:
                case(root, exe, report)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    print(f"faults: {report.passed} passed, {report.failures} failed")
    return 1 if report.failures else 0


if __name__ == "__main__":
    sys.exit(main())
