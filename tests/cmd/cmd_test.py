"""The command-line program under Wine against the controller simulator: what it lists,
how it applies a choice, and how it refuses bad arguments.

Run by ctest inside the test namespace (the simulator fixture is up):
    cmd_test.py CMD-EXE STAND-IN-SERVICE-EXE SCRIPTS-DIR SIMULATOR-CONTROL VERSION [CLASS...]
SIMULATOR-CONTROL is the simulator's control address, HOST:PORT; VERSION is the
project's version, which --version must print; CLASS names a test class to run
(CommandLineProgram, or AnsiblePlaybook, which runs the example playbook).
"""
import csv
import io
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

CMD, SERVICE, SCRIPTS, CONTROL, VERSION = sys.argv[1:6]
WINERUN = os.path.join(SCRIPTS, "winerun")


def simulator(command):
    host, port = CONTROL.split(":")
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as control:
        control.settimeout(5)
        control.sendto(command.encode("latin-1"), (host, int(port)))
        reply = control.recv(4096).decode("latin-1")
    if not reply.startswith("ok"):
        raise AssertionError(f"simulator refused {command!r}: {reply}")
    return reply


def simulator_stats():
    return dict(field.split("=") for field in simulator("stats").split()[1:])


def run(*arguments):
    """Runs the program; returns (exit code, standard output, standard error), the bytes as they came."""
    done = subprocess.run([WINERUN, CMD, *arguments], capture_output=True, stdin=subprocess.DEVNULL, timeout=120)
    return done.returncode, done.stdout.decode("latin-1"), done.stderr.decode("latin-1")


def missing_directory():
    return windows_path(os.path.join(tempfile.gettempdir(), "cc-cmd-no-such-directory"))


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class ServiceDirectory:
    """A directory laid out like the web service's, with the stand-in service."""

    def __init__(self):
        self.path = tempfile.mkdtemp(prefix="cc-cmd-")
        os.makedirs(os.path.join(self.path, "http", "data"))
        shutil.copy(SERVICE, os.path.join(self.path, "NorrinGlasswayService.exe"))
        for name in ("upsprop.xml", "applist.xml", "eventlist.xml"):
            self.write(f"http/data/{name}", "<cached/>")
        self.write("GlasswayConfig.ini", "[NorrinGlassway]\r\nIPAddress=old\r\nRefreshRate=30000\r\n")

    def write(self, relative, text):
        with open(os.path.join(self.path, relative), "w", newline="") as file:
            file.write(text)

    def read(self, relative):
        try:
            with open(os.path.join(self.path, relative), newline="") as file:
                return file.read()
        except OSError:
            return None

    def stored(self, key):
        for line in (self.read("GlasswayConfig.ini") or "").splitlines():
            if line.startswith(key + "="):
                return line[len(key) + 1:]
        return None

    def service_log(self, lines):
        """The stand-in's log once it holds `lines` lines (its launches are not waited for)."""
        deadline = time.monotonic() + 30
        while True:
            log = (self.read("NorrinGlasswayService.log") or "").splitlines()
            if len(log) >= lines or time.monotonic() > deadline:
                return log
            time.sleep(0.05)

    def snapshot(self):
        """Every file's bytes but the service executable's, by its path inside the directory."""
        files = {}
        for folder, _, names in os.walk(self.path):
            for name in (name for name in names if not name.endswith(".exe")):
                with open(os.path.join(folder, name), "rb") as file:
                    files[os.path.relpath(os.path.join(folder, name), self.path)] = file.read()
        return files

    def cached_files(self):
        return sorted(name for name in os.listdir(os.path.join(self.path, "http", "data")) if name != "refreshRate.xml")

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)


