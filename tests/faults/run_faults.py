#!/usr/bin/env python3
"""Whole-process faults: each case runs a copy of the executable in a folder it broke and
checks that the run ended and left a complete command list (or "hq", the host's input, or no
file), the old or the new settings, and links, modes, owners and the executable as they were.
Failed calls are tried in process (os_tests); here is what needs a process, a user or a mount.

Usage: run_faults.py path/to/auxline [NAME...]: only the cases whose name, or their group's name
(listed when run without arguments), holds a NAME. Exit status 0 when every case holds.
"""
import collections
import dataclasses
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
QUICK = 20  # seconds: nothing in these cases may make the tool wait
DIALOG_PROGRAM = "auxline-dialog"  # beside the executable, started by it for dialog runs
DIALOG_CAPTION = "補助線の作図"
QUIET = {"stdin": subprocess.DEVNULL, "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}

NUM = r"-?(?:[0-9]+(?:\.[0-9]+)?|[0-9](?:\.[0-9]+)?E-?[0-9]+)"
COMMAND = re.compile(
    rf"(?:lg|ly)[0-9A-F]+|(?:lc|lt|lw|pn)-?[0-9]+|pt {NUM} {NUM}|ci {NUM} {NUM} {NUM}"
    rf"|ci {NUM}(?: {NUM}){{6}}|{NUM} {NUM} {NUM} {NUM}")

HOST_INPUT = b"".join(line + b"\r\n" for line in [
    b"file=C:\\work\\plan.drw", b"hk 30", b"lg2 10", b"ly5", b"lc3", b"lt1", b"lw0",
    b"hp1 10 20", b"hp2ln 40 60", b"0 0 100 0", b"ci 0 0 5", b"pt 1 2"])
# Written by hand, unlike the tool's own form, so that old and new settings can be told apart.
OLD_SETTINGS = b" 3\r\n5\n2\r\n1\r\n12.50\r\n0.5\r\n330\r\n"
NEW_SETTINGS = b"3\r\n5\r\n2\r\n1\r\n12.5\r\n0.5\r\n330\r\n"
GONE = 4194304 + 17  # a process id beyond the kernel's limit: never a live process


def write(path, data, mode=None):
    with open(path, "wb") as f:
        f.write(data)
    if mode is not None:
        os.chmod(path, mode)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def owner_mode(path):
    status = os.stat(path)
    return status.st_uid, status.st_gid, stat.S_IMODE(status.st_mode)


def is_command_list(data):
    lines = data[:-2].split(b"\r\n")  # a byte outside ASCII never matches a command
    return data.endswith(b"\r\n") and (lines == [b"hq"] or all(
        COMMAND.fullmatch(line.decode("ascii", "replace")) for line in lines))


class Skip(Exception):
    """Raised by a case's setup where the case cannot run here."""


@dataclasses.dataclass
class Case:
    """One run: how its folder is broken, how it runs, the outcomes (see ToolDir) it may leave."""
    name: str
    args: tuple = ("/R1",)
    status: tuple = (0,)
    exchange: tuple = ("commands",)
    settings: tuple = ("old", "new")
    files: tuple = ()  # (name, mode, owner (uid, gid)) set first ("" the folder, None: as is)
    setup: object = None  # setup(tool) breaks the folder further; may raise Skip
    more: object = None  # more(tool): further (problem, holds) pairs, asked first after the run
    after: object = None  # after(tool), once the case is checked: undoes the setup
    then: object = None  # then(tool): a Case run next in the same folder where this one held
    start: object = None  # start(tool): runs the tool in its own way, returns the status
    hq: bool = False  # the exchange file, where there, holds "hq" alone: nothing to draw
    skip: str = None  # why the case cannot run here
    input: object = HOST_INPUT  # the exchange file's bytes, or a function making them
    old_settings: bytes = OLD_SETTINGS
    dialog: bool = False  # the dialog program beside the executable
    program: str = "auxline"  # the one of the two that is run
    prefix: tuple = ()
    env: dict = None
    time_limit: int = TIME_LIMIT
    cwd: str = None


class ToolDir:
    """A folder holding a copy of the executable, its exchange file and settings."""

    def __init__(self, path, exe, case):
        self.path = path
        os.makedirs(path)
        shutil.copy2(exe, os.path.join(path, "auxline"))
        self.dialog_program = os.path.join(path, DIALOG_PROGRAM)
        if case.dialog:
            shutil.copy2(os.path.join(os.path.dirname(exe), DIALOG_PROGRAM), self.dialog_program)
        self.exe = os.path.join(path, case.program)
        self.exchange_path = os.path.join(path, "JWC_TEMP.TXT")
        self.settings_path = os.path.join(path, "auxline.dat")
        self.old_exchange = case.input() if callable(case.input) else case.input
        self.old_settings = case.old_settings
        for file, data in ((self.exchange_path, self.old_exchange),
                           (self.settings_path, self.old_settings)):
            if data is not None:
                write(file, data)

    def env(self, extra=None):
        return dict({k: v for k, v in os.environ.items()
                     if k not in ("DISPLAY", "WAYLAND_DISPLAY")}, **(extra or {}))

    def run(self, case):
        """Exit status, negative for a signal, or None when the run did not end in time."""
        try:
            return subprocess.run(list(case.prefix) + [self.exe] + list(case.args),
                                  cwd=case.cwd or self.path, env=self.env(case.env),
                                  timeout=case.time_limit, **QUIET).returncode
        except subprocess.TimeoutExpired:
            return None

    def start(self, args, extra_env=None):
        return subprocess.Popen([self.exe] + list(args), cwd=self.path, env=self.env(extra_env),
                                **QUIET)

    @staticmethod
    def outcome(path, old, names, is_new):
        """names[0] where there is no file, [1] for the old bytes, [2] for a whole new file."""
        if not os.path.exists(path):
            return names[0]
        if not stat.S_ISREG(os.stat(path).st_mode):
            return "special"  # never opened here: a FIFO would block the check
        data = read(path)
        return names[1] if data == old else names[2] if is_new(data) else "PARTIAL"

    def exchange_outcome(self):
        return self.outcome(self.exchange_path, self.old_exchange,
                            ("absent", "unchanged", "commands"), is_command_list)

    def settings_outcome(self):
        return self.outcome(self.settings_path, self.old_settings,
                            ("absent" if self.old_settings is None else "LOST", "old", "new"),
                            NEW_SETTINGS.__eq__)

    def leftovers(self):
        return sorted(n for n in os.listdir(self.path) if n.endswith(".tmp"))

    def age_leftovers(self, seconds):
        """Waits until the temporary files are `seconds` old: their age counts from their last
        change of status (their making), which no call can set back."""
        made = max(os.lstat(os.path.join(self.path, n)).st_ctime for n in self.leftovers())
        time.sleep(max(0.0, made + seconds - time.time()))

    def exchange_text(self):
        is_file = os.path.isfile(self.exchange_path)
        return read(self.exchange_path).decode("ascii", "replace") if is_file else ""

    def give_to(self, user):
        """Hands the folder and all its files to `user`."""
        for name in [""] + os.listdir(self.path):
            os.chown(os.path.join(self.path, name), *user, follow_symlinks=False)


class Runner:
    """Runs the cases of every group in folders of its own and counts their outcomes."""

    def __init__(self, root, exe, shim, wanted):
        self.root, self.exe, self.shim, self.wanted, self.group = root, exe, shim, wanted, ""
        self.passed = self.failures = self.folders = 0

    def selected(self, name, why_not=None):
        """True where `name` is wanted and can run here; prints why not where it cannot."""
        if self.wanted and not any(w in self.group or w in name for w in self.wanted):
            return False
        if why_not:
            print(f"skip {name}: {why_not}")
        return not why_not

    def case(self, case, tool=None):
        """Runs `case` (in `tool`'s folder, else a fresh one); True when it held."""
        if tool is None:
            if not self.selected(case.name, case.skip):
                return None
            self.folders += 1
            tool = ToolDir(os.path.join(self.root, f"{self.folders:03d}"), self.exe, case)
        tool.exe = os.path.join(tool.path, case.program)
        try:
            for name, mode, owner in case.files:
                if owner:
                    os.chown(os.path.join(tool.path, name), *owner)
                if mode is not None:
                    os.chmod(os.path.join(tool.path, name), mode)
            if case.setup:
                case.setup(tool)
            began = time.monotonic()
            status = case.start(tool) if case.start else tool.run(case)
            took = time.monotonic() - began
            more = case.more(tool) if case.more else []
            if case.hq:  # the host draws nothing and keeps its layers
                more.append(("exchange file is not hq", tool.exchange_outcome() == "absent"
                             or tool.exchange_text() == "hq\r\n"))
            held = self.check(case, tool, status, more, took)
        except Skip as why:
            print(f"skip {case.name}: {why}")
            return None
        finally:
            if case.after:
                case.after(tool)
        follow = held and case.then and case.then(tool)
        if follow:
            return self.case(follow, tool)
        if held:
            shutil.rmtree(tool.path, ignore_errors=True)
        return held

    def check(self, case, tool, status, more, took):
        exchange, setting = tool.exchange_outcome(), tool.settings_outcome()
        problems = [problem for problem, holds in more if not holds]
        if status is None:
            problems.append("did not end")
        elif status not in case.status:
            problems.append(f"status {status}")
        if exchange not in case.exchange:
            problems.append(f"exchange file {exchange}")
        if setting not in case.settings:
            problems.append(f"settings {setting}")
        left = len(tool.leftovers())
        return self.result(
            not problems, f"{case.name}: status {status}, exchange file {exchange}, settings "
            f"{setting}, {took:.1f} s" + (f", {left} temporary file(s) left" if left else "")
            + (f" ({'; '.join(problems)})" if problems else ""))

    def result(self, held, line):
        self.passed += held
        self.failures += not held
        print(f"{'ok  ' if held else 'FAIL'} {line}")
        return held


def quiet(*command):
    """True when `command` succeeded; its output is dropped."""
    return subprocess.run(command, **QUIET).returncode == 0


def can_drop_read_permission(root):
    """As root, chmod 000 does not stop reading: drop the capabilities that bypass it."""
    if os.geteuid() != 0:
        return []
    if shutil.which("setpriv") is None:
        return None
    probe = os.path.join(root, "probe")
    write(probe, b"x", 0)
    prefix = ["setpriv", "--inh-caps=-all", "--bounding-set=-dac_override,-dac_read_search", "--"]
    readable = quiet(*prefix, "cat", probe)
    os.remove(probe)
    return None if readable else prefix


ROOT_WITH_SETPRIV = os.geteuid() == 0 and shutil.which("setpriv") is not None
CANNOT_DROP = "running as root, the capabilities that bypass file permissions cannot be dropped"
NO_USERS = "making users and running as them needs root and setpriv"
ORDINARY_USER = "auxline-user"
OTHER_USER = "auxline-other"
SHARED_GROUP = "auxline-shared"


def made(look_up, *command):
    """What `look_up` finds once `command` made it (it fails harmlessly where it exists)."""
    quiet(*command)
    try:
        return look_up()
    except KeyError:
        return None


def ordinary_user(name=ORDINARY_USER):
    """(uid, gid) of an ordinary user, made where missing; None unless root with setpriv (CI)."""
    entry = ROOT_WITH_SETPRIV and made(lambda: pwd.getpwnam(name), "useradd", "--system",
                                       "--user-group", "--no-create-home", "--shell",
                                       "/usr/sbin/nologin", name)
    return (entry.pw_uid, entry.pw_gid) if entry else None


def shared_group():
    """The gid of a group for supplementary membership, made where missing (root only)."""
    return made(lambda: grp.getgrnam(SHARED_GROUP).gr_gid, "groupadd", "--system", SHARED_GROUP)


def as_user(user, groups=()):
    """Runs as `user` (uid, gid) with only `groups`, every capability dropped; () for no user."""
    if user is None:
        return ()
    return ("setpriv", f"--reuid={user[0]}", f"--regid={user[1]}",
            f"--groups={','.join(map(str, groups))}" if groups else "--clear-groups", "--")


def written(path, data):
    try:
        write(path, data)
        return True
    except OSError:
        return False


def protected_symlinks_settings():
    """fs.protected_symlinks at 0, then 1, restored after; once as it is where it cannot be set."""
    path = "/proc/sys/fs/protected_symlinks"
    original = read(path).strip() if os.path.exists(path) else b"unknown"
    try:
        for value in (b"0", b"1"):
            if not written(path, value):
                yield f"{original.decode()} (cannot be set here)"
                return
            yield value.decode()
    finally:
        written(path, original)


def fill_up(directory, leave_pages):
    """Fills the file system of directory, then gives back leave_pages pages."""
    filler = os.path.join(directory, "filler")
    with open(filler, "wb", buffering=0) as f:
        try:
            while True:
                f.write(b"\0" * 4096)
        except OSError:
            pass
    os.truncate(filler, max(0, os.path.getsize(filler) - leave_pages * 4096))


def points_last(lines):
    """Layers and points after `lines` lines: a run using part of it draws through the origin."""
    return b"".join(b"%d %d %d %d\r\n" % (i, i + 1, i + 2, i + 3) for i in range(lines)) + \
        b"lg2 10\r\nly5\r\nhp1 10 20\r\nhp2 40 60\r\n"


def ended_by(process, sig, time_limit):
    """Sends `sig`; the exit status, or None when the process did not end in time."""
    process.send_signal(sig)
    try:
        return process.wait(timeout=time_limit)
    except subprocess.TimeoutExpired:
        process.kill()
        return None


# ---- the cases ------------------------------------------------------------------------

def input_cases(run):
    """Exchange files as a host may leave them: each run ends in a complete command list."""
    rng = random.Random(7)
    drop = can_drop_read_permission(run.root)

    def readable_again(tool):  # for the check, which may not bypass permissions either
        os.chmod(tool.settings_path, 0o600)
        return []

    for case in [
            Case("exchange file empty", input=b""),
            Case("exchange file of 1 MiB random bytes", ("/R9",),
                 input=lambda: bytes(rng.getrandbits(8) for _ in range(1 << 20))),
            Case("exchange file with one line of 100 MB", input=lambda: b"hp1 10 20 "
                 + b"7" * (100 * 1000 * 1000) + b"\r\nhp2 30 40\r\n"),
            Case("exchange file with CR-only line ends", input=b"hp1 10 20\rhp2 30 40\rlg3\r"),
            Case("exchange file with Ctrl-Z in the middle", ("/R8",),
                 input=b"hp1 10 20\r\n\x1a\r\nhp1 50 60\r\n",
                 more=lambda tool: [("lines after Ctrl-Z were read",
                                     "pt 10 20\r\n" in tool.exchange_text())]),
            # The run cannot know the settings; it must not replace them with its defaults.
            Case("settings file unreadable", settings=("old",), prefix=drop or (),
                 files=(("auxline.dat", 0, None),), more=readable_again,
                 skip=CANNOT_DROP if drop is None else None)]:
        run.case(case)


def unread_exchange_file_cases(run):
    """An exchange file not read to its end: nothing built on part of it, "hq", status 1."""
    user = ordinary_user()
    for mode, args in ((0o000, ("/R1",)), (0o200, ("/R4", "45")), (0o000, ("/R10",))):
        def unreadable(tool, mode=mode):
            tool.give_to(user)
            os.chmod(tool.exchange_path, mode)

        run.case(Case(f"exchange file mode {mode:03o} for an ordinary user, {' '.join(args)}",
                      args, (1,), setup=unreadable, hq=True, dialog=True, prefix=as_user(user),
                      time_limit=QUICK, skip=None if user else NO_USERS,
                      more=lambda tool, mode=mode: [
                          ("mode changed", owner_mode(tool.exchange_path)[2] == mode)]))
    # Memory runs out part-way through a file of 28 MB (a small one needs less than 8 MiB).
    run.case(Case("memory runs out while reading (32 MiB address space)", status=(1,), hq=True,
                  input=lambda: points_last(1000000), prefix=("prlimit", f"--as={32 << 20}", "--")))


def dialog_program_cases(run):
    """A dialog program that cannot start or run to its end: status 2; after "/R10" (which took
    the file over first) "hq", never the host's input; without arguments the file untouched."""
    broken_libc = os.path.join(run.root, "brokenlib")
    os.makedirs(broken_libc)
    write(os.path.join(broken_libc, "libc.so.6"), b"not a shared object")
    killed = {"LD_PRELOAD": run.shim, "AUXLINE_FAULT_AT": "1", "AUXLINE_FAULT_MODE": "kill"}
    ways = [  # how, what breaks it, environment, also run without arguments
        ("missing", lambda tool: os.remove(tool.dialog_program), {}, False),
        ("not executable", lambda tool: os.chmod(tool.dialog_program, 0o644), {}, False),
        ("whose C library cannot be loaded", None, {"LD_LIBRARY_PATH": broken_libc}, True),
        ("killed by SIGKILL", None, killed, True)]
    for how, setup, env, bare in ways:
        for args in (("/R10",), ()) if bare else (("/R10",),):
            run.case(Case(f"dialog program {how}, {' '.join(args) or 'no argument'}", args, (2,),
                          ("commands",) if args else ("unchanged",), ("old",), setup=setup,
                          env=env, hq=bool(args), dialog=True, time_limit=QUICK))


def file_size_limit_cases(run):
    """Commands beyond a file-size limit: the write fails (no SIGXFSZ), never the input left."""
    run.case(Case("file-size limit of 64 bytes", status=(1,), exchange=("absent", "commands"),
                  settings=("new",), hq=True, prefix=("prlimit", "--fsize=64", "--"),
                  time_limit=QUICK))


def read_only_folder_cases(run):
    def bind_read_only(tool):
        # Without root, "folder not writable, files writable" (folder_cases) is the same run.
        if os.geteuid() != 0 or not quiet("mount", "--bind", tool.path, tool.path):
            raise Skip("no bind mount possible")
        if not quiet("mount", "-o", "remount,bind,ro", tool.path):
            raise Skip("a read-only bind mount is not permitted here")

    run.case(Case("read-only folder: the executable's, a read-only mount", status=(1,),
                  exchange=("unchanged",), settings=("old",), setup=bind_read_only,
                  after=lambda tool: quiet("umount", tool.path)))


def special_files_cases(run):
    """A FIFO or a link to /dev/zero (read: the address space ends) in place of either file:
    never waited on, read or replaced."""
    limit = ("prlimit", f"--as={1 << 30}", "--") if shutil.which("prlimit") else ()
    makers = {"FIFO": os.mkfifo, "link to /dev/zero": lambda path: os.symlink("/dev/zero", path)}
    defaults = "lg2\r\nly5\r\nlc9\r\nlt1\r\nlw0\r\n"
    for kind, make in makers.items():
        run.case(Case(f"exchange file is a {kind}", status=(1,), exchange=("special",),
                      input=None, setup=lambda tool, make=make: make(tool.exchange_path),
                      prefix=limit, time_limit=QUICK))
        run.case(Case(f"settings file is a {kind}", settings=("special",), old_settings=None,
                      setup=lambda tool, make=make: make(tool.settings_path), prefix=limit,
                      time_limit=QUICK, more=lambda tool: [(
                          "settings not the defaults", tool.exchange_text().startswith(defaults))]))


def links_cases(run):
    """Both files links (absolute, relative) to private files elsewhere (as root, another user's):
    replaced there with mode and owner, the links kept, no temporary file left in either folder."""
    elsewhere = os.path.join(run.root, "linked")
    owner = (65534, 65534) if os.geteuid() == 0 else (os.geteuid(), os.getegid())
    links = {}

    def setup(tool):
        os.makedirs(elsewhere)
        for link, name in ((tool.exchange_path, "host.txt"), (tool.settings_path, "settings.txt")):
            target = os.path.join(elsewhere, name)
            os.rename(link, target)
            os.chmod(target, 0o600)
            os.chown(target, *owner)
            links[link] = (target if name == "host.txt" else os.path.relpath(target, tool.path),
                           target)
            os.symlink(links[link][0], link)

    def more(tool):
        return [("a link was replaced", all(os.path.islink(link) and os.readlink(link) == text
                                            for link, (text, _) in links.items())),
                ("mode or owner changed", all(owner_mode(target) == owner + (0o600,)
                                              for _, target in links.values())),
                ("temporary file left", not any(n.endswith(".tmp") for n in os.listdir(elsewhere)))]

    # The relative link is resolved from its own folder, not from the working folder.
    run.case(Case("both files links to private files", settings=("new",), setup=setup, more=more,
                  cwd=run.root))


def own_executable_cases(run):
    """The executable under either file's name: not read or written, also not by "/R10"."""
    program = read(run.exe)
    for name, args, status, exchange in (("auxline.dat", "/R1", (0,), ("commands",)),
                                         ("JWC_TEMP.TXT", "/R1", (1,), ("special", "unchanged")),
                                         ("JWC_TEMP.TXT", "/R10", (1,), ("special", "unchanged"))):
        def setup(tool, name=name):
            tool.exe = os.path.join(tool.path, name)
            os.rename(os.path.join(tool.path, "auxline"), tool.exe)
            tool.settings_path = os.path.join(tool.path, "absent.dat")
            if name == "JWC_TEMP.TXT":
                tool.old_exchange = program

        run.case(Case(f"executable renamed to {name}, {args}", (args,), status, exchange,
                      ("absent",), setup=setup, old_settings=None, dialog=True,
                      input=None if name == "JWC_TEMP.TXT" else HOST_INPUT,
                      more=lambda tool: [("executable changed", read(tool.exe) == program)]))


def installation_links_cases(run):
    """Either file a link to one of the installation's files: that file never read or written."""
    module = os.path.join(os.path.dirname(run.exe), "auxline_qt.so")
    for name, installed, args in (("JWC_TEMP.TXT", DIALOG_PROGRAM, "/R1"),
                                  ("JWC_TEMP.TXT", "auxline_qt.so", "/R1"),
                                  ("auxline.dat", DIALOG_PROGRAM, "/R1"),
                                  ("auxline.dat", "auxline_qt.so", "/R1"),
                                  ("JWC_TEMP.TXT", "auxline_qt.so", "/R10"),
                                  ("JWC_TEMP.TXT", "auxline", "/R10"),
                                  ("auxline.dat", "auxline_qt.so", "/R10")):
        exchange = name == "JWC_TEMP.TXT"

        def setup(tool, name=name, installed=installed, exchange=exchange):
            if os.path.exists(module):
                shutil.copy2(module, tool.path)
            else:
                write(os.path.join(tool.path, "auxline_qt.so"), b"\x7fELF module not built")
            tool.installed = read(os.path.join(tool.path, installed))
            os.symlink(installed, os.path.join(tool.path, name))
            setattr(tool, "old_exchange" if exchange else "old_settings", tool.installed)

        run.case(Case(f"{name} a link to {installed}, {args}", (args,),
                      (1,) if exchange else (0, 2), ("unchanged",) if exchange else ("commands",),
                      ("old", "new") if exchange else ("old",), setup=setup, dialog=True,
                      input=None if exchange else HOST_INPUT,
                      old_settings=OLD_SETTINGS if exchange else None,
                      more=lambda tool, installed=installed: [(
                          f"{installed} changed",
                          read(os.path.join(tool.path, installed)) == tool.installed)]))


def shared_folder_links_cases(run):
    """Another user's link in a sticky folder open to all, to the runner's private file: never
    followed (as fs.protected_symlinks=1 does, whatever the setting), nothing cleaned up where it
    points. The runner's own link there is followed."""
    user, other = ordinary_user(), ordinary_user(OTHER_USER)
    if user is None or other is None:
        run.selected("links in a shared folder", NO_USERS)
        return
    for setting in protected_symlinks_settings():
        for name, planter in (("JWC_TEMP.TXT", other), ("auxline.dat", other),
                              ("JWC_TEMP.TXT", user)):
            followed, exchange = planter == user, name == "JWC_TEMP.TXT"

            def setup(tool, name=name, planter=planter):
                os.chmod(tool.path, 0o1777)
                private = tool.path + "-private"
                os.makedirs(private)
                tool.target = os.path.join(private, name.lower())
                tool.leftover = os.path.join(private, f"{name.lower()}.{GONE}-00000000000000aa.tmp")
                tool.link = os.path.join(tool.path, name)
                os.rename(tool.link, tool.target)
                write(tool.leftover, b"half")
                os.utime(tool.leftover, (time.time() - 700, time.time() - 700))
                for path in (tool.target, tool.leftover, private):
                    os.chmod(path, 0o700 if path == private else 0o600)
                    os.chown(path, *user)
                os.symlink(tool.target, tool.link)
                os.lchown(tool.link, *planter)
                os.chmod(tool.exchange_path if name != "JWC_TEMP.TXT" else tool.settings_path,
                         0o666)

            def more(tool, exchange=exchange, followed=followed):
                # Checked at the private file: under the rule, root itself may not follow the link.
                setattr(tool, "exchange_path" if exchange else "settings_path", tool.target)
                return [("the link was replaced", os.path.islink(tool.link)),
                        ("cleanup ran in the private folder",
                         followed or os.path.exists(tool.leftover))]

            run.case(Case(
                f"shared folder, {name} a link of {'the user' if followed else 'another user'} "
                f"(protected_symlinks {setting})",
                status=(1,) if exchange and not followed else (0,),
                exchange=("unchanged",) if exchange and not followed else ("commands",),
                settings=("new",) if followed else ("old", "new") if exchange else ("old",),
                setup=setup, more=more, prefix=as_user(user)))


def ordinary_user_cases(run):
    """As an ordinary user: settings of a supplementary group keep owner, group and mode; another
    user's live process keeps its temporary file (it cannot be signalled, but it runs)."""
    user, group = ordinary_user(), shared_group()
    if user is None or group is None:
        run.selected("ordinary user", NO_USERS)
        return
    temporaries = {f"JWC_TEMP.TXT.{os.getpid()}-00000000000000ad.tmp": False,
                   f"JWC_TEMP.TXT.{GONE}-00000000000000aa.tmp": True}

    def temporary_files(tool):
        for name in temporaries:
            write(os.path.join(tool.path, name), b"half")
            os.chown(os.path.join(tool.path, name), *user)
        tool.age_leftovers(6)  # past the grace a file whose creator is gone gets

    def kept(tool):
        wrong = [n for n, removed in temporaries.items()
                 if os.path.exists(os.path.join(tool.path, n)) == removed]
        return [("owner, group or mode changed",
                 owner_mode(tool.settings_path) == (user[0], group, 0o660)),
                (f"wrongly kept or removed: {wrong}", not wrong)]

    for case in [
            Case("ordinary user: settings of a supplementary group, another user's live "
                 "temporary file", settings=("new",), setup=temporary_files, more=kept,
                 files=(("", None, user), ("JWC_TEMP.TXT", None, user),
                        ("auxline.dat", 0o660, (user[0], group))), prefix=as_user(user, [group])),
            # A group the user is not in cannot be kept: the user's own group, which the file
            # gets in its place, must not get what the old one allowed to its group.
            Case("ordinary user: settings of a group the user is not in", settings=("new",),
                 files=(("", None, user), ("JWC_TEMP.TXT", None, user),
                        ("auxline.dat", 0o664, (user[0], 0))), prefix=as_user(user),
                 more=lambda tool: [("group bits passed to the user's group",
                                     owner_mode(tool.settings_path)[1:] == (user[1], 0o604))])]:
        run.case(case)
    # The unit test of the same case skips itself as root.
    unit = os.path.join(os.path.dirname(run.exe), "..", "..", "tests", "exchange_tests")
    name = "ordinary user: WriterFile.ReadOnlyDirectory"
    if not run.selected(name, None if os.path.exists(unit) else "exchange_tests not built"):
        return
    scratch = os.path.join(run.root, "ordinary-tmp")
    os.makedirs(scratch)
    os.chown(scratch, *user)
    done = subprocess.run(as_user(user) + (unit, "--gtest_filter=WriterFile.ReadOnlyDirectory"),
                          env=dict(os.environ, TMPDIR=scratch), capture_output=True, text=True)
    ran = (done.returncode == 0 and "[  PASSED  ] 1 test" in done.stdout
           and "SKIPPED" not in done.stdout)
    run.result(ran, f"{name}, status {done.returncode}"
               + ("" if ran else f"\n{done.stdout[-2000:]}"))


def another_users_settings_cases(run):
    """Another user's settings the runner may not write, in a folder open to all (not sticky):
    never replaced (they would become the runner's); the run goes on."""
    user, other = ordinary_user(), ordinary_user(OTHER_USER)
    run.case(Case("another user's settings the runner may not write, folder open to all",
                  settings=("old",), prefix=as_user(user),
                  skip=None if user and other else NO_USERS,
                  files=(("", 0o777, None), ("JWC_TEMP.TXT", None, user),
                         ("auxline.dat", 0o644, other)),
                  more=lambda tool: [("owner or mode changed",
                                      owner_mode(tool.settings_path) == other + (0o644,))]))


def folders_cases(run):
    """No temporary file can be made in the folder: writable files rewritten in place."""
    drop = can_drop_read_permission(run.root)
    for case in [
            Case("folder not writable, files writable", settings=("new",), prefix=drop or (),
                 files=(("", 0o555, None),), after=lambda tool: os.chmod(tool.path, 0o755),
                 skip=CANNOT_DROP if drop is None else None),
            Case("sticky shared folder, files of another user", settings=("new",), files=(
                ("", 0o1777, None), ("JWC_TEMP.TXT", 0o666, None), ("auxline.dat", 0o666, None)),
                 prefix=as_user((65534, 65534)), more=lambda tool: [
                     ("owner changed", {owner_mode(p)[0] for p in (tool.exchange_path,
                                                                   tool.settings_path)} == {0})],
                 skip=None if ROOT_WITH_SETPRIV else NO_USERS)]:
        run.case(case)


def dialog_killed_cases(run):
    """"/R10" ended while its dialog is open: the host finds "nothing to draw"."""
    module = os.path.join(os.path.dirname(run.exe), "auxline_qt.so")
    missing = [t for t in ("Xvfb", "xdotool") if shutil.which(t) is None]
    missing += [] if os.path.exists(module) else ["auxline_qt.so"]

    def shown_then(sig):
        def start(tool):
            read_end, write_end = os.pipe()
            server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                                       "1024x768x24", "-nolisten", "tcp", "-noreset"],
                                      pass_fds=(write_end,), **QUIET)
            os.close(write_end)
            try:
                with os.fdopen(read_end) as f:
                    display = {"DISPLAY": ":" + f.readline().strip()}
                process = tool.start(["/R10"], display)
                search = ["xdotool", "search", "--sync", "--onlyvisible", "--name",
                          f"^{DIALOG_CAPTION}$"]
                try:
                    tool.shown = subprocess.run(search, env=tool.env(display), timeout=30,
                                                **QUIET).returncode == 0
                except subprocess.TimeoutExpired:
                    tool.shown = False
                return ended_by(process, sig, QUICK)
            finally:
                server.kill()
                server.wait()
        return start

    for sig in (signal.SIGKILL, signal.SIGTERM):
        run.case(Case(f"/R10 dialog ended by {sig.name}", ("/R10",), (-sig,), settings=("old",),
                      hq=True, dialog=True, start=shown_then(sig),
                      setup=lambda tool: shutil.copy2(module, tool.path),
                      more=lambda tool: [("dialog never shown", tool.shown)],
                      skip=f"{', '.join(missing)} missing" if missing else None))


