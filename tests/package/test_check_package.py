#!/usr/bin/env python3
"""The package check against the sample package and one broken copy of it
per rule: each broken script must be reported on the right line, and only
faults may fail the check."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
CHECK = os.path.join(ROOT, "cmake", "check_package.py")
SAMPLE = os.path.join(ROOT, "package")
PROGRAMS = ("setup.exe", "pruninst.exe", "ptrsniff.exe")


class PackageCheck(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="qvx-pkgcheck-")
        self.folder = os.path.join(self.tmp, "package")
        shutil.copytree(SAMPLE, self.folder)
        for name in PROGRAMS:
            with open(os.path.join(self.folder, name), "wb") as f:
                f.write(b"MZ" + b"\0" * 1000)
        with open(os.path.join(self.folder, "setup.ini")) as f:
            self.script = f.read()

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def edit(self, old, new):
        self.assertIn(old, self.script, "the sample no longer holds the text to edit")
        self.script = self.script.replace(old, new, 1)

    def line_of(self, text):
        for number, line in enumerate(self.script.split("\n"), 1):
            if text in line:
                return number
        self.fail("no line holds %r" % text)

    def check(self, *options):
        with open(os.path.join(self.folder, "setup.ini"), "w") as f:
            f.write(self.script)
        run = subprocess.run([sys.executable, CHECK, "--as", "setup.ini"] + list(options)
                             + [self.folder], capture_output=True, text=True)
        self.messages = run.stderr.strip().split("\n")[:-1]
        return run.returncode

    def assertReported(self, kind, line, words):
        prefix = "setup.ini:%d: %s: " % (line, kind) if line else "setup.ini: %s: " % kind
        found = [m for m in self.messages if m.startswith(prefix) and words in m]
        self.assertTrue(found, "no %r with %r among:\n%s" % (prefix, words,
                                                              "\n".join(self.messages)))

    def assertClean(self):
        self.assertEqual(self.check(), 0, "\n".join(self.messages))
        self.assertEqual(self.messages, [])

    def assertFails(self, line, words):
        self.assertEqual(self.check(), 1, "\n".join(self.messages))
        self.assertReported("error", line, words)

    def assertWarns(self, line, words):
        self.assertEqual(self.check(), 0, "\n".join(self.messages))
        self.assertReported("warning", line, words)
        self.assertFalse([m for m in self.messages if ": error: " in m])


class SamplePackage(PackageCheck):
    def test_sample_is_clean(self):
        self.assertClean()

    def test_vendor_folder_before_the_build_adds_the_programs(self):
        for name in PROGRAMS:
            os.remove(os.path.join(self.folder, name))
        self.assertClean()

    def test_deleting_an_old_driver_on_installation(self):
        self.edit("CopyFiles=ClassFiles,UninstallerFiles",
                  "CopyFiles=ClassFiles,UninstallerFiles\nDelFiles=OldDriver")
        self.edit("DriverFiles=11", "DriverFiles=11\nOldDriver=11")
        self.script += "\n[OldDriver]\nqvxold.drv\n"
        self.assertClean()

    def test_saved_with_a_byte_order_mark(self):
        self.script = "\ufeff" + self.script
        with open(os.path.join(self.folder, "setup.ini"), "w", encoding="utf-8") as f:
            f.write(self.script)
        run = subprocess.run([sys.executable, CHECK, "--as", "setup.ini", self.folder],
                             capture_output=True, text=True)
        self.assertEqual(run.returncode, 1)
        self.assertIn("setup.ini:1: error: the script is saved as UTF-8", run.stderr)

    def test_usage_without_a_folder(self):
        run = subprocess.run([sys.executable, CHECK], capture_output=True, text=True)
        self.assertEqual(run.returncode, 2)
        self.assertTrue(run.stderr.startswith("usage: check_package.py"))


class Files(PackageCheck):
    def test_misspelt_driver_file(self):
        self.edit("[DriverFiles]\nWTQVX.DRV", "[DriverFiles]\nWTQVX.DRX")
        self.assertFails(self.line_of("WTQVX.DRX"), "WTQVX.DRX is not in the package folder")

    def test_file_removed_from_the_folder(self):
        os.remove(os.path.join(self.folder, "tpadvx.386"))
        self.assertFails(self.line_of("[ClassFiles]") + 1, "tpadvx.386 is not in the package")

    def test_only_the_listed_files_ship(self):
        listed = os.path.join(self.tmp, "files")
        with open(listed, "w") as f:
            f.write("setup.ini\nsetup.exe\npruninst.exe\nptrsniff.exe\ntpadvx.386\n")
        self.assertEqual(self.check("--files", listed), 1)
        self.assertReported("error", self.line_of("[DriverFiles]") + 1, "WTQVX.DRV is not in")

    def test_copied_file_not_in_source_disks(self):
        self.edit("WTQVX.DRV=1\n", "")
        self.assertWarns(self.line_of("[DriverFiles]") + 1, "not in [SourceDisksFiles]")

    def test_unknown_disk(self):
        self.edit("tpadvx.386=1", "tpadvx.386=2")
        self.assertFails(self.line_of("tpadvx.386=2"), "[SourceDisksNames] does not name")

    def test_no_destination(self):
        self.edit("DefaultDestDir=11\n", "")
        self.edit("DriverFiles=11\n", "")
        self.assertFails(self.line_of("[DriverFiles]"), "no [DestinationDirs] entry")

    def test_file_in_a_subfolder(self):
        os.mkdir(os.path.join(self.folder, "drivers"))
        os.rename(os.path.join(self.folder, "WTQVX.DRV"),
                  os.path.join(self.folder, "drivers", "WTQVX.DRV"))
        self.edit("WTQVX.DRV=1", "WTQVX.DRV=1,drivers")
        self.assertFails(self.line_of("[DriverFiles]") + 1, "the package's top folder only")

    def test_uninstaller_without_its_script(self):
        self.edit("[UninstallerFiles]\npruninst.exe\nsetup.ini", "[UninstallerFiles]\npruninst.exe")
        self.assertFails(self.line_of("[UninstallerFiles]") + 1, "would find no script")

    def test_unreadable_file(self):
        os.symlink(os.path.join(self.tmp, "gone"), os.path.join(self.folder, "gone.txt"))
        self.assertFails(0, "gone.txt cannot be read")

    def test_file_nothing_names(self):
        with open(os.path.join(self.folder, "readme.txt"), "w") as f:
            f.write("x")
        self.assertWarns(0, "readme.txt is in the package folder, but nothing")

    def test_long_file_name(self):
        with open(os.path.join(self.folder, "PenrelTablet.hlp"), "w") as f:
            f.write("help")
        self.edit("WTQVX.DRV=1", "WTQVX.DRV=1\nPenrelTablet.hlp=1")
        self.edit("[DriverFiles]\nWTQVX.DRV", "[DriverFiles]\nWTQVX.DRV\nPenrelTablet.hlp")
        self.assertWarns(self.line_of("[DriverFiles]") + 2, "not an 8.3 name")
        self.assertEqual(len([m for m in self.messages if "8.3" in m]), 1, self.messages)

    def test_installed_but_never_removed(self):
        self.edit("DelFiles=DriverFiles", "DelFiles=")
        self.assertWarns(self.line_of("[DriverFiles]") + 1,
                         "WTQVX.DRV is installed but the removal never deletes it")

    def test_installer_beside_the_uninstaller(self):
        self.edit("[UninstallerFiles]\npruninst.exe", "[UninstallerFiles]\npruninst.exe\nsetup.exe")
        self.edit("pruninst.exe=1", "pruninst.exe=1\nsetup.exe=1")
        self.assertFails(self.line_of("[UninstallerFiles]") + 2, "installed beside pruninst.exe")

    def test_too_many_names_for_the_floppys_root(self):
        # Mixed case takes a long-name entry too; the label takes one.
        for n in range(111):
            with open(os.path.join(self.folder, "Note%d.txt" % n), "w") as f:
                f.write("x")
        self.assertEqual(self.check(), 1)
        self.assertReported("error", 0, "a 1.44 MB disk's root holds 224")

    def test_package_too_big_for_the_floppy(self):
        with open(os.path.join(self.folder, "tpadvx.386"), "wb") as f:
            f.write(b"\0" * 1460000)
        self.assertFails(0, "a 1.44 MB disk holds 1457664")


class Sections(PackageCheck):
    def test_copy_names_a_missing_section(self):
        self.edit("CopyFiles=DriverFiles", "CopyFiles=DriverFile")
        self.assertFails(self.line_of("CopyFiles=DriverFile"),
                         "names section [DriverFile], which the script does not have")

    def test_required_section_missing(self):
        self.edit("[Uninstall]", "[Uninstal]")
        self.assertFails(0, "no section [Uninstall]")

    def test_another_class(self):
        self.edit("Class=QuorvixDevice", "Class=QuorvixDevices")
        self.assertFails(self.line_of("Class="), "must name the class QuorvixDevice")

    def test_signature_of_windows_nt(self):
        self.edit('Signature="$CHICAGO$"', 'Signature="$Windows NT$"')
        self.assertFails(self.line_of("Signature"), "Windows 95 script only")

    def test_line_before_the_first_section(self):
        self.edit("[Version]", "Penrel driver\n[Version]")
        self.assertFails(self.line_of("Penrel driver"), "cannot open the script")

    def test_directive_the_section_never_carries_out(self):
        self.edit("UpdateInis=DriverInis", "UpdateInis=DriverInis\nAddReg=UninstallerAddReg")
        self.assertWarns(self.line_of("AddReg=UninstallerAddReg"), "AddReg is never carried out")

    def test_undefined_string_in_a_section_nothing_uses(self):
        self.script += "\n[OldAddReg]\nHKLM,%OldKey%,Old\n"
        self.assertWarns(self.line_of("%OldKey%"), "%OldKey% is not defined")

    def test_unused_section(self):
        self.script += "\n[OldDriverFiles]\nqvxold.drv\n"
        self.assertWarns(self.line_of("[OldDriverFiles]"), "[OldDriverFiles] is never used")


class Strings(PackageCheck):
    def test_undefined_string(self):
        self.edit("DisplayName,,%ProductName%", "DisplayName,,%ProductNam%")
        self.assertFails(self.line_of("%ProductNam%"), "%ProductNam% is not defined")

    def test_percent_sign_and_directory_id_are_not_strings(self):
        self.edit("DisplayName,,%ProductName%", "DisplayName,,%ProductName% 100%%")
        self.assertClean()

    def test_class_named_through_a_string(self):
        self.edit("Class=QuorvixDevice", "Class=%DeviceClass%")
        self.edit('Penrel="Penrel"', 'Penrel="Penrel"\nDeviceClass="QuorvixDevice"')
        self.assertClean()

    def test_string_in_the_banner(self):
        self.edit('Cycle="Penrel', 'Cycle="%Penrel%')
        self.assertFails(self.line_of("Cycle="), "%Penrel% stays as written in the banner")


class WordLists(PackageCheck):
    ADD = "1=system.ini,386Enh,Pointing, ,tpadvx.386"

    def test_two_commas_move_the_fields_up(self):
        self.edit(self.ADD, "1=system.ini,386Enh,Pointing,,tpadvx.386")
        self.assertFails(self.line_of("Pointing,,"), "take out 'tpadvx.386'")

    def test_comment_after_a_directive(self):
        self.edit(self.ADD, self.ADD + " ; the pointer driver")
        self.assertFails(self.line_of("; the pointer driver"),
                         "the profile functions know no comments")

    def test_continued_directive(self):
        self.edit(self.ADD, "1=system.ini,386Enh,Pointing, \\\n ,tpadvx.386")
        self.assertFails(self.line_of("Pointing, \\"), "continue none")

    def test_comment_on_the_header_line(self):
        self.edit("[MyUpdateIniFields]", "[MyUpdateIniFields] ; edits [boot]")
        self.assertFails(self.line_of("[MyUpdateIniFields]"), "never find [MyUpdateIniFields]")

    def test_gap_in_the_numbering(self):
        self.edit(self.ADD, "2=" + self.ADD[2:])
        self.assertFails(self.line_of("2=system.ini"), "never read")

    def test_empty_entry_ends_the_list(self):
        self.edit(self.ADD, '1=""\n2=' + self.ADD[2:])
        self.assertFails(self.line_of("2=system.ini"), "never read")

    def test_text_after_the_fifth_field(self):
        self.edit(self.ADD, self.ADD + ",tpold.386")
        self.assertWarns(self.line_of("tpold.386"), "after the fifth field is ignored")

    def test_too_few_fields(self):
        self.edit(self.ADD, "1=system.ini,386Enh")
        self.assertFails(self.line_of("1=system.ini,386Enh"), "fewer than three fields")

    def test_field_too_long(self):
        self.edit(self.ADD, "1=system.ini,386Enh,Pointing, ,tpadvx-pointing-driver-rel-2.1.386")
        self.assertFails(self.line_of("tpadvx-pointing"), "over 31 characters")

    def test_no_word_at_all(self):
        self.edit(self.ADD, "1=system.ini,386Enh,Pointing")
        self.assertFails(self.line_of("1=system.ini,386Enh,Pointing"),
                         "write an empty value over the whole list")

    def test_quoted_word(self):
        self.edit(self.ADD, '1=system.ini,386Enh,Pointing, ,"tpadvx.386"')
        self.assertFails(self.line_of('"tpadvx.386"'), "keep the quotes")

    def test_whole_value_quoted_is_read_unquoted(self):
        self.edit(self.ADD, '1="system.ini,386Enh,Pointing, ,tpadvx.386"')
        self.assertClean()

    def test_word_with_a_blank(self):
        self.edit(self.ADD, "1=system.ini,386Enh,Pointing, ,tpadvx.386 tpmore.386")
        self.assertFails(self.line_of("tpmore.386"), "holds a blank")

    def test_blank_before_a_comma_stays(self):
        self.edit(self.ADD, "1=system.ini,386Enh,Pointing, ,tpadvx.386 ,")
        self.assertFails(self.line_of("tpadvx.386 ,"), "ends in a blank")

    def test_string_in_a_directive(self):
        self.edit(self.ADD, "1=system.ini,386Enh,Pointing, ,%Driver%")
        self.assertFails(self.line_of("%Driver%"), "replace no strings")

    def test_added_word_never_taken_out(self):
        self.edit("1=system.ini,386Enh,Pointing,tpadvx.386", "1=system.ini,386Enh,Pointer,tpadvx.386")
        self.assertEqual(self.check(), 1)
        self.assertReported("error", self.line_of(self.ADD), "never takes it out")
        self.assertReported("warning", self.line_of("Pointer,tpadvx.386"),
                            "does not put in")


if __name__ == "__main__":
    unittest.main(verbosity=1)