class CommandLineProgram(unittest.TestCase):
    def setUp(self):
        simulator("reset")
        simulator("node 127.0.0.2 ups-lobby")
        simulator("node 127.0.0.3 Ups-Basement")
        simulator("node 127.0.0.4 ups-attic")
        simulator("member 127.0.0.5 rack-b 127.0.0.2")
        simulator("duplicates 2")
        self.service = ServiceDirectory()
        self.addCleanup(self.service.remove)

    def test_list_prints_controllers_sorted_without_members_or_duplicates(self):
        code, out, err = run("list")
        self.assertEqual(code, 0, err)
        lines = out.splitlines()
        self.assertEqual(lines[0].split(), ["Name", "IP", "Address"])
        self.assertEqual([line.split() for line in lines[1:]],
                         [["ups-attic", "127.0.0.4"], ["Ups-Basement", "127.0.0.3"], ["ups-lobby", "127.0.0.2"]])
        self.assertEqual(err, "", "no progress line when standard error is not a terminal")

    def test_csv_and_json_carry_any_host_name_and_the_members(self):
        simulator("reset")
        simulator("node 127.0.0.2 comma,name")
        simulator('node 127.0.0.3 quote"name\\x01\\x7f')
        simulator("member 127.0.0.4 rack,b 127.0.0.2")

        code, out, err = run("list", "--format", "csv", "--members")
        self.assertEqual(code, 0, err)
        rows = list(csv.DictReader(io.StringIO(out, newline="")))
        self.assertEqual(rows, [
            {"name": "comma,name", "address": "127.0.0.2", "role": "controller", "controller": ""},
            {"name": "quote\"name??", "address": "127.0.0.3", "role": "controller", "controller": ""},
            {"name": "rack,b", "address": "127.0.0.4", "role": "member", "controller": "127.0.0.2"},
        ])

        code, out, err = run("list", "/format:json")
        self.assertEqual(code, 0, err)
        self.assertEqual(json.loads(out), [{"name": "comma,name", "address": "127.0.0.2"},
                                           {"name": "quote\"name??", "address": "127.0.0.3"}])

    def test_range_is_swept_by_unicast(self):
        simulator("vacant 127.1.0.0 127.1.0.255")
        simulator("node 127.1.0.7 swept-a")
        simulator("node 127.1.0.200 swept-b")
        before = int(simulator_stats()["unicast"])
        code, out, err = run("list", "--format", "csv", "--range", "127.1.0.0/24")
        self.assertEqual(code, 0, err)
        names = [row["name"] for row in csv.DictReader(io.StringIO(out, newline=""))]
        self.assertIn("swept-a", names)
        self.assertIn("swept-b", names)
        self.assertGreaterEqual(int(simulator_stats()["unicast"]) - before, 254, "every address of the /24 queried")

    def test_show_prints_the_stored_choice_in_seconds(self):
        code, out, err = run("show", "--dir", windows_path(self.service.path))
        self.assertEqual(code, 0, err)
        self.assertEqual(out.splitlines(), ["Host Controller: old", "Refresh rate:    30 s"])
        code, out, err = run("show", "--dir", windows_path(self.service.path), "--format", "json")
        self.assertEqual((code, json.loads(out)), (0, {"controller": "old", "refreshSeconds": 30, "refreshMs": 30000}), err)
        self.assertIsNone(self.service.stored("Reset"), "show writes nothing")

    def set_controller(self, text, *options):
        return run("set", text, "--dir", windows_path(self.service.path), *options)

    def test_set_a_listed_name_or_an_address_applies_and_restarts(self):
        for text, options, milliseconds in (("UPS-LOBBY", (), "30000"), ("127.0.0.3", ("--refresh-rate", "45"), "45000"),
                                            ("127.0.0.4", ("/refresh-rate:7",), "20000")):
            with self.subTest(text=text):
                service = ServiceDirectory()
                self.addCleanup(service.remove)
                code, out, err = run("set", text, "--dir", windows_path(service.path), *options)
                self.assertEqual(code, 0, err)
                self.assertEqual(out.splitlines(), ["Updating the Host Controller settings was successful",
                                                    "was old, 30 s"])
                self.assertEqual(service.stored("IPAddress"), text)
                self.assertEqual(service.stored("RefreshRate"), milliseconds)
                self.assertEqual(service.stored("Reset"), "1")
                self.assertIn(f">{milliseconds}</OBJECT>", service.read("http/data/refreshRate.xml"))
                log = service.service_log(2)
                self.assertEqual([line.split(" cmdline=")[1].split()[-1] for line in log], ["-k", "-s"])
                self.assertEqual(service.cached_files(), [])

    def test_set_refuses_member_nodes_and_silent_addresses(self):
        simulator("silent 127.0.0.4 on")
        simulator("node 127.0.0.66 127.0.0.77")  # an address is never taken for a host name
        for text, expected_code, message in (
                ("127.0.0.5", 4, "Members cannot be opened directly. Enter respective controller IP Address."),
                ("127.0.0.4", 3, "That Controller 127.0.0.4 not found"),
                ("127.0.0.77", 3, "That Controller 127.0.0.77 not found")):
            with self.subTest(text=text):
                code, out, err = self.set_controller(text)
                self.assertEqual(code, expected_code, err)
                self.assertEqual(err.strip(), message)
                self.assertEqual(self.service.stored("IPAddress"), "old")
                self.assertIsNone(self.service.read("NorrinGlasswayService.log"))
                self.assertEqual(len(self.service.cached_files()), 3)

    def test_set_with_unwritable_settings_reports_and_leaves_the_service_alone(self):
        os.remove(os.path.join(self.service.path, "GlasswayConfig.ini"))
        os.mkdir(os.path.join(self.service.path, "GlasswayConfig.ini"))
        code, out, err = self.set_controller("127.0.0.2", "--refresh-rate", "30")
        self.assertEqual(code, 5, err)
        self.assertIn("could not be saved to " + windows_path(self.service.path) + "\\GlasswayConfig.ini", err)
        self.assertEqual(out, "", "nothing was replaced")
        self.assertIsNone(self.service.read("NorrinGlasswayService.log"))
        self.assertEqual(len(self.service.cached_files()), 3)

    def test_set_prints_what_it_replaced_and_its_json_rolls_back(self):
        self.service.write("GlasswayConfig.ini", "[NorrinGlassway]\r\nIPAddress=127.0.0.3\r\n")
        code, out, err = self.set_controller("ups-lobby", "--refresh-rate", "10", "--format", "json")
        self.assertEqual(code, 0, err)
        self.assertRegex(out, r"^[^\r\n]*\r\n$", "one object on one line")
        change = json.loads(out)
        self.assertEqual(change, {"controller": "ups-lobby", "refreshSeconds": 20, "refreshMs": 20000, "changed": True,
                                  "was": {"controller": "127.0.0.3", "refreshSeconds": None, "refreshMs": None}})

        code, out, err = self.set_controller(change["was"]["controller"], "--refresh-rate", "30", "--format=json")
        self.assertEqual(code, 0, err)
        self.assertEqual(json.loads(out)["was"], {"controller": "ups-lobby", "refreshSeconds": 20, "refreshMs": 20000})
        self.assertEqual((self.service.stored("IPAddress"), self.service.stored("RefreshRate")), ("127.0.0.3", "30000"))

    def test_if_changed_and_dry_run_store_and_restart_only_what_differs(self):
        simulator("silent 127.0.0.4 on")
        settings = "[NorrinGlassway]\r\nIPAddress={}\r\nRefreshRate={}\r\n"

        def data_folder_is_a_file(service):
            shutil.rmtree(os.path.join(service.path, "http", "data"))
            service.write("http/data", "a file")

        was = {"controller": "127.0.0.2", "refreshSeconds": 30, "refreshMs": 30000}
        # (item, stored IPAddress and RefreshRate, a further set-up, arguments after the
        #  controller, exit code, standard output (an object for JSON), service launches)
        cases = (
            ("equal", ("127.0.0.2", "30000"), None, ("127.0.0.2", "--if-changed"), 0,
             "unchanged: 127.0.0.2, 30 s\r\n", 0),
            ("equal, dry run", ("127.0.0.2", "30000"), None, ("127.0.0.2", "--dry-run", "--format", "json"), 0,
             {"controller": "127.0.0.2", "refreshSeconds": 30, "refreshMs": 30000, "changed": False, "dryRun": True}, 0),
            ("equal, without the option", ("127.0.0.2", "30000"), None, ("127.0.0.2", "--format", "json"), 0,
             {"controller": "127.0.0.2", "refreshSeconds": 30, "refreshMs": 30000, "changed": True, "was": was}, 2),
            ("other controller", ("127.0.0.2", "30000"), None, ("Ups-Basement", "--if-changed"), 0,
             "Updating the Host Controller settings was successful\r\nwas 127.0.0.2, 30 s\r\n", 2),
            ("other controller, dry run", ("127.0.0.2", "30000"), None, ("Ups-Basement", "--dry-run"), 0,
             "would change: Ups-Basement, 30 s\r\nwas 127.0.0.2, 30 s\r\n", 0),
            ("other rate", ("127.0.0.2", "30000"), None,
             ("127.0.0.2", "--refresh-rate", "45", "--if-changed", "--format", "json"), 0,
             {"controller": "127.0.0.2", "refreshSeconds": 45, "refreshMs": 45000, "changed": True, "was": was}, 2),
            ("rate equal once floored", ("127.0.0.2", "20000"), None, ("127.0.0.2", "--refresh-rate", "5", "--if-changed"),
             0, "unchanged: 127.0.0.2, 20 s\r\n", 0),
            ("not found", ("127.0.0.4", "30000"), None, ("127.0.0.4", "--if-changed", "--format", "json"), 3,
             {"changed": False, "exitCode": 3, "exitName": "notFound", "message": "That Controller 127.0.0.4 not found"},
             0),
            ("member", ("127.0.0.5", "30000"), None, ("127.0.0.5", "--dry-run", "/format:json"), 4,
             {"changed": False, "dryRun": True, "exitCode": 4, "exitName": "memberNode",
              "message": "Members cannot be opened directly. Enter respective controller IP Address."}, 0),
            ("usage error", ("127.0.0.2", "30000"), None, ("127.0.0.2", "--refresh-ms", "-5", "--format=json"), 2,
             {"changed": False, "exitCode": 2, "exitName": "usageError",
              "message": "--refresh-ms takes a whole number of milliseconds, at most 86400000 (one day), not \"-5\""}, 0),
            ("failed store", ("127.0.0.2", "30000"), data_folder_is_a_file, ("Ups-Basement", "--if-changed"), 5, "", 0),
            ("failed store, json", ("127.0.0.2", "30000"), data_folder_is_a_file,
             ("Ups-Basement", "--if-changed", "--format", "json"), 5,
             {"changed": False, "exitCode": 5, "exitName": "notSaved",
              "message": "The Host Controller settings could not be saved to "
              "{dir}\\http\\data\\refreshRate.xml. The Norrin Glassway Service was not restarted."}, 0),
        )
        for item, stored, set_up, arguments, expected_code, expected_out, launches in cases:
            with self.subTest(item=item):
                service = ServiceDirectory()
                self.addCleanup(service.remove)
                service.write("GlasswayConfig.ini", settings.format(*stored))
                if set_up:
                    set_up(service)
                before = service.snapshot()
                code, out, err = run("set", *arguments, "--dir", windows_path(service.path))
                self.assertEqual(code, expected_code, out + err)
                if isinstance(expected_out, dict):
                    expected_out = {key: value.format(dir=windows_path(service.path)) if isinstance(value, str) else value
                                    for key, value in expected_out.items()}
                self.assertEqual(json.loads(out) if isinstance(expected_out, dict) else out, expected_out)
                self.assertIn(expected_out.get("message", "") if isinstance(expected_out, dict) else "", err)
                self.assertEqual(len(service.service_log(launches)), launches)
                if not launches:
                    self.assertEqual(service.snapshot(), before, "not a byte written")

    def test_was_rolls_back_every_rate_set_can_store(self):
        # (RefreshRate stored, what "was" gives back, RefreshRate after the roll-back)
        for stored, refresh_ms, restored in (("30500", 30500, "30500"), ("86400000", 86400000, "86400000"),
                                             ("10000", 10000, "20000"), ("20s", None, None)):
            with self.subTest(stored=stored):
                self.service.write("GlasswayConfig.ini", f"[NorrinGlassway]\r\nIPAddress=127.0.0.3\r\nRefreshRate={stored}\r\n")
                code, out, err = self.set_controller("ups-lobby", "--refresh-rate", "60", "--format", "json")
                self.assertEqual(code, 0, err)
                was = json.loads(out)["was"]
                self.assertEqual((was["controller"], was["refreshMs"], was["refreshSeconds"]),
                                 ("127.0.0.3", refresh_ms, refresh_ms / 1000 if refresh_ms else stored))
                if refresh_ms is None:
                    self.assertEqual(was["refreshText"], stored, "was says the rate cannot be given back")
                    continue
                code, out, err = self.set_controller(was["controller"], "--refresh-ms", str(was["refreshMs"]),
                                                     "--format", "json")
                self.assertEqual(code, 0, err)
                self.assertEqual((self.service.stored("IPAddress"), self.service.stored("RefreshRate")),
                                 ("127.0.0.3", restored))
                code, out, err = run("show", "--dir", windows_path(self.service.path), "--format", "json")
                self.assertEqual(json.loads(out) == was, restored == stored, "show gives what was gave")

    def test_bad_arguments_are_refused_before_anything_is_sent(self):
        before = simulator_stats()["queries"]
        for arguments, complaint in (
                (("list", "--colour"), "unknown option"),
                (("list", "--format"), "needs a value"),
                (("list", "--format", "xml"), "table, csv or json"),
                (("list", "--range", "10.1.2.300"), "not an IPv4 address"),
                (("list", "--range", "10.0.0.0/33"), "not a network"),
                (("list", "--range", "10.1.2.9-10.1.2.1"), "ends before it begins"),
                (("list", "--range", "10.0.0.0/15"), "--allow-large-range"),
                (("list", "--rate", "-5"), "--rate"),
                (("list", "--rate", "1000001"), "1 to 1000000"),
                (("list", "--range", "255.255.255.255"), "no address to query"),
                (("list", "--range", "0.0.0.0/32"), "no address to query"),
                (("list", "--members=no"), "takes no value"),
                (("list", "--range", "10.0.0.0/8", "/allow-large-range:no"), "takes no value"),
                (("set", "127.0.0.2", "--help=no"), "takes no value"),
                (("set", "", "127.0.0.2"), "is empty"),
                (("set", "127.0.0.2", "--refresh-rate", "-5"), "--refresh-rate"),
                (("set", "127.0.0.2", "--format", "csv"), "table or json"),
                (("set", "127.0.0.2", "--refresh-ms", "86400001"), "at most 86400000"),
                (("set", "127.0.0.2", "--refresh-rate", "30", "--refresh-ms", "30000"), "give the refresh rate once"),
                (("set", "127.0.0.2", "--if-changed=yes"), "takes no value"),
                (("set",), "needs the controller"),
                (("frobnicate",), "unknown command")):
            with self.subTest(arguments=arguments):
                code, out, err = run(*arguments)
                self.assertEqual(code, 2)
                self.assertIn(complaint, err)
                self.assertEqual(out, "")
        self.assertEqual(simulator_stats()["queries"], before, "nothing was sent")

    def test_output_lines_end_in_one_crlf(self):
        code, out, err = run("list", "--format", "csv")
        self.assertEqual(code, 0, err)
        self.assertEqual(out, "name,address\r\nups-attic,127.0.0.4\r\nUps-Basement,127.0.0.3\r\nups-lobby,127.0.0.2\r\n")
        for arguments in (("list",), ("list", "--format", "json", "--members"),
                          ("show", "--dir", windows_path(self.service.path)), ("/?",)):
            with self.subTest(arguments=arguments):
                code, out, err = run(*arguments)
                self.assertEqual(code, 0, err)
                self.assertRegex(out, r"\r\n$")
                self.assertNotRegex(out, r"\r\r|[^\r]\n", "every line ends in one CRLF")

    def test_a_sweep_of_a_slash_16_reaches_its_end_or_says_how_far_it_got(self):
        # No broadcast is answered: only the sweep's query of a node's own address is.
        simulator("vacant 127.0.0.0 127.255.255.255")
        simulator("node 127.2.0.9 near-start")
        simulator("node 127.2.255.200 far-end")
        code, out, err = run("list", "--format", "csv", "--range", "127.2.0.0/16")
        self.assertEqual(code, 0, err)
        self.assertIn("far-end,127.2.255.200", out.splitlines())
        self.assertEqual(err, "")

        code, out, err = run("list", "--format", "csv", "--range", "127.2.0.0/16", "--time", "2")
        self.assertEqual(code, 7, err)
        self.assertNotIn("far-end", out)
        self.assertIn("near-start,127.2.0.9", out.splitlines(), "what was found is still printed")
        queried = re.search(r"with (\d+) of 65536 addresses of the ranges queried", err)
        self.assertIsNotNone(queried, err)
        self.assertTrue(0 < int(queried.group(1)) < 65536, err)

    def test_time_is_kept_at_the_highest_rate(self):
        simulator("vacant 127.64.0.0 127.127.255.255")
        start = time.monotonic()
        code, out, err = run("list", "--range", "127.64.0.0/10", "--allow-large-range", "--rate", "1000000",
                             "--time", "1")
        took = time.monotonic() - start
        self.assertEqual(code, 7, err)
        self.assertIn("of 4194304 addresses", err)
        # Wine's start and exit take seconds of their own; a sweep that ignored the stop took minutes.
        self.assertLess(took, 8, "the listing ran far past --time")

    def test_a_directory_without_settings_is_reported_not_shown(self):
        missing = missing_directory()
        for command in (("show",), ("set", "127.0.0.2")):
            with self.subTest(command=command):
                code, out, err = run(*command, "--dir", missing)
                self.assertEqual(code, 8, err)
                self.assertEqual(out, "")
                self.assertIn(missing, err)

        os.remove(os.path.join(self.service.path, "GlasswayConfig.ini"))
        code, out, err = run("show", "--dir", windows_path(self.service.path))
        self.assertEqual(code, 8, err)
        self.assertIn(windows_path(self.service.path) + "\\GlasswayConfig.ini does not exist", err)

    def test_show_names_a_missing_key_and_set_does_not_make_up_the_rate(self):
        self.service.write("GlasswayConfig.ini", "[NorrinGlassway]\r\nIPAddress=old\r\n")
        code, out, err = run("show", "--dir", windows_path(self.service.path))
        self.assertEqual(code, 0, err)
        self.assertEqual(out.splitlines()[0], "Host Controller: old")
        self.assertRegex(out.splitlines()[1], r"^Refresh rate: +not stored \(.*has no RefreshRate\)$")

        code, out, err = self.set_controller("127.0.0.2")
        self.assertEqual(code, 8, err)
        self.assertIn("--refresh-rate", err)
        self.assertEqual(self.service.stored("IPAddress"), "old")

    def test_check_reports_the_stored_controller_as_a_monitoring_check(self):
        simulator("silent 127.0.0.4 on")
        simulator("node 127.0.0.66 127.0.0.77")
        simulator("node 127.0.0.6 ups|pipe")
        # The last column: whether the verdict came after the broadcasts' wait, and so
        # whether the whole check's time exceeds the answer's by that wait.
        for stored, expected_code, expected, after_broadcasts in (
                ("127.0.0.2", 0, r"^OK - Host Controller 127\.0\.0\.2 answers from 127\.0\.0\.2", False),
                ("UPS-LOBBY", 0, r"^OK - Host Controller UPS-LOBBY answers from 127\.0\.0\.2", False),
                ("ups|pipe", 0, r"^OK - Host Controller ups!pipe answers from 127\.0\.0\.6 \| ", False),
                ("127.0.0.4", 2, r"^CRITICAL - Host Controller 127\.0\.0\.4 does not answer", True),
                ("127.0.0.77", 2, r"^CRITICAL - Host Controller 127\.0\.0\.77 does not answer", True),
                ("127.0.0.5", 2, r"^CRITICAL - .*127\.0\.0\.5 \(rack-b\).* member node of the controller 127\.0\.0\.2",
                 False),
                ("rack-b", 2, r"^CRITICAL - .*rack-b \(127\.0\.0\.5\).* member node of the controller 127\.0\.0\.2",
                 False),
                ("ups-gone.invalid", 2,
                 r"^CRITICAL - no controller named ups-gone\.invalid answered, and the name resolves to no address",
                 True),
                ("127.0.0.010", 2, r"^CRITICAL - no controller named 127\.0\.0\.010 answered", True)):
            with self.subTest(stored=stored):
                settings = f"[NorrinGlassway]\r\nIPAddress={stored}\r\nRefreshRate=30000\r\n"
                self.service.write("GlasswayConfig.ini", settings)
                unicast_before = int(simulator_stats()["unicast"])
                code, out, err = run("check", "--dir", windows_path(self.service.path), "--timeout", "2")
                self.assertEqual(code, expected_code, out + err)
                self.assertEqual(len(out.splitlines()), 1, out)
                self.assertRegex(out, expected)
                self.assertIn(stored.replace("|", "!"), out.split("|")[0], "the plugin text holds the whole name")
                perfdata = re.search(r" \| time=(\d+\.\d{3})s;;;0(?: answer=(\d+\.\d{3})s;;;0)?\r\n$", out)
                self.assertIsNotNone(perfdata, out)
                whole = float(perfdata.group(1))
                queried = expected.find("no controller named") < 0
                self.assertEqual(perfdata.group(2) is not None, queried, "answer= only for a query that decided")
                answer = float(perfdata.group(2) or 0)
                self.assertGreaterEqual(whole, answer)
                if after_broadcasts:
                    self.assertGreaterEqual(whole - answer, 1.0, "time= covers the broadcasts' wait: " + out)
                self.assertEqual(self.service.read("GlasswayConfig.ini"), settings, "check writes nothing")
                if not after_broadcasts or not queried:
                    self.assertEqual(int(simulator_stats()["unicast"]), unicast_before,
                                     "answered by the broadcast or not queried: no one-node query was sent")
        self.assertIsNone(self.service.read("NorrinGlasswayService.log"))

    def test_a_late_first_answer_is_waited_for_until_the_time_given(self):
        # A busy site link: every answer comes later than the quiet window that ends a
        # run once answers have come.
        simulator("window off")
        simulator("delay 1700")
        self.service.write("GlasswayConfig.ini", "[NorrinGlassway]\r\nIPAddress=ups-lobby\r\nRefreshRate=30000\r\n")
        code, out, err = run("check", "--dir", windows_path(self.service.path), "--timeout", "3")
        self.assertEqual(code, 0, out + err)
        self.assertRegex(out, r"^OK - Host Controller ups-lobby answers from 127\.0\.0\.2 ")
        code, out, err = run("list", "--format", "csv", "--time", "5")
        self.assertEqual(code, 0, err)
        self.assertIn("ups-lobby,127.0.0.2", out.splitlines())

    def test_check_without_a_stored_controller_or_with_bad_arguments_is_unknown(self):
        self.service.write("GlasswayConfig.ini", "[NorrinGlassway]\r\nRefreshRate=30000\r\n")
        for arguments, named in ((("--dir", windows_path(self.service.path)), "no Host Controller is stored"),
                                 (("--dir", missing_directory()), missing_directory()),
                                 (("--timeout", "0"), "--timeout"), (("--members",), "--members")):
            with self.subTest(arguments=arguments):
                code, out, err = run("check", *arguments)
                self.assertEqual(code, 3, out + err)
                self.assertRegex(out, r"^UNKNOWN - .*" + re.escape(named))

    def test_what_is_printed_and_stored_is_what_is_there(self):
        simulator('node 127.0.0.6 =HYPERLINK("x")')
        simulator("node 127.0.0.7 -minus")
        simulator("vacant 127.3.0.0 127.3.255.255")
        settings = "[NorrinGlassway]\r\nIPAddress=old\r\nRefreshRate={}\r\n"

        def data_folder_is_a_file(service):
            shutil.rmtree(os.path.join(service.path, "http", "data"))
            service.write("http/data", "a file")

        def refresh_rate(text):
            return lambda service: service.write("GlasswayConfig.ini", settings.format(text))

        def no_service(service):
            os.remove(os.path.join(service.path, "NorrinGlasswayService.exe"))
            service.write("GlasswayConfig.ini", "[NorrinGlassway]\r\nIPAddress=127.0.0.2\r\nRefreshRate=30000\r\n")

        # (item, set-up, arguments after the command, exit code, standard output, a
        #  complaint on standard error, IPAddress and RefreshRate stored after the run,
        #  whether the service was restarted)
        cases = (
            ("http\\data a file", data_folder_is_a_file, ("set", "127.0.0.2", "--refresh-rate", "30"), 5, "",
             "could not be saved to {dir}\\http\\data\\refreshRate.xml", ("old", "30000"), False),
            ("no service: set", no_service, ("set", "127.0.0.3"), 8, "", "{dir}\\NorrinGlasswayService.exe does not exist",
             ("127.0.0.2", "30000"), False),
            ("no service: show", no_service, ("show",), 0, "Host Controller: 127.0.0.2\r\nRefresh rate:    30 s\r\n",
             None, ("127.0.0.2", "30000"), False),
            ("no service: check", no_service, ("check",), 0, None, None, ("127.0.0.2", "30000"), False),
            ("quotes dropped", None, ("set", '"q"'), 2, "", "drops the quotes", ("old", "30000"), False),
            ("blanks dropped", None, ("set", " ups-lobby "), 2, "", "drops blanks", ("old", "30000"), False),
            ("rate not a number", refresh_rate("20s"), ("show",), 0,
             'Host Controller: old\r\nRefresh rate:    not a number ("20s")\r\n', None, ("old", "20s"), False),
            ("rate below 1 s", refresh_rate("999"), ("show",), 0, "Host Controller: old\r\nRefresh rate:    0.999 s\r\n",
             None, ("old", "999"), False),
            ("rate negative", refresh_rate("-5000"), ("show",), 0, "Host Controller: old\r\nRefresh rate:    -5000 ms\r\n",
             None, ("old", "-5000"), False),
            ("rate not a number in JSON", refresh_rate("20s"), ("show", "--format", "json"), 0,
             '{"controller": "old", "refreshSeconds": "20s", "refreshMs": null, "refreshText": "20s"}\r\n', None, ("old", "20s"), False),
            ("rate kept from text", refresh_rate("20s"), ("set", "127.0.0.2"), 0,
             'The stored RefreshRate "20s" is not a number; 20 s is stored in its place\r\n'
             "Updating the Host Controller settings was successful\r\nwas old, not a number (\"20s\")\r\n", None,
             ("127.0.0.2", "20000"), True),
            ("rate kept below the shortest", refresh_rate("999"), ("set", "127.0.0.2", "--dry-run"), 0,
             'The stored RefreshRate "999" is below the shortest rate, 20 s; 20 s would be stored in its place\r\n'
             "would change: 127.0.0.2, 20 s\r\nwas old, 0.999 s\r\n", None, ("old", "999"), False),
            ("rate kept above the longest", refresh_rate("86401000"), ("set", "127.0.0.2", "--dry-run"), 0,
             'The stored RefreshRate "86401000" is above the longest rate, 86400 s; 86400 s would be stored in its '
             "place\r\nwould change: 127.0.0.2, 86400 s\r\nwas old, 86401 s\r\n", None, ("old", "86401000"), False),
            ("rate kept in whole seconds", refresh_rate("30500"), ("set", "127.0.0.2", "--dry-run"), 0,
             'The stored RefreshRate "30500" is not a whole number of seconds; 30 s would be stored in its place\r\n'
             "would change: 127.0.0.2, 30 s\r\nwas old, 30.5 s\r\n", None, ("old", "30500"), False),
            ("rate above a day", None, ("set", "127.0.0.2", "--refresh-rate", "86401"), 2, "", "at most 86400",
             ("old", "30000"), False),
            ("rate of a day", None, ("set", "127.0.0.2", "--refresh-rate", "86400"), 0,
             "Updating the Host Controller settings was successful\r\nwas old, 30 s\r\n", None,
             ("127.0.0.2", "86400000"), True),
            ("leading zero", None, ("set", "127.0.0.010"), 2, "", "leading zero", ("old", "30000"), False),
            ("leading zero range", None, ("list", "--range", "127.0.0.010"), 2, "", "not an IPv4 address", None, False),
            ("csv formulas", None, ("list", "--format", "csv"), 0,
             "name,address\r\n'-minus,127.0.0.7\r\n\"'=HYPERLINK(\"\"x\"\")\",127.0.0.6\r\nups-attic,127.0.0.4\r\n"
             "Ups-Basement,127.0.0.3\r\nups-lobby,127.0.0.2\r\n", None, None, False),
            ("ranges merged", None, ("list", "--format", "csv", "--range", "127.3.0.0/16", "--range", "127.3.0.0/17",
                                     "--rate", "1000000"), 0, None, None, None, False),
            ("ranges apart", None, ("list", "--range", "127.3.0.0/16", "--range", "127.4.0.0/31"), 2, "",
             "the ranges hold 65538 addresses", None, False),
        )
        for item, set_up, arguments, expected_code, expected_out, complaint, stored, restarted in cases:
            with self.subTest(item=item):
                service = ServiceDirectory()
                self.addCleanup(service.remove)
                if set_up:
                    set_up(service)
                directory = windows_path(service.path)
                options = ("--dir", directory) if arguments[0] in ("set", "show", "check") else ()
                code, out, err = run(*arguments, *options)
                self.assertEqual(code, expected_code, out + err)
                if expected_out is not None:
                    self.assertEqual(out, expected_out)
                if complaint:
                    self.assertIn(complaint.format(dir=directory), err)
                if stored:
                    self.assertEqual((service.stored("IPAddress"), service.stored("RefreshRate")), stored)
                self.assertEqual(len(service.service_log(2 if restarted else 0)), 2 if restarted else 0)

        code, out, err = run("list", "--format", "json")
        self.assertEqual(code, 0, err)
        self.assertIn({"name": '=HYPERLINK("x")', "address": "127.0.0.6"}, json.loads(out), "JSON keeps the name")
        code, out, err = run("/?")
        self.assertIn("at most 86400 s", out, "the usage names the longest rate")

    def test_a_directory_the_programs_cannot_handle_is_named_as_such(self):
        unspellable = os.path.join(self.service.path, "Glassway-\u65e5\u672c")
        too_long = self.service.path
        while len(windows_path(too_long)) < 270:
            too_long = os.path.join(too_long, "nested-service-folder")
        for directory, limit in ((unspellable, "system code page"), (too_long, "at most 259")):
            os.makedirs(directory)
            shutil.copy(os.path.join(self.service.path, "GlasswayConfig.ini"), directory)
            for command, expected_code in (("show", 8), ("set", 8), ("check", 3)):
                with self.subTest(limit=limit, command=command):
                    arguments = (command, "127.0.0.2") if command == "set" else (command,)
                    code, out, err = run(*arguments, "--dir", windows_path(directory))
                    self.assertEqual(code, expected_code, out + err)
                    self.assertIn(limit, out + err)
                    self.assertNotIn("does not exist", out + err)
        self.assertIsNone(self.service.read("NorrinGlasswayService.log"))

    def test_help_prints_the_usage_and_version_the_projects_version(self):
        for flag in ("/?", "--help"):
            code, out, err = run(flag)
            self.assertEqual(code, 0, err)
            self.assertIn("ChangeControllerCmd list", out)
            self.assertIn("Exit codes", out)
        for arguments in (("--version",), ("/version",), ("list", "--version")):
            with self.subTest(arguments=arguments):
                code, out, err = run(*arguments)
                self.assertEqual((code, out), (0, "ChangeControllerCmd " + VERSION + "\r\n"), err)


