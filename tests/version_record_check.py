"""Each program carries one version record of its own, read back from the built
executable by windres, with the CMake project's version.
    version_record_check.py WINDRES VERSION EXE...
"""
import os
import re
import subprocess
import sys
import unittest

WINDRES, VERSION, *PROGRAMS = sys.argv[1:]


def version_records(exe):
    """The VERSIONINFO blocks of `exe`'s resources, as decompiled text."""
    text = subprocess.run([WINDRES, "-i", exe, "-O", "rc"], check=True, capture_output=True,
                          text=True, encoding="latin-1").stdout
    return re.findall(r"^\S+ VERSIONINFO\n.*?^END$", text, re.MULTILINE | re.DOTALL)


def string_value(record, key):
    found = re.search(rf'VALUE "{key}", "([^"]*)"', record)
    return found.group(1) if found else None


class VersionRecords(unittest.TestCase):
    def test_each_program_names_itself_with_the_project_version(self):
        numbers = ", ".join(VERSION.split(".") + ["0"])
        for exe in PROGRAMS:
            name = os.path.basename(exe)
            with self.subTest(program=name):
                records = version_records(exe)
                self.assertEqual(len(records), 1, f"{name} carries {len(records)} version records")
                record = records[0]
                self.assertIn(f"FILEVERSION {numbers}\n", record)
                self.assertIn(f"PRODUCTVERSION {numbers}\n", record)
                self.assertEqual(string_value(record, "FileVersion"), VERSION)
                self.assertEqual(string_value(record, "ProductVersion"), VERSION)
                self.assertEqual(string_value(record, "OriginalFilename"), name)
                self.assertEqual(string_value(record, "InternalName"), os.path.splitext(name)[0])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
