"""Each program carries one application manifest, read back from the built executable:
the rights it asks for (the dialog an administrator's, the companion the caller's),
Windows 10 and 11 declared as supported, and the project's version as its own.
    manifest_check.py TOOL CMD VERSION
Needs pefile (Debian's python3-pefile).
"""
import os
import sys
import unittest
import xml.etree.ElementTree as ElementTree

import pefile

TOOL, CMD, VERSION = sys.argv[1:4]
RT_MANIFEST = pefile.RESOURCE_TYPE["RT_MANIFEST"]
WINDOWS_10_AND_11 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
NAMESPACES = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3",
              "compatibility": "urn:schemas-microsoft-com:compatibility.v1"}


def manifests(program):
    """The RT_MANIFEST resources of `program`, as (resource id, bytes)."""
    pe = pefile.PE(program)
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return []
    found = []
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != RT_MANIFEST:
            continue
        for entry in kind.directory.entries:
            for language in entry.directory.entries:
                data = language.data.struct
                found.append((entry.id, pe.get_data(data.OffsetToData, data.Size)))
    return found


class Manifests(unittest.TestCase):
    def test_each_program_declares_its_rights_the_supported_windows_and_its_version(self):
        for program, level in ((TOOL, "requireAdministrator"), (CMD, "asInvoker")):
            with self.subTest(program=os.path.basename(program)):
                found = manifests(program)
                # Resource 1 is the manifest Windows reads when it creates the process.
                self.assertEqual([resource for resource, _ in found], [1])
                root = ElementTree.fromstring(found[0][1])
                requested = root.findall(".//v3:requestedExecutionLevel", NAMESPACES)
                self.assertEqual([(item.get("level"), item.get("uiAccess")) for item in requested],
                                 [(level, "false")])
                supported = [item.get("Id") for item in root.findall(".//compatibility:supportedOS", NAMESPACES)]
                self.assertEqual(supported, [WINDOWS_10_AND_11])
                # An assembly version has four parts; the project's has three.
                identity = root.findall("v1:assemblyIdentity", NAMESPACES)
                self.assertEqual([item.get("version") for item in identity], [VERSION + ".0"])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