class AnsiblePlaybook(unittest.TestCase):
    """The example playbook, run for real against localhost: the command module runs the
    companion under Wine in place of win_command, which is the only difference from a
    run against Windows hosts."""

    PLAYBOOK = os.path.join(os.path.dirname(SCRIPTS), "docs", "examples", "ansible", "glassway-controller.yml")

    def setUp(self):
        if not shutil.which("ansible-playbook"):
            self.skipTest("ansible-playbook is missing: scripts/setup.sh installs Debian's ansible-core")
        simulator("reset")
        simulator("node 127.0.0.2 ups-lobby")
        self.service = ServiceDirectory()
        self.addCleanup(self.service.remove)
        self.work = tempfile.mkdtemp(prefix="cc-ansible-")
        self.addCleanup(shutil.rmtree, self.work, True)
        self.inventory = os.path.join(self.work, "hosts.ini")
        with open(self.inventory, "w") as file:
            file.write(f"[glassway_servers]\nlocalhost ansible_connection=local ansible_python_interpreter={sys.executable}\n")

    def playbook(self, *options):
        """Runs the playbook; returns its exit code and its recap for localhost as a dict."""
        variables = {"glassway_module": "ansible.builtin.command", "glassway_program": [WINERUN, CMD],
                     "glassway_dir": windows_path(self.service.path), "glassway_controller": "ups-lobby"}
        environment = dict(os.environ, HOME=self.work, ANSIBLE_LOCAL_TEMP=os.path.join(self.work, "tmp"),
                           ANSIBLE_NOCOLOR="1", ANSIBLE_RETRY_FILES_ENABLED="0")
        done = subprocess.run(["ansible-playbook", "-i", self.inventory, self.PLAYBOOK, "-e", json.dumps(variables),
                               *options], capture_output=True, text=True, timeout=600, env=environment,
                              stdin=subprocess.DEVNULL)
        recap = re.search(r"^(localhost\s+:.*)$", done.stdout, re.M)
        self.assertIsNotNone(recap, done.stdout + done.stderr)
        print(" ".join(options) or "run", "->", recap.group(1), file=sys.stderr)
        return done.returncode, dict(field.split("=") for field in recap.group(1).split(":", 1)[1].split())

    def test_a_second_run_changes_and_restarts_nothing_and_check_mode_changes_nothing(self):
        before = self.service.snapshot()
        code, recap = self.playbook("--check")
        self.assertEqual((code, recap["changed"], recap["failed"]), (0, "1", "0"), "check mode shows the change")
        self.assertEqual(self.service.snapshot(), before, "check mode changes nothing")

        code, recap = self.playbook()
        self.assertEqual((code, recap["changed"], recap["failed"]), (0, "1", "0"))
        self.assertEqual(len(self.service.service_log(2)), 2, "one restart: two launches")
        self.assertEqual(self.service.stored("IPAddress"), "ups-lobby")

        stored = self.service.snapshot()
        code, recap = self.playbook()
        self.assertEqual((code, recap["changed"], recap["failed"]), (0, "0", "0"))
        self.assertEqual(self.service.snapshot(), stored, "no store, no launch, no file deleted")


if __name__ == "__main__":
    # Further arguments name the test classes to run (unittest's own argument form).
    unittest.main(argv=sys.argv[:1] + sys.argv[6:], verbosity=2)
