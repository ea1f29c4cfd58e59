#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# The detectors users would pick instead of trelvick-convert --guess, on the sample files named on standard
# input (one path a line, named by their index): prints "peer<TAB>index<TAB>answer" with iconv's names,
# "unknown" where a peer has none, and each peer's time on standard error. A peer that is not installed is
# left out and said so: uchardet (Debian package uchardet), chardet (python3-chardet), ICU's
# CharsetDetector (python3-icu) and charset-normalizer (python3-charset-normalizer).
import os
import re
import shutil
import subprocess
import sys
import time

# Python's codec names as iconv spells them.
PYTHON_NAMES = {
    "ascii": "ASCII", "utf_8": "UTF-8", "utf-8": "UTF-8", "latin_1": "ISO-8859-1", "mac_roman": "MACINTOSH",
    "macroman": "MACINTOSH", "mac_latin2": "MAC-CENTRALEUROPE", "mac_cyrillic": "MAC-CYRILLIC",
    "maccyrillic": "MAC-CYRILLIC", "koi8_r": "KOI8-R", "koi8_u": "KOI8-U",
}


def iconv_name(name):
    if not name:
        return "unknown"
    key = name.lower()
    if key in PYTHON_NAMES:
        return PYTHON_NAMES[key]
    match = re.fullmatch(r"iso8859_(\d+)", key)
    if match:
        return "ISO-8859-" + match.group(1)
    return name.upper().replace("_", "-")


def uchardet(paths):
    answers = []
    for start in range(0, len(paths), 500):
        batch = paths[start:start + 500]
        out = subprocess.run(["uchardet"] + batch + ["/dev/null"], capture_output=True, text=True).stdout
        lines = out.splitlines()
        for i in range(len(batch)):
            line = lines[i] if i < len(lines) else ""
            answers.append(iconv_name(line.rsplit(": ", 1)[-1].strip()) if ": " in line else "unknown")
    return answers


def python_peer(detect):
    def run(paths):
        answers = []
        for path in paths:
            with open(path, "rb") as file:
                data = file.read()
            try:
                answers.append(iconv_name(detect(data)))
            except Exception:  # a peer's own failure is its "unknown"
                answers.append("unknown")
        return answers
    return run


def peers():
    found = []
    if shutil.which("uchardet"):
        found.append(("uchardet", uchardet))
    else:
        print("uchardet is not installed: left out", file=sys.stderr)
    try:
        import chardet
        found.append(("chardet " + chardet.__version__, python_peer(lambda data: chardet.detect(data)["encoding"])))
    except ImportError:
        print("python3-chardet is not installed: left out", file=sys.stderr)
    try:
        import icu

        def icu_detect(data):
            return icu.CharsetDetector(data).detect().getName()
        found.append(("ICU", python_peer(icu_detect)))
    except ImportError:
        print("python3-icu is not installed: left out", file=sys.stderr)
    try:
        import charset_normalizer

        def normalizer(data):
            best = charset_normalizer.from_bytes(data).best()
            return best.encoding if best else None
        found.append(("charset-normalizer", python_peer(normalizer)))
    except ImportError:
        print("python3-charset-normalizer is not installed: left out", file=sys.stderr)
    return found


def main():
    paths = [line.rstrip("\n") for line in sys.stdin if line.strip()]
    for name, run in peers():
        started = time.process_time()
        wall = time.monotonic()
        answers = run(paths)
        print(f"{name}: {len(paths)} samples in {time.monotonic() - wall:.1f} s "
              f"({time.process_time() - started:.1f} s of this process's processor time)", file=sys.stderr)
        for path, answer in zip(paths, answers):
            print(f"{name}\t{os.path.basename(path)}\t{answer}")


if __name__ == "__main__":
    main()