def disk_full_cases(run):
    def full(pages):
        def setup(tool):
            if os.geteuid() != 0 or not quiet("mount", "-t", "tmpfs", "-o", "size=4m", "tmpfs",
                                              tool.path):
                raise Skip("mounting a small file system needs root")
            # The mount hides what the folder held.
            shutil.copy2(run.exe, tool.exe)
            write(tool.exchange_path, HOST_INPUT)
            write(tool.settings_path, OLD_SETTINGS)
            fill_up(tool.path, pages)
        return setup

    for pages in (0, 1, 2):
        run.case(Case("disk full" + (f" but {pages} page(s)" if pages else " (4 MiB tmpfs)"),
                      status=(0, 1),
                      exchange=("absent", "commands") + (("unchanged",) if pages else ()),
                      setup=full(pages), after=lambda tool: quiet("umount", tool.path)))


def kill_at_each_step_cases(run):
    """A kill before and after each file call of a run, through the shim: it cannot reach into
    the static executable, so the dialog program, started by hand, runs "/R1" with its code."""
    log = os.path.join(run.root, "steps.log")
    shim = {"LD_PRELOAD": run.shim}
    dry = Case("dry run", program=DIALOG_PROGRAM, dialog=True,
               env=dict(shim, AUXLINE_FAULT_LOG=log))
    status = ToolDir(os.path.join(run.root, "steps"), run.exe, dry).run(dry)
    steps = read(log).decode().splitlines() if os.path.exists(log) else []
    if status != 0 or len(steps) < 4:
        run.result(False, f"fault shim: dry run status {status}, {len(steps)} steps")
        return
    counts, ran = collections.Counter(), run.passed + run.failures

    def tally(tool):
        counts[(tool.exchange_outcome(), tool.settings_outcome())] += 1
        return []

    def later_run(name):
        def then(tool):
            return tool.leftovers() and Case(
                f"  later run after {name}", setup=lambda tool: tool.age_leftovers(6),
                more=lambda tool: [("temporary file left", not tool.leftovers())])
        return then

    for mode in ("kill", "killafter"):
        for n, step in enumerate(steps, 1):
            name = f"{mode} at step {n}"
            run.case(Case(f"{name} ({step.split(' ', 1)[1].replace(run.root, '').strip()})",
                          status=(-signal.SIGKILL,), exchange=("unchanged", "commands", "absent"),
                          program=DIALOG_PROGRAM, dialog=True, more=tally, then=later_run(name),
                          env=dict(shim, AUXLINE_FAULT_AT=str(n), AUXLINE_FAULT_MODE=mode)))
    if run.passed + run.failures > ran:
        print(f"     {len(steps)} file-system steps in one /R1 run: "
              + ", ".join(s.split()[1] for s in steps) + "; outcomes (exchange file, settings): "
              + ", ".join(f"{k[0]}/{k[1]} x{v}" for k, v in sorted(counts.items())))


