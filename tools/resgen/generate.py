#!/usr/bin/env python3
"""Writes the tool's generated resources: usage generate.py [output directory].

The default output directory is ui/res of this repository; the results are
committed, and a test regenerates them to check that they are up to date.
"""

import os
import sys

import hourglass
import icons

OUTPUTS = {
    "ChangeController.ico": icons.build_program_icon,
    "controller.ico": icons.build_controller_icon,
    "hourglass.avi": hourglass.build_avi,
}

DEFAULT_OUTPUT_DIRECTORY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "ui", "res")


def generate(output_directory):
    os.makedirs(output_directory, exist_ok=True)
    for name, build in OUTPUTS.items():
        with open(os.path.join(output_directory, name), "wb") as output:
            output.write(build())


if __name__ == "__main__":
    generate(sys.argv[1] if len(sys.argv) > 1 else os.path.normpath(DEFAULT_OUTPUT_DIRECTORY))
