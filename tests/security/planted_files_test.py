"""Someone who may only create files in the service's folder or in http\\data tries to
make an administrator's run of the tool or the companion load their code, or write or
delete a file elsewhere. Wine prefers a DLL beside the program for the planted names, as
Windows does for every DLL that is not a KnownDLL.
    planted_files_test.py TOOL CMD SERVICE PLANTED-DLL PROBE SCRIPTS SIMULATOR-CONTROL OBJDUMP
"""
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import unittest

TOOL, CMD, SERVICE, PLANTED, PROBE, SCRIPTS, CONTROL, OBJDUMP = sys.argv[1:9]
WINERUN = os.path.join(SCRIPTS, "winerun")
PLANTED_NAMES = ("bcrypt.dll", "iphlpapi.dll", "comctl32.dll")
PREFER_PLANTED = "bcrypt,iphlpapi,comctl32=n,b"
# The DLLs Windows always takes from the system directory.
KNOWN_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "ws2_32.dll", "msvcrt.dll", "advapi32.dll", "ole32.dll",
              "shell32.dll", "comdlg32.dll", "shlwapi.dll", "rpcrt4.dll", "sechost.dll", "imm32.dll"}
DIALOG_CAPTION = "Norrin Glassway - Change Controller"


def simulate_one_controller():
    """Leaves one controller, ups-lobby at 127.0.0.2, in the fixture's simulator."""
    host, port = CONTROL.split(":")
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as control:
        control.settimeout(5)
        for command in ("reset", "node 127.0.0.2 ups-lobby"):
            control.sendto(command.encode("latin-1"), (host, int(port)))
            reply = control.recv(4096).decode("latin-1")
            assert reply.startswith("ok"), f"simulator refused {command!r}: {reply}"


def run(program, *arguments, cwd, overrides=PREFER_PLANTED):
    """Runs a Windows program; returns (exit code, standard output, standard error)."""
    environment = dict(os.environ, WINERUN_DLLOVERRIDES=overrides)
    done = subprocess.run([WINERUN, program, *arguments], cwd=cwd, env=environment, capture_output=True,
                          stdin=subprocess.DEVNULL, timeout=120)
    return done.returncode, done.stdout.decode("latin-1"), done.stderr.decode("latin-1")


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class PlantedFiles(unittest.TestCase):
    def setUp(self):
        simulate_one_controller()
        self.root = tempfile.mkdtemp(prefix="cc-planted-")
        self.addCleanup(shutil.rmtree, self.root, True)
        self.service = os.path.join(self.root, "service")
        os.makedirs(os.path.join(self.service, "http", "data"))
        shutil.copy(SERVICE, os.path.join(self.service, "NorrinGlasswayService.exe"))
        with open(os.path.join(self.service, "GlasswayConfig.ini"), "w", newline="") as file:
            file.write("[NorrinGlassway]\r\nIPAddress=old\r\nRefreshRate=30000\r\n")

    def plant_dlls_beside(self, *programs):
        for program in programs:
            shutil.copy(program, self.service)
        for name in PLANTED_NAMES:
            shutil.copy(PLANTED, os.path.join(self.service, name))

    def markers(self):
        return sorted(name for name in os.listdir(self.service) if name.endswith(".loaded"))

    def test_a_planted_dll_is_taken_by_a_program_that_does_not_defend_itself(self):
        # Shows that the planting below is effective in this Wine setup.
        self.plant_dlls_beside(PROBE)
        code, _, err = run(os.path.basename(PROBE), "load", "iphlpapi.dll", cwd=self.service)
        self.assertEqual(code, 0, err)
        self.assertEqual(self.markers(), ["iphlpapi.dll.loaded"])

    def test_both_programs_work_without_loading_a_planted_dll(self):
        self.plant_dlls_beside(TOOL, CMD)
        tool = windows_path(os.path.join(self.service, os.path.basename(TOOL)))
        code, _, err = run(PROBE, "dialog", tool, DIALOG_CAPTION, cwd=self.service)
        self.assertEqual((code, self.markers()), (0, []), "the dialog: " + err)
        code, out, err = run(os.path.basename(CMD), "list", "--time", "2", cwd=self.service)
        self.assertEqual((code, self.markers()), (0, []), "list: " + err)
        self.assertIn("ups-lobby", out)

    def test_only_known_dlls_are_imported_at_load_time(self):
        # Any other DLL is delay-loaded, or the loader takes it before the program restricts the search.
        for program in (TOOL, CMD):
            dump = subprocess.run([OBJDUMP, "-p", program], capture_output=True, text=True, check=True).stdout
            imported = {line.split(":", 1)[1].strip().lower() for line in dump.splitlines() if "DLL Name:" in line}
            self.assertTrue(imported, program)
            self.assertLessEqual(imported, KNOWN_DLLS, program)
            # The C library is Windows' own, as the administrator's guide says; the compiler's
            # runtime (libstdc++, libgcc, winpthreads, libssp) is linked in, so no DLL of it above.
            self.assertIn("msvcrt.dll", imported, program)

    def test_a_link_at_the_old_temporary_name_and_its_target_survive_a_set(self):
        victim = os.path.join(self.root, "victim.txt")
        with open(victim, "w") as file:
            file.write("precious")
        link = os.path.join(self.service, "http", "data", "refreshRate.xml.tmp")
        os.symlink(victim, link)
        shutil.copy(CMD, self.service)

        code, out, err = run(os.path.basename(CMD), "set", "127.0.0.2", "--refresh-rate", "45",
                             "--dir", windows_path(self.service), cwd=self.service, overrides="")
        self.assertEqual(code, 0, out + err)
        with open(os.path.join(self.service, "http", "data", "refreshRate.xml")) as file:
            self.assertIn(">45000<", file.read())
        self.assertEqual(os.readlink(link), victim)
        with open(victim) as file:
            self.assertEqual(file.read(), "precious")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
