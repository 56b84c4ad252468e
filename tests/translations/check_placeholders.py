#!/usr/bin/env python3
"""Each translation of translations/folivex_en.ts keeps its source's values and keys:
the same placeholders ("%s" and "%d" in order, as the message patterns are filled in
order; "%1".."%9" as a set, which QString::arg may place anywhere), the same number of
line breaks' worth of "\r" (a carriage return is part of the message boxes' texts), and
a mnemonic ("&X") when the source has one (one at most; the English may add one
where the original has none).
Usage: check_placeholders.py CATALOGUE.ts"""

import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from catalogue import messages  # noqa: E402

PRINTF = re.compile(r"%[sd]")
ARG = re.compile(r"%[1-9]")
MNEMONIC = re.compile(r"&(?!&)\S")


def main():
    failures = []
    entries = messages(sys.argv[1])
    for context, source, translation, _ in entries:
        what = "%s %r -> %r" % (context, source, translation)
        if PRINTF.findall(source) != PRINTF.findall(translation):
            failures.append("%%s/%%d differ: " + what)
        if sorted(ARG.findall(source)) != sorted(ARG.findall(translation)):
            failures.append("%1.. differ: " + what)
        if (MNEMONIC.search(source) and not MNEMONIC.search(translation)) or \
                len(MNEMONIC.findall(translation)) > 1:
            failures.append("mnemonic differs: " + what)
    for f in failures:
        print("FAIL", f)
    print("%d messages checked" % len(entries))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
