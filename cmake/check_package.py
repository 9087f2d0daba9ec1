#!/usr/bin/env python3
"""Checks a driver package folder before it ships.

usage: check_package.py [--as SCRIPT_NAME] [--files LIST] [--reading] PACKAGE_FOLDER

Reads the folder's setup.ini the way the programs read it -- through the
Setup API's INF parser for the sections it carries out, through the profile
functions for the banner and the word lists -- and reports what would go
wrong on the user's PC, like a compiler:

    setup.ini:12: error: ...      the package must not ship (exit status 1)
    setup.ini:40: warning: ...    legal, but probably not what was meant

--as names the script in the messages (the file it was copied from);
--files takes as the package only the files LIST names, one per line (the
folder may hold more); --reading prints how the script reads instead of
checking it.
"""
import os
import re
import sys

SCRIPT = "setup.ini"
CLASS = "QuorvixDevice"
# Sections the programs carry out, and which kinds of directive each run
# applies there: the installer and the uninstaller queue the file operations
# of all four, then apply the registry ones of the class sections and the
# INI ones of the driver sections.
FILE_DIRECTIVES = ("CopyFiles", "DelFiles", "RenFiles")
REGISTRY_DIRECTIVES = ("AddReg", "DelReg", "BitReg")
INI_DIRECTIVES = ("UpdateInis", "UpdateIniFields", "Ini2Reg")
ENTRY_SECTIONS = (
    ("ClassInstall", "install", REGISTRY_DIRECTIVES),
    ("WTQVX:WTQVX.DRV:PNP", "install", INI_DIRECTIVES),
    ("ClassUnInstall", "removal", REGISTRY_DIRECTIVES),
    ("Uninstall", "removal", INI_DIRECTIVES),
)
MISSING_ENTRY = {
    "ClassInstall": "the class's files and registry entries are never installed",
    "WTQVX:WTQVX.DRV:PNP": "every installation fails (\"Installation did not "
                           "complete successfully!\")",
    "ClassUnInstall": "the removal leaves the class's files and registry entries",
    "Uninstall": "every removal fails (\"Uninstallation did not complete "
                 "successfully!\")",
}
OTHER_DIRECTIVES = ("LogConf", "AddService", "DelService", "Include", "Needs",
                    "DriverVer", "Reboot", "Restart", "ProfileItems",
                    "RegisterDlls", "UnregisterDlls", "CopyINF")
WORD_LISTS = ("MyUpdateIniFields", "MyRemoveIniFields")
# Read by the Setup API or the programs themselves, never named by a
# directive.
KNOWN_SECTIONS = ("Version", "QVXVersion", "SourceDisksNames",
                  "SourceDisksFiles", "DestinationDirs", "Strings") + WORD_LISTS
# Made by the build, not by the vendor.
PROGRAMS = ("setup.exe", "pruninst.exe", "ptrsniff.exe")
# Directory ids of Windows 95's Setup API (-1: an absolute path).
DIRIDS = {-1, 0, 1, 10, 11, 12, 13, 17, 18, 20, 21, 22, 23, 24, 25, 26, 27,
          28, 30, 31}

# The programs' buffers for the word lists (install/ini_fields.cpp) and the
# banner.
FIELD_MAX = 31
LINE_READ = 255
BANNER_MAX = 79

# A 1.44 MB disk as mformat -f 1440 makes it: 512-byte clusters, 2847 of
# them for files, 224 entries in the root folder.
FLOPPY_CLUSTER = 512
FLOPPY_CLUSTERS = 2847
FLOPPY_ROOT_ENTRIES = 224   # the volume label takes one


class Report:
    """Collects the messages; printed in line order at the end."""

    def __init__(self, name):
        self.name = name
        self.items = []

    def error(self, line, text):
        self.items.append((line or 0, "error", text))

    def warning(self, line, text):
        self.items.append((line or 0, "warning", text))

    def count(self, kind):
        return sum(1 for item in self.items if item[1] == kind)

    def emit(self, out):
        # A section that two directives name is reported once.
        unique = []
        for item in self.items:
            if item not in unique:
                unique.append(item)
        self.items = unique
        for line, kind, text in sorted(self.items, key=lambda i: i[0]):
            where = "%s:%d" % (self.name, line) if line else self.name
            out.write("%s: %s: %s\n" % (where, kind, text))


# --- the Setup API's reading ------------------------------------------------

class InfLine:
    def __init__(self, number):
        self.number = number   # line of the file where the entry starts
        self.key = None        # text before '=', or the lone field
        self.fields = []       # after '=' (or the whole line), unsubstituted


class InfSection:
    def __init__(self, name, number):
        self.name = name
        self.numbers = [number]  # every [name] header: the parts merge
        self.lines = []


