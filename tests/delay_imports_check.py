"""The DLLs the programs delay-load are named in two places: the CMake files, which build
a delay-load import library for each, and framework/SystemDlls.cpp, which loads each from
the system directory before the program's own code can use it. Checks that both places
name the same DLLs, and in the built programs that every delay-loaded DLL is on that list,
that every DLL on it is delay-loaded by a program, and that none of them is imported the
ordinary way as well (the loader would look for it beside the program before any of the
program's code runs).
    delay_imports_check.py REPOSITORY-ROOT PROGRAM...
Needs pefile (Debian's python3-pefile).
"""
import os
import pathlib
import re
import struct
import sys
import unittest

import pefile

ROOT = pathlib.Path(sys.argv[1])
PROGRAMS = sys.argv[2:]
# foreach(dll a b c) add_delay_import_library(${dll}_delayed ${dll}) endforeach()
FOREACH_CALL = re.compile(r"foreach\(\s*(\w+)\s+([^)]*)\)\s*add_delay_import_library\(\s*\S+\s+\$\{\1\}\s*\)")
# add_delay_import_library(target dll), with the DLL named literally
LITERAL_CALL = re.compile(r"add_delay_import_library\(\s*\S+\s+(\w+)\s*\)")
SYSTEM_DLL_LIST = re.compile(r"kDelayLoadedDlls\[\]\s*=\s*\{([^}]*)\}")
DLL_FILE_NAME = re.compile(rb"([A-Za-z0-9_.-]{1,64}\.dll)\0", re.I)


def dll_name(text):
    name = text.strip().lower()
    return name if name.endswith(".dll") else name + ".dll"


def cmake_files():
    """The repository's CMake files, build trees left out."""
    for directory, subdirectories, files in os.walk(ROOT):
        subdirectories[:] = sorted(d for d in subdirectories if not d.startswith(("build", ".")))
        for name in sorted(files):
            if name == "CMakeLists.txt" or name.endswith(".cmake"):
                yield pathlib.Path(directory) / name


def cmake_delay_loaded():
    """The DLLs the CMake files make delay-load import libraries for."""
    names = set()
    for path in cmake_files():
        text = re.sub(r"#[^\n]*", "", path.read_text())
        for _, listed in FOREACH_CALL.findall(text):
            names.update(dll_name(word) for word in listed.split())
        names.update(dll_name(name) for name in LITERAL_CALL.findall(text))
    return names


def system_directory_list():
    """The DLLs that framework/SystemDlls.cpp loads from the system directory."""
    match = SYSTEM_DLL_LIST.search((ROOT / "framework" / "SystemDlls.cpp").read_text())
    if not match:
        return None
    return {dll_name(name) for name in re.findall(r'"([^"]+)"', match.group(1))}


def delay_descriptors(pe):
    """The DLL names of the delay-load descriptors in the image. GNU ld leaves the
    delay-import directory empty, so the descriptors are found by their shape: eight
    32-bit fields, the first 1 (addresses are RVAs), then the RVAs of the DLL's name, of
    its module handle, of its address table and of its name table, all inside the image,
    the name being a DLL's file name."""
    image = pe.get_memory_mapped_image()
    size = pe.OPTIONAL_HEADER.SizeOfImage
    names = set()
    for offset in range(0, len(image) - 32, 4):
        attributes, name, module, addresses, imported_names = struct.unpack_from("<5I", image, offset)
        if attributes != 1 or not all(0 < rva < size for rva in (name, module, addresses, imported_names)):
            continue
        match = DLL_FILE_NAME.match(image, name)
        if match:
            names.add(match.group(1).decode().lower())
    return names


def imports_of(program):
    """The DLLs `program` imports the ordinary way, and those it delay-loads."""
    pe = pefile.PE(program)
    ordinary = {entry.dll.decode().lower() for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])}
    delayed = {entry.dll.decode().lower() for entry in getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])}
    return ordinary, delayed | delay_descriptors(pe)


class DelayLoadedDlls(unittest.TestCase):
    def test_the_build_and_the_loader_name_the_same_dlls(self):
        listed = system_directory_list()
        self.assertIsNotNone(listed, "framework/SystemDlls.cpp has no kDelayLoadedDlls list")
        built = cmake_delay_loaded()
        self.assertTrue(built, "no add_delay_import_library call found in the CMake files")
        self.assertEqual(built - listed, set(), "delay-loaded by the build but not loaded from the system directory")
        self.assertEqual(listed - built, set(), "loaded from the system directory but not delay-loaded by the build")

    def test_the_programs_delay_load_exactly_the_listed_dlls_and_import_none_of_them(self):
        listed = system_directory_list()
        self.assertTrue(PROGRAMS, "no program given")
        delayed_by_any = set()
        for program in PROGRAMS:
            with self.subTest(program=os.path.basename(program)):
                ordinary, delayed = imports_of(program)
                delayed_by_any |= delayed
                self.assertEqual(delayed - listed, set(), "delay-loaded but not loaded from the system directory")
                self.assertEqual(ordinary & listed, set(), "imported the ordinary way as well")
        self.assertEqual(listed - delayed_by_any, set(), "listed but delay-loaded by no program")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
