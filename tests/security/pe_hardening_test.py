"""The compiler's and the linker's defences, read back from both built programs: the PE
header's marks, the sections' rights, and the stack protector's checks in the
programs' own functions (a PE flag cannot show those; only the code can).
    pe_hardening_test.py OBJDUMP PROGRAM...
Needs pefile (Debian's python3-pefile).
"""
import os
import re
import subprocess
import sys
import unittest

import pefile

OBJDUMP, *PROGRAMS = sys.argv[1:]

# Functions that read what others control, each of which must check its stack cookie:
# the parser of the controllers' answers and the reader of the settings file.
GUARDED_FUNCTIONS = ("nrproto::DecodeAnswer(", "cc::ReadSetting(")
CHECK_FAILED_CALL = re.compile(r"(call|jmp) .*<__stack_chk_fail>")
# How libssp seeds the guard: it loads and sets up the crypto providers before main,
# tens of milliseconds of every start. framework/StackGuard.cpp takes its place.
SLOW_GUARD_SEEDING = {b"CryptAcquireContextA", b"CryptAcquireContextW", b"CryptGenRandom"}
FUNCTION_LABEL = re.compile(r"^[0-9a-f]+ <(.+)>:$")


def callers(program, callee):
    """The (demangled) names of the functions of `program` that call or jump to what `callee` matches."""
    found = set()
    function = None
    with subprocess.Popen([OBJDUMP, "-d", "-C", "--no-show-raw-insn", program], stdout=subprocess.PIPE, text=True) as dump:
        for line in dump.stdout:
            label = FUNCTION_LABEL.match(line)
            if label:
                function = label.group(1)
            elif function and callee.search(line):
                found.add(function)
    if dump.returncode:
        raise RuntimeError(f"{OBJDUMP} -d {program} failed")
    return found


class Hardening(unittest.TestCase):
    def test_aslr_high_entropy_and_dep_are_marked_and_the_image_can_be_relocated(self):
        for program in PROGRAMS:
            with self.subTest(program=os.path.basename(program)):
                pe = pefile.PE(program, fast_load=True)
                marks = pe.OPTIONAL_HEADER.DllCharacteristics
                for flag in ("DYNAMIC_BASE", "HIGH_ENTROPY_VA", "NX_COMPAT"):
                    self.assertTrue(marks & pefile.DLL_CHARACTERISTICS["IMAGE_DLLCHARACTERISTICS_" + flag], flag)
                # ASLR moves only an image that keeps its relocations.
                self.assertFalse(pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_RELOCS_STRIPPED"])
                relocations = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
                self.assertGreater(relocations.Size, 0)

    def test_no_section_is_both_writable_and_executable(self):
        writable = pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_WRITE"]
        executable = pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_EXECUTE"]
        for program in PROGRAMS:
            with self.subTest(program=os.path.basename(program)):
                sections = pefile.PE(program, fast_load=True).sections
                self.assertTrue(any(section.Characteristics & executable for section in sections))
                both = [section.Name.rstrip(b"\0").decode() for section in sections
                        if section.Characteristics & writable and section.Characteristics & executable]
                self.assertEqual(both, [])

    def test_the_parsers_of_untrusted_input_check_their_stack_cookie(self):
        for program in PROGRAMS:
            with self.subTest(program=os.path.basename(program)):
                checking = callers(program, CHECK_FAILED_CALL)
                for function in GUARDED_FUNCTIONS:
                    self.assertTrue(any(name.startswith(function) for name in checking),
                                    f"{function}...) never calls __stack_chk_fail")

    def test_the_guard_is_not_seeded_through_the_crypto_providers(self):
        for program in PROGRAMS:
            with self.subTest(program=os.path.basename(program)):
                pe = pefile.PE(program)
                imported = {entry.name for dll in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []) for entry in dll.imports}
                self.assertIn(b"GetProcAddress", imported)  # the import table was read
                self.assertEqual(imported & SLOW_GUARD_SEEDING, set())


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