def random_kills_cases(run):
    """SIGKILL after a random delay, on a run with a large exchange file."""
    runs = int(os.environ.get("AUXLINE_FAULT_KILLS", "40"))
    rng = random.Random(2024)
    big_input = b"hp1 10 20\r\nhp2 40 60\r\n" + b"".join(
        b"%d %d %d %d\r\n" % (i, i + 1, i + 2, i + 3) for i in range(300000))
    timing = Case("timing", ("/R5",), input=big_input)
    probe = ToolDir(os.path.join(run.root, "timing"), run.exe, timing)
    began = time.monotonic()
    probe.run(timing)
    duration = time.monotonic() - began
    killed = []

    def kill_after(delay):
        def start(tool):
            process = tool.start(["/R5"])
            time.sleep(delay)
            killed.append(ended_by(process, signal.SIGKILL, TIME_LIMIT))
            return killed[-1]
        return start

    for _ in range(runs):
        delay = rng.uniform(0, duration * 1.1)
        run.case(Case(f"SIGKILL after {delay * 1000:.0f} ms", ("/R5",), (0, -signal.SIGKILL),
                      ("unchanged", "commands"), input=big_input, start=kill_after(delay)))
    if killed:
        print(f"     random kills: {killed.count(-signal.SIGKILL)} of {len(killed)} runs killed, "
              f"run time {duration * 1000:.0f} ms")


# Every function named *_cases is a group of cases, run in the order written; its name, without
# "_cases" and with spaces, is the group's.
def group_name(cases):
    return cases.__name__[:-len("_cases")].replace("_", " ")


GROUPS = [f for name, f in list(globals().items()) if name.endswith("_cases")]


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        print("groups: " + ", ".join(group_name(f) for f in GROUPS))
        return 2
    root = tempfile.mkdtemp(prefix="auxline-faults-")
    os.chmod(root, 0o755)  # ordinary users' runs reach their folders through it
    try:
        shim = os.path.join(root, "fault_shim.so")
        subprocess.run(["cc", "-shared", "-fPIC", "-O2", "-o", shim,
                        os.path.join(HERE, "fault_shim.c"), "-ldl"], check=True)
        run = Runner(root, os.path.abspath(sys.argv[1]), shim, sys.argv[2:])
        for cases in GROUPS:
            run.group = group_name(cases)
            cases(run)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    print(f"faults: {run.passed} passed, {run.failures} failed")
    return 1 if run.failures else 0


if __name__ == "__main__":
    sys.exit(main())