def read_inf(text):
    """Parses INF text as the Setup API does (Wine's parser, which follows
    Windows): ';' starts a comment outside quotes, '"' quotes with "" for a
    quote, a backslash with only blanks or a comment after it continues the
    line, blanks around fields go, and sections of one name merge. Returns
    (sections in order, dict by lowercase name, failure or None), where a
    failure is (line, text) of what keeps the file from opening."""
    sections = []
    by_name = {}
    text = text.split("\x1a", 1)[0]
    lines = text.split("\n")
    current = None
    i = 0
    while i < len(lines):
        number = i + 1
        raw = lines[i]
        i += 1
        stripped = raw.lstrip()
        if not stripped or stripped.startswith(";"):
            continue
        if stripped.startswith("["):
            end = stripped.find("]", 1)
            if end < 0:
                return sections, by_name, (number, "section name without ']': "
                                           "the Setup API cannot open the script")
            name = stripped[1:end]
            if len(name) > 255:
                return sections, by_name, (number, "section name over 255 "
                                           "characters: the Setup API cannot open the script")
            current = by_name.get(name.lower())
            if current is None:
                current = InfSection(name, number)
                sections.append(current)
                by_name[name.lower()] = current
            else:
                current.numbers.append(number)
            continue
        if current is None:
            return sections, by_name, (number, "a line before the first "
                                       "section: the Setup API cannot open the script")
        entry = InfLine(number)
        tokens, has_key, i = split_inf_line(stripped, lines, i)
        if has_key:
            entry.key = tokens[0]
            entry.fields = tokens[1:]
        else:
            entry.fields = tokens
            if len(tokens) == 1:
                entry.key = tokens[0]
        current.lines.append(entry)
    return sections, by_name, None


def split_inf_line(text, lines, i):
    """Splits one entry (and the lines it continues onto) into its tokens.
    Returns (tokens, whether the first is a key, index of the next line)."""
    tokens = []
    has_key = False
    token = ""
    pending = ""        # blanks that count only if more text follows
    quoted_any = False
    pos = 0
    while True:
        if pos >= len(text):
            break
        c = text[pos]
        if c == '"':
            token += pending
            pending = ""
            end = pos + 1
            while end < len(text):
                if text[end] == '"':
                    if end + 1 < len(text) and text[end + 1] == '"':
                        token += '"'
                        end += 2
                        continue
                    break
                token += text[end]
                end += 1
            quoted_any = True
            pos = end + 1
            continue
        if c == ";":
            break
        if c == "\\":
            rest = text[pos:].lstrip("\\ \t\r\v\f")
            if not rest or rest.startswith(";"):
                # Continued: the entry goes on with the next line's text.
                if i >= len(lines):
                    break
                text = lines[i].lstrip()
                i += 1
                pos = 0
                pending = ""
                continue
            token += pending + c
            pending = ""
            pos += 1
            continue
        if c == "=" and not has_key and not tokens:
            tokens.append(token)
            has_key = True
            token, pending = "", ""
            pos += 1
            while pos < len(text) and text[pos] in " \t\r\v\f":
                pos += 1
            continue
        if c == ",":
            tokens.append(token)
            token, pending = "", ""
            pos += 1
            while pos < len(text) and text[pos] in " \t\r\v\f":
                pos += 1
            continue
        if c in " \t\r\v\f":
            pending += c
            pos += 1
            continue
        token += pending + c
        pending = ""
        pos += 1
    tokens.append(token)
    return tokens, has_key, i


def find_percents(text):
    """The %name% references of a field as the Setup API substitutes them:
    each '%' toggles, %% is a percent sign, and a lone '%' at the end stays
    as written. Yields (name, is_closed)."""
    start = None
    for pos, c in enumerate(text):
        if c != "%":
            continue
        if start is None:
            start = pos
        else:
            yield text[start + 1:pos], True
            start = None
    if start is not None:
        yield text[start + 1:], False


def read_strings(by_name):
    """[Strings] as the Setup API looks names up: without regard to case,
    the first line of a name, its first field."""
    strings = {}
    if "strings" in by_name:
        for line in by_name["strings"].lines:
            if line.key is not None and line.fields and line.key.lower() not in strings:
                strings[line.key.lower()] = line.fields[0]
    return strings


def substitute(text, strings):
    out = ""
    start = None
    last = 0
    for pos, c in enumerate(text):
        if c != "%":
            continue
        if start is None:
            out += text[last:pos]
            start = pos
        else:
            name = text[start + 1:pos]
            if name == "":
                out += "%"
            elif name.lower() in strings:
                out += strings[name.lower()]
            else:
                out += text[start:pos + 1]
            start = None
            last = pos + 1
    out += text[start if start is not None else last:]
    return out


def is_dirid(name):
    return re.fullmatch(r"[+-]?\d+", name) is not None


# --- the profile functions' reading -----------------------------------------

def read_profile(text):
    """Parses INI text as GetPrivateProfileString reads it: one entry per
    line (no continuation), no comments inside values, blanks around keys
    and values trimmed, and only the first section of a name and the first
    key of a name in it count. Returns {section: {key: (value, line)}} by
    lowercase names, and {section: [(key, value, line)]} in file order."""
    first = {}
    ordered = {}
    current = None
    lines = text.split("\n")
    for number, raw in enumerate(lines, 1):
        line = raw.strip(" \t\r\v\f")
        # A comment line is a key no lookup names.
        if not line or line.startswith(";"):
            continue
        if line.startswith("["):
            end = line.rfind("]")
            if end > 0:
                name = line[1:end].lower()
                if name in first:
                    current = None   # a later section of the name is never read
                else:
                    current = name
                    first[name] = {}
                    ordered[name] = []
                continue
        if current is None:
            continue
        if "=" in line:
            key, value = line.split("=", 1)
            key, value = key.rstrip(" \t\r\v\f"), value.lstrip(" \t\r\v\f")
        else:
            key, value = line, None
        ordered[current].append((key, value, number))
        if key.lower() not in first[current]:
            first[current][key.lower()] = (value, number)
    return first, ordered


def profile_value(value):
    """What GetPrivateProfileString returns for a value: quotes around the
    whole of it are dropped."""
    if value is None:
        return ""
    if len(value) > 1 and value[0] in "'\"" and value[-1] == value[0]:
        return value[1:-1]
    return value


def split_directive(line):
    """The programs' split of a word-list directive: at commas, a run of
    commas being one separator; each field loses its leading blanks and
    keeps its trailing ones. Returns the fields (at most five), whether a
    field was too long (then the programs skip the line) and the text after
    the fifth field, which the programs ignore."""
    fields = []
    pos = 0
    while len(fields) < 5:
        while pos < len(line) and line[pos] == ",":
            pos += 1
        if pos >= len(line):
            break
        end = line.find(",", pos)
        if end < 0:
            end = len(line)
        field = line[pos:end].lstrip(" ")
        if len(field) > FIELD_MAX:
            return fields, True, ""
        fields.append(field)
        pos = end
    return fields, False, line[pos:]


def read_word_list(profile, section):
    """The directives that ApplyIniFieldEdits reads: entries 0, 1, 2, ... up
    to the first one missing or empty. Returns [(n, text, line, fields or
    None when skipped, too long)] and the line of each entry never read."""
    entries = profile[0].get(section.lower(), {})
    read = []
    n = 0
    while True:
        found = entries.get(str(n))
        text = profile_value(found[0]) if found else ""
        if not text:
            break
        line = found[1]
        if len(text) >= LINE_READ - 1:
            read.append((n, text, line, None, False))
        else:
            fields, too_long, _ = split_directive(text)
            ok = not too_long and len(fields) >= 3 and all(fields[:3])
            read.append((n, text, line, fields if ok else None, too_long))
        n += 1
    seen = {r[2] for r in read}
    unread = [(key, line) for key, _, line in profile[1].get(section.lower(), [])
              if line not in seen]
    return read, unread, n


# --- the checks --------------------------------------------------------------

class Package:
    def __init__(self, folder, only=None):
        self.folder = folder
        self.only = only     # lowercase names of what ships, or None: all
        self.files = {}      # lowercase name -> name in the folder
        self.folders = []
        for name in sorted(os.listdir(folder)):
            if only is not None and name.lower() not in only:
                continue
            path = os.path.join(folder, name)
            if os.path.isdir(path):
                self.folders.append(name)
            else:
                self.files[name.lower()] = name
        self.named = set()   # lowercase names of package files the script uses
        # A folder without any of the programs is the vendor's own, which
        # the build completes.
        self.programs = any(p in self.files for p in PROGRAMS)

    def has(self, relative):
        """Whether the folder holds the file, matched without regard to case
        as Windows matches it."""
        path = self.folder
        parts = [p for p in relative.replace("/", "\\").split("\\") if p]
        if self.only is not None and parts and parts[0].lower() not in self.only:
            return False
        for part in parts:
            try:
                names = {n.lower(): n for n in os.listdir(path)}
            except OSError:
                return False
            if part.lower() not in names:
                return False
            path = os.path.join(path, names[part.lower()])
        return os.path.isfile(path)


def plain_8_3(name):
    """Whether a FAT folder entry holds the name without a long-name entry:
    8.3, and each part in one case."""
    if not fits_8_3(name):
        return False
    return all(part == part.upper() or part == part.lower() for part in name.split("."))


def fits_8_3(name):
    match = re.fullmatch(r"([^.]{1,8})(\.([^.]{1,3}))?", name)
    if not match:
        return False
    return re.fullmatch(r"[A-Za-z0-9_$~!#%&'()@^`{}-]+", name.replace(".", "")) is not None


class Checker:
    def __init__(self, package, text, report):
        self.package = package
        self.report = report
        self.sections, self.by_name, self.failure = read_inf(text)
        self.profile = read_profile(text)
        self.strings = read_strings(self.by_name)
        self.used = set()          # lowercase names of sections reached
        self.copied = {}           # (dir, lowercase name) -> (line, section)
        self.deleted = {}
        self.sources = {}          # lowercase source names copied -> (line, name)
        self.long_names = {}       # lowercase source name -> line that copies it

    def section(self, name):
        return self.by_name.get(name.lower())

    def text(self, field):
        return substitute(field, self.strings)

    def lines_with_key(self, section, key):
        return [l for l in section.lines if l.key is not None and l.key.lower() == key.lower()]

    def run(self):
        if self.failure:
            self.report.error(self.failure[0], self.failure[1])
            self.check_folder(named=False)
            return
        self.check_version()
        self.check_banner()
        for name, effect in MISSING_ENTRY.items():
            if not self.section(name):
                self.report.error(0, "no section [%s]: %s" % (name, effect))
        for name, run, applied in ENTRY_SECTIONS:
            section = self.section(name)
            if section:
                self.used.add(name.lower())
                self.check_entry_section(section, run, applied)
        self.check_destinations()
        self.check_source_disks()
        self.check_installed_and_removed()
        self.check_strings()
        self.check_word_lists()
        self.check_sections()
        self.check_folder()

    # [Version] and [QVXVersion]

    def check_version(self):
        version = self.section("Version")
        if not version:
            self.report.error(0, "no section [Version]: the programs cannot open the script")
            return
        signature = self.lines_with_key(version, "Signature")
        number = version.numbers[0]
        if not signature or not signature[0].fields:
            self.report.error(number, "[Version] has no Signature: the programs "
                              "cannot open the script (write Signature=\"$CHICAGO$\")")
        else:
            value = signature[0].fields[0]
            if value.lower() == "$windows 95$":
                self.report.warning(signature[0].number, "Signature \"$Windows 95$\": "
                                    "Windows 95 itself writes \"$CHICAGO$\"")
            elif value.lower() != "$chicago$":
                self.report.error(signature[0].number, "Signature \"%s\": the programs "
                                  "open a Windows 95 script only (\"$CHICAGO$\")" % value)
        classes = self.lines_with_key(version, "Class")
        cls = ",".join(self.text(f) for f in classes[0].fields) if classes else ""
        if cls.lower() != CLASS.lower():
            self.report.error(classes[0].number if classes else number,
                              "the script must name the class %s (Class=%s); "
                              "the programs refuse any other" % (CLASS, CLASS))
        layout = self.lines_with_key(version, "LayoutFile")
        if layout and layout[0].fields and layout[0].fields[0].lower() != SCRIPT:
            self.report.warning(layout[0].number, "LayoutFile=%s is never read: the "
                                "programs find the files' disks in %s's own "
                                "[SourceDisksFiles]" % (layout[0].fields[0], SCRIPT))

    def check_banner(self):
        found = self.profile[0].get("qvxversion", {}).get("cycle")
        if not found:
            return
        text = profile_value(found[0])
        if len(text) > BANNER_MAX:
            self.report.warning(found[1], "the release banner has %d characters; "
                                "the programs show the first %d" % (len(text), BANNER_MAX))
        self.check_profile_text(found[1], text, "the banner")

    def check_profile_text(self, line, text, what):
        for name, closed in find_percents(text):
            if closed and name:
                self.report.error(line, "%%%s%% stays as written in %s: the programs "
                                  "read it with the profile functions, which replace "
                                  "no strings" % (name, what))
                return

    # The sections the programs carry out, and those their directives name

    def check_entry_section(self, section, run, applied):
        for line in section.lines:
            if line.key is None:
                self.report.warning(line.number, "a line without '=' in [%s] is no "
                                    "directive; it is ignored" % section.name)
                continue
            key = line.key
            lower = key.lower()
            if lower in (d.lower() for d in FILE_DIRECTIVES):
                for field in line.fields:
                    self.file_operation(line, key, self.text(field), run)
            elif lower in (d.lower() for d in applied):
                for field in line.fields:
                    self.named_section(line, key, self.text(field))
            elif lower in (d.lower() for d in REGISTRY_DIRECTIVES + INI_DIRECTIVES):
                self.report.warning(line.number, "%s is never carried out here: the "
                                    "programs apply only the file and %s operations of [%s]"
                                    % (key, "registry" if applied is REGISTRY_DIRECTIVES
                                       else "INI", section.name))
                for field in line.fields:
                    if self.section(self.text(field)):
                        self.used.add(self.text(field).lower())
            elif lower in (d.lower() for d in OTHER_DIRECTIVES):
                self.report.warning(line.number, "%s is never carried out: the programs "
                                    "apply only file, registry and INI operations" % key)
            elif line.fields or "=" in key:
                self.report.warning(line.number, "'%s' is not a directive the Setup API "
                                    "knows; it is ignored" % key)

    def named_section(self, line, directive, name):
        if not name:
            return None
        section = self.section(name)
        if not section:
            self.report.error(line.number, "%s names section [%s], which the script "
                              "does not have" % (directive, name))
            return None
        self.used.add(name.lower())
        return section

    def file_operation(self, line, directive, name, run):
        if directive.lower() == "copyfiles" and name.startswith("@"):
            if not name[1:]:
                self.report.error(line.number, "CopyFiles=@ names no file")
                return
            self.copy_file(line, name[1:], line.number, None, run)
            return
        section = self.named_section(line, directive, name)
        if not section:
            return
        where = self.destination(section, line)
        for entry in section.lines:
            fields = [self.text(f) for f in entry.fields]
            if not fields or not fields[0]:
                self.report.error(entry.number, "an entry without a file name in [%s]"
                                  % section.name)
                continue
            target = fields[0]
            if directive.lower() == "copyfiles":
                source = fields[1] if len(fields) > 1 and fields[1] else target
                self.copy_file(entry, source, entry.number, (where, target), run)
            elif directive.lower() == "delfiles":
                self.deleted.setdefault((where, target.lower()), (entry.number, run, target))

    def copy_file(self, line, source, number, target, run):
        if target is None:
            target = (self.destination(None, line), source)
        self.copied.setdefault((target[0], target[1].lower()), (number, run, target[1]))
        self.sources.setdefault(source.lower(), (number, source))
        path = self.source_path(source)
        if path is None:
            path = source
        if not fits_8_3(source):
            self.long_names.setdefault(source.lower(), number)
        if "\\" in path.strip("\\"):
            self.report.error(number, "%s is in a folder of the package: the zip and the "
                              "floppy carry the package's top folder only" % path)
            return
        if run == "removal":
            self.report.warning(number, "the removal copies %s: the installed uninstaller "
                                "(Add/Remove Programs) has only its own folder to copy "
                                "from" % source)
        if self.package.has(path):
            self.package.named.add(path.replace("/", "\\").split("\\")[0].lower())
            return
        if source.lower() in PROGRAMS and not self.package.programs:
            return   # a vendor's own folder, before the build adds the programs
        self.report.error(number, "%s is not in the package folder: the Setup API "
                          "would ask the user for the driver disk" % path)

    def source_path(self, source):
        """Where the Setup API looks for a file on the disk: the disk's path
        from [SourceDisksNames] and the file's own folder from
        [SourceDisksFiles]; None when the file is not listed."""
        files = self.section("SourceDisksFiles")
        if not files:
            return None
        for entry in files.lines:
            if entry.key is not None and entry.key.lower() == source.lower():
                fields = [self.text(f) for f in entry.fields]
                parts = []
                disk = self.disk_line(fields[0] if fields else "")
                if disk is not None:
                    disk_fields = [self.text(f) for f in disk.fields]
                    if len(disk_fields) > 3 and disk_fields[3]:
                        parts.append(disk_fields[3])
                if len(fields) > 1 and fields[1]:
                    parts.append(fields[1])
                parts.append(entry.key)
                return "\\".join(p.strip("\\") for p in parts)
        return None

    def disk_line(self, disk):
        names = self.section("SourceDisksNames")
        if not names:
            return None
        for entry in names.lines:
            if entry.key is not None and entry.key == disk:
                return entry
        return None

    def destination(self, section, line):
        dirs = self.section("DestinationDirs")
        entry = None
        if dirs:
            self.used.add("destinationdirs")
            for candidate in dirs.lines:
                if candidate.key is None:
                    continue
                if section is not None and candidate.key.lower() == section.name.lower():
                    entry = candidate
                    break
            if entry is None:
                for candidate in dirs.lines:
                    if candidate.key is not None and candidate.key.lower() == "defaultdestdir":
                        entry = candidate
                        break
        if entry is None:
            self.report.error(line.number if section is None else section.numbers[0],
                              "no [DestinationDirs] entry for %s and no DefaultDestDir: "
                              "where the files go is left to the Setup API (newer ones "
                              "take the system folder, others fail)"
                              % ("[%s]" % section.name if section else "this file"))
            return "?"
        fields = [self.text(f) for f in entry.fields]
        dirid = fields[0] if fields else ""
        if not is_dirid(dirid):
            self.report.error(entry.number, "'%s' is not a directory id" % dirid)
        elif int(dirid) not in DIRIDS:
            self.report.warning(entry.number, "directory id %s is not one Windows 95 "
                                "knows" % dirid)
        sub = fields[1] if len(fields) > 1 else ""
        return (dirid + "\\" + sub).lower()

    def check_destinations(self):
        dirs = self.section("DestinationDirs")
        if not dirs:
            return
        file_sections = set()
        for name, _, _ in ENTRY_SECTIONS:
            section = self.section(name)
            if not section:
                continue
            for line in section.lines:
                if line.key and line.key.lower() in ("copyfiles", "delfiles", "renfiles"):
                    file_sections.update(self.text(f).lower() for f in line.fields)
        for entry in dirs.lines:
            if entry.key is None or entry.key.lower() == "defaultdestdir":
                continue
            if entry.key.lower() not in file_sections:
                self.report.warning(entry.number, "[DestinationDirs] entry %s: no file "
                                    "operation uses that section" % entry.key)

    def check_source_disks(self):
        files = self.section("SourceDisksFiles")
        names = self.section("SourceDisksNames")
        if names:
            self.used.add("sourcedisksnames")
            for entry in names.lines:
                fields = [self.text(f) for f in entry.fields]
                tag = fields[1] if len(fields) > 1 else ""
                if not tag:
                    continue
                if self.package.has(tag):
                    self.package.named.add(tag.lower())
                else:
                    self.report.warning(entry.number, "tag file %s is not in the package "
                                        "folder: the Setup API looks for it to know the "
                                        "disk is in the drive" % tag)
        if not files:
            if self.sources:
                self.report.warning(0, "no [SourceDisksFiles]: the Setup API looks for "
                                    "every file in the package folder, on no named disk")
            return
        self.used.add("sourcedisksfiles")
        listed = {}
        for entry in files.lines:
            if entry.key is None:
                continue
            if entry.key.lower() in listed:
                self.report.warning(entry.number, "a second entry for %s: the Setup API "
                                    "reads only the first" % entry.key)
                continue
            listed[entry.key.lower()] = entry
            fields = [self.text(f) for f in entry.fields]
            disk = fields[0] if fields else ""
            if len(entry.fields) == 1 and entry.fields[0] == entry.key:
                self.report.error(entry.number, "%s has no disk number (write %s=1)"
                                  % (entry.key, entry.key))
            elif self.disk_line(disk) is None:
                self.report.error(entry.number, "%s is on disk '%s', which "
                                  "[SourceDisksNames] does not name" % (entry.key, disk))
            if entry.key.lower() not in self.sources:
                self.report.warning(entry.number, "%s is listed, but nothing copies it"
                                    % entry.key)
        for source, (number, name) in sorted(self.sources.items(), key=lambda s: s[1]):
            if source not in listed:
                self.report.warning(number, "%s is not in [SourceDisksFiles]: the Setup "
                                    "API then looks for it in the package folder, on no "
                                    "named disk" % name)

    def check_installed_and_removed(self):
        for (where, name), (number, run, _) in self.copied.items():
            if (name == "pruninst.exe" and run == "install"
                    and (where, SCRIPT) not in self.copied):
                self.report.error(number, "pruninst.exe is installed without %s beside "
                                  "it: the installed uninstaller would find no script "
                                  "and remove nothing" % SCRIPT)
        # The uninstaller takes a folder with setup.exe beside it for the
        # driver disk and deletes nothing there.
        for (where, name), (number, run, _) in self.copied.items():
            if name == "setup.exe" and (where, "pruninst.exe") in self.copied:
                self.report.error(number, "setup.exe is installed beside pruninst.exe: "
                                  "the uninstaller would take that folder for the driver "
                                  "disk and delete nothing in it")
        removed = {place for place, value in self.deleted.items() if value[1] == "removal"}
        for place, (number, run, name) in sorted(self.copied.items(), key=lambda c: c[1]):
            if run == "install" and place not in removed:
                self.report.warning(number, "%s is installed but the removal never "
                                    "deletes it" % name)
        for place, (number, run, name) in sorted(self.deleted.items(), key=lambda c: c[1]):
            if run == "removal" and place not in self.copied:
                self.report.warning(number, "the removal deletes %s, which the "
                                    "installation does not put there" % name)

    def check_strings(self):
        word_sections = {w.lower() for w in WORD_LISTS} | {"qvxversion", "strings"}
        known = {k.lower() for k in KNOWN_SECTIONS}
        for section in self.sections:
            if section.name.lower() in word_sections:
                continue
            for line in section.lines:
                texts = ([line.key] if line.key is not None and line.key not in line.fields[:1]
                         else []) + line.fields
                for field in texts:
                    for name, closed in find_percents(field):
                        if not closed:
                            self.report.warning(line.number, "a lone %% in '%s' stays as "
                                                "written; write %%%% for a percent sign"
                                                % field)
                        elif name and name.lower() not in self.strings and not is_dirid(name):
                            report = (self.report.error if section.name.lower() in self.used
                                      or section.name.lower() in known else self.report.warning)
                            report(line.number, "%%%s%% is not defined in [Strings]: the "
                                   "Setup API leaves the text as it stands" % name)
        strings = self.section("Strings")
        if strings:
            self.used.add("strings")

    # The word lists, read as ApplyIniFieldEdits reads them

    def check_word_lists(self):
        parsed = {}
        for section in WORD_LISTS:
            parsed[section] = []
            inf_section = self.section(section)
            if section.lower() not in self.profile[0]:
                if inf_section:
                    self.report.error(inf_section.numbers[0], "the profile functions take "
                                      "a section's name up to the last ']' of its line, so "
                                      "the programs never find [%s]: put nothing after its "
                                      "']'" % section)
                continue
            self.used.add(section.lower())
            if inf_section and len(inf_section.numbers) > 1:
                self.report.error(inf_section.numbers[1], "a second [%s]: the programs "
                                  "read only the first" % section)
            read, unread, stop = read_word_list(self.profile, section)
            for key, line in unread:
                if key.strip().isdigit() and str(int(key)) == key.strip() and int(key) < stop:
                    self.report.error(line, "a second entry '%s' in [%s]: the programs read "
                                      "only the first" % (key, section))
                    continue
                if key.strip() == str(stop):
                    self.report.warning(line, "entry '%s' of [%s] is empty: the programs stop "
                                      "reading the directives there" % (key, section))
                    continue
                self.report.error(line, "entry '%s' of [%s] is never read: the programs "
                                  "read entries 0, 1, 2, ... and stop at the first one "
                                  "missing or empty (%d)" % (key, section, stop))
            for n, text, line, fields, too_long in read:
                directive = self.check_directive(section, text, line, fields, too_long)
                if directive:
                    parsed[section].append(directive)
        self.match_word_lists(parsed)

    def check_directive(self, section, text, line, fields, too_long):
        if ";" in text:
            self.report.error(line, "the programs take '%s' as part of the directive: "
                              "the profile functions know no comments after a value"
                              % text[text.index(";"):].rstrip())
            return None
        if text.rstrip().endswith("\\"):
            self.report.error(line, "a directive ends in '\\': the profile functions "
                              "read one line per entry and continue none")
            return None
        if len(text) >= LINE_READ - 1:
            self.report.error(line, "a directive of %d characters: the programs skip "
                              "those of %d and more" % (len(text), LINE_READ - 1))
            return None
        if too_long:
            self.report.error(line, "a field over %d characters: the programs skip the "
                              "directive" % FIELD_MAX)
            return None
        if fields is None:
            self.report.error(line, ("fewer than three fields (file, section, key)"
                                     if len(split_directive(text)[0]) < 3 else
                                     "an empty file, section or key") +
                              ": the programs skip the directive")
            return None
        ok = True
        # Runs of commas are one separator, so a field left empty that way
        # moves the fields after it up.
        inner = text.rstrip(", ")
        if inner.startswith(",") or ",," in inner:
            self.report.error(line, "adjacent commas count as one: the programs read "
                              "the fields as %s; write ', ,' for an empty field"
                              % describe_fields(fields))
            ok = False
        if split_directive(text)[2].strip(", ") != "":
            self.report.warning(line, "text after the fifth field is ignored")
        names = ("file", "section", "key", "word to take out", "word to put in")
        for i, field in enumerate(fields):
            if '"' in field:
                self.report.error(line, "the programs keep the quotes of %s as part of "
                                  "the %s" % (field.strip(), names[i]))
                ok = False
            for name, closed in find_percents(field):
                if closed and name:
                    self.report.error(line, "%%%s%% stays as written: the programs read "
                                      "word lists with the profile functions, which "
                                      "replace no strings" % name)
                    ok = False
            if i >= 3:
                if " " in field.strip(" ") or "\t" in field:
                    self.report.error(line, "'%s' holds a blank or a tab: the lists are "
                                      "split at blanks, so it never matches one word"
                                      % field.strip(" "))
                    ok = False
                elif field.endswith(" ") and field.strip(" "):
                    self.report.error(line, "'%s' ends in a blank, which the programs "
                                      "keep: it never matches a word of the list" % field)
                    ok = False
            elif field.endswith(" "):
                self.report.warning(line, "the %s '%s' ends in a blank, which the "
                                    "programs pass on" % (names[i], field))
        if re.search(r'[<>|*?"]', fields[0]):
            self.report.error(line, "'%s' is not a file name" % fields[0])
            ok = False
        elif "\\" in fields[0] or ":" in fields[0]:
            self.report.warning(line, "'%s' is a path: a bare name edits the file in "
                                "the user's Windows folder, wherever it is" % fields[0])
        remove = fields[3].strip(" ") if len(fields) > 3 else ""
        add = fields[4].strip(" ") if len(fields) > 4 else ""
        if not remove and not add:
            self.report.error(line, "no word to take out and none to put in: the "
                              "programs would write an empty value over the whole list")
            ok = False
        if not ok:
            return None
        return (line, fields[0].strip().lower(), fields[1].strip().lower(),
                fields[2].strip().lower(), remove, add,
                "%s [%s] %s" % (fields[0].strip(), fields[1].strip(), fields[2].strip()))

    def match_word_lists(self, parsed):
        installed = parsed["MyUpdateIniFields"]
        removed = parsed["MyRemoveIniFields"]
        for line, f, s, k, _, add, where in installed:
            if add and not any((f, s, k) == (rf, rs, rk) and rr.lower() == add.lower()
                               for _, rf, rs, rk, rr, _, _ in removed):
                self.report.error(line, "'%s' is put into %s, but [MyRemoveIniFields] "
                                  "never takes it out" % (add, where))
        for line, f, s, k, remove, _, where in removed:
            if remove and not any((f, s, k) == (i_f, i_s, i_k) and ia.lower() == remove.lower()
                                  for _, i_f, i_s, i_k, _, ia, _ in installed):
                self.report.warning(line, "takes '%s' out of %s, which "
                                    "[MyUpdateIniFields] does not put in" % (remove, where))

    # What nothing uses

    def check_sections(self):
        for section in self.sections:
            lower = section.name.lower()
            if lower in (k.lower() for k in KNOWN_SECTIONS) or lower in self.used:
                if len(section.numbers) > 1 and lower == "qvxversion":
                    self.report.warning(section.numbers[1], "a second [%s]: the programs "
                                        "read the banner from the first only" % section.name)
                elif len(section.numbers) > 1 and lower not in (w.lower() for w in WORD_LISTS):
                    self.report.warning(section.numbers[1], "a second [%s]: the Setup API "
                                        "merges it with the first" % section.name)
                continue
            self.report.warning(section.numbers[0], "section [%s] is never used"
                                % section.name)

    def check_folder(self, named=True):
        """The folder as it goes to the floppy; with named, also the files
        the script never names (unknown when it cannot be read)."""
        package = self.package
        for name in package.folders:
            self.report.warning(0, "the folder %s in the package is neither zipped nor "
                                "written to the disk" % name)
        for lower, name in sorted(package.files.items()):
            if not named or lower in package.named or lower in PROGRAMS or lower == SCRIPT:
                continue
            self.report.warning(0, "%s is in the package folder, but nothing in the "
                                "script names it" % name)
        for lower, name in sorted(package.files.items()):
            if not fits_8_3(name):
                self.report.warning(self.long_names.get(lower, 0), "%s is not an 8.3 "
                                    "name: tools that copy a disk the DOS way lose the "
                                    "long name" % name)
        clusters = 0
        entries = 1   # the volume label
        for lower, name in sorted(package.files.items()):
            try:
                size = os.path.getsize(os.path.join(package.folder, name))
            except OSError as e:
                self.report.error(0, "%s cannot be read: %s" % (name, e.strerror))
                continue
            clusters += (size + FLOPPY_CLUSTER - 1) // FLOPPY_CLUSTER
            entries += 1 if plain_8_3(name) else 1 + (len(name) + 12) // 13
        package.disk_used = clusters * FLOPPY_CLUSTER
        if clusters > FLOPPY_CLUSTERS:
            self.report.error(0, "the package takes %d bytes on a floppy; a 1.44 MB disk "
                              "holds %d" % (clusters * FLOPPY_CLUSTER,
                                            FLOPPY_CLUSTERS * FLOPPY_CLUSTER))
        if entries > FLOPPY_ROOT_ENTRIES:
            self.report.error(0, "%d folder entries; a 1.44 MB disk's root holds %d"
                              % (entries, FLOPPY_ROOT_ENTRIES))


def describe_fields(fields):
    names = ("file", "section", "key", "take out", "put in")
    return ", ".join("%s '%s'" % (names[i], f) for i, f in enumerate(fields))


def print_reading(folder, text, out):
    """How the script reads: the format of the test program that asks the
    Setup API and the profile functions themselves."""
    sections, by_name, failure = read_inf(text)
    strings = read_strings(by_name)
    opens = failure is None and "version" in by_name
    if opens:
        version = by_name["version"]
        sig = [l for l in version.lines if l.key and l.key.lower() == "signature"]
        cls = [l for l in version.lines if l.key and l.key.lower() == "class"]
        opens = bool(sig and sig[0].fields and sig[0].fields[0].lower() in
                     ("$chicago$", "$windows nt$", "$windows 95$"))
        opens = opens and bool(cls) and ",".join(
            substitute(f, strings) for f in cls[0].fields).lower() == CLASS.lower()
    out.write("open: %s\n" % ("yes" if opens else "no"))
    if opens:
        for section in sections:
            out.write("section %s\n" % section.name)
            for line in section.lines:
                key = substitute(line.key, strings) if line.key is not None else "<none>"
                out.write("line %s\n" % "|".join([key] + [substitute(f, strings)
                                                          for f in line.fields]))
    profile = read_profile(text)
    cycle = profile[0].get("qvxversion", {}).get("cycle")
    out.write("cycle: %s\n" % (profile_value(cycle[0])[:BANNER_MAX] if cycle else ""))
    for section in WORD_LISTS:
        read, _, _ = read_word_list(profile, section)
        for n, _, _, fields, _ in read:
            if fields is None:
                out.write("words %s %d: skipped\n" % (section, n))
            else:
                padded = fields + [""] * (5 - len(fields))
                out.write("words %s %d: %s\n" % (section, n, "|".join(padded)))


def main(argv):
    args = argv[1:]
    name = None
    reading = False
    only = None
    while args and args[0].startswith("--"):
        if args[0] == "--reading":
            reading = True
            args = args[1:]
        elif args[0] == "--files" and len(args) > 1:
            try:
                with open(args[1]) as f:
                    only = {l.strip().lower() for l in f if l.strip()}
            except OSError as e:
                sys.stderr.write("check_package.py: %s: %s\n" % (args[1], e.strerror))
                return 2
            args = args[2:]
        elif args[0] == "--as" and len(args) > 1:
            name = args[1]
            args = args[2:]
        else:
            break
    if len(args) != 1 or not os.path.isdir(args[0]):
        sys.stderr.write("usage: check_package.py [--as SCRIPT_NAME] [--files LIST] "
                         "[--reading] PACKAGE_FOLDER\n")
        return 2
    folder = args[0]
    files = {n.lower(): n for n in os.listdir(folder)}
    script = os.path.join(folder, files.get(SCRIPT, SCRIPT))
    report = Report(name or script)
    try:
        with open(script, "rb") as f:
            data = f.read()
    except OSError as e:
        report.error(0, "cannot read the installation script: %s" % e.strerror)
        report.emit(sys.stderr)
        return 1
    # Windows 95 reads the script as ANSI text; the byte-order marks that
    # newer Windows and Wine understand are text before the first section
    # there.
    encoding = None
    if data.startswith(b"\xef\xbb\xbf"):
        encoding, data = "UTF-8", data[3:]
    elif data.startswith((b"\xff\xfe", b"\xfe\xff")):
        encoding = "UTF-16"
        data = data.decode("utf-16", errors="replace").encode("cp1252", errors="replace")
    text = data.decode("cp1252", errors="replace")
    if reading:
        print_reading(folder, text, sys.stdout)
        return 0
    if encoding:
        report.error(1, "the script is saved as %s: Windows 95 reads it as ANSI text and "
                     "cannot open it" % encoding)
    package = Package(folder, only)
    Checker(package, text, report).run()
    report.emit(sys.stderr)
    errors, warnings = report.count("error"), report.count("warning")
    used = getattr(package, "disk_used", 0)
    sys.stderr.write("%s: %d error%s, %d warning%s; %d files%s, %d of %d bytes free on "
                     "a 1.44 MB floppy\n"
                     % (report.name, errors, "" if errors == 1 else "s", warnings,
                        "" if warnings == 1 else "s", len(package.files),
                        "" if package.programs else " (and the programs the build adds)",
                        FLOPPY_CLUSTERS * FLOPPY_CLUSTER - used,
                        FLOPPY_CLUSTERS * FLOPPY_CLUSTER))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
