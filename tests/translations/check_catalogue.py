#!/usr/bin/env python3
"""The English catalogue is complete for the code as it stands:
 - lupdate, run over the sources exactly as scripts/update-translations.sh runs it, into a
   copy of translations/folivex_en.ts, changes nothing (no new text, none dropped);
 - no entry is unfinished, obsolete or vanished, and none is empty;
 - every string literal of the program that holds Japanese is, or is part of, a text of
   the catalogue (a text shown through no translation call would be caught here), apart
   from the few that are no interface text (font names, a language's own name);
 - every message pattern with values ("%s", "%d") of the plain code is registered in
   app/MessagePatterns.cpp, where shown messages are matched to their patterns.
Usage: check_catalogue.py SOURCE_DIR"""

import difflib
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from catalogue import messages  # noqa: E402

FOLDERS = ["app", "albumfile", "contents", "core", "dib", "loading", "options", "toolbars",
           "ui", "view"]
# Literals with Japanese that are not interface texts.
NOT_TEXTS = {
    "ＭＳ ゴシック", "ＭＳ Ｐゴシック",  # the Windows edition's font names, substituted by IPA fonts
    "日本語",  # the language's own name in the options dialog, the same in every language
}
# Files of the program folders that hold no interface text: the tests' scripted dialogs.
NOT_INTERFACE = {os.path.join("ui", "ScriptedDialogs.h")}
JAPANESE = re.compile(r"[\u3000-\u30ff\u3400-\u9fff\uff00-\uffef]")


def literals(path):
    """The string literals of a C++ file, comments left out, adjacent ones joined."""
    text = open(path, encoding="utf-8").read()
    tokens = re.finditer(r'//[^\n]*|/\*.*?\*/|\'(?:\\.|[^\'\\])*\'|"((?:\\.|[^"\\])*)"', text, re.S)
    found, run, last_end = [], None, None
    for t in tokens:
        if t.group(1) is None:
            if t.group(0).startswith(("//", "/*")):
                continue
            if run is not None:
                found.append(run)
            run = None
            continue
        piece = t.group(1).encode("utf-8").decode("unicode_escape").encode("latin-1").decode("utf-8")
        if run is not None and text[last_end:t.start()].strip() == "":
            run += piece
        else:
            if run is not None:
                found.append(run)
            run = piece
        last_end = t.end()
    if run is not None:
        found.append(run)
    return found


def main():
    root = sys.argv[1]
    ts = os.path.join(root, "translations", "folivex_en.ts")
    failures = []

    with tempfile.TemporaryDirectory() as tmp:
        copy = os.path.join(tmp, "folivex_en.ts")
        shutil.copyfile(ts, copy)
        subprocess.run([os.path.join(root, "scripts", "update-translations.sh"), copy], check=True)
        before = open(ts, encoding="utf-8").read().splitlines()
        after = open(copy, encoding="utf-8").read().splitlines()
        if before != after:
            diff = "\n".join(difflib.unified_diff(before, after, "catalogue", "lupdate", lineterm=""))
            failures.append("lupdate changes the catalogue (run scripts/update-translations.sh "
                            "and translate the new texts):\n" + diff)

    entries = messages(ts)
    for context, source, translation, kind in entries:
        if kind:
            failures.append("%s entry %s: %r" % (kind, context, source))
        elif not translation:
            failures.append("empty translation %s: %r" % (context, source))

    sources = [s for _, s, _, _ in entries]
    for folder in FOLDERS:
        for dirpath, _, files in os.walk(os.path.join(root, folder)):
            for name in sorted(files):
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(dirpath, name)
                if os.path.relpath(path, root) in NOT_INTERFACE:
                    continue
                for literal in literals(path):
                    # A file dialog's filter "name|pattern|...": its names are translated.
                    for text in literal.split("|")[::2] if "|" in literal else [literal]:
                        if not JAPANESE.search(text) or text in NOT_TEXTS:
                            continue
                        if not any(text in s for s in sources):
                            failures.append("%s: text outside the catalogue: %r"
                                            % (os.path.relpath(path, root), text))

    registry = open(os.path.join(root, "app", "MessagePatterns.cpp"), encoding="utf-8").read()
    for folder in FOLDERS:
        for dirpath, _, files in os.walk(os.path.join(root, folder)):
            for name in files:
                if not name.endswith((".cpp", ".h")):
                    continue
                text = open(os.path.join(dirpath, name), encoding="utf-8").read()
                for m in re.finditer(r'(k\w+)\s*=\s*FOLIVEX_TRANSLATE_NOOP\(\s*"Messages",\s*'
                                     r'((?:"(?:\\.|[^"\\])*"\s*)+)\)', text):
                    if re.search(r"%[sd]", m.group(2)) and not re.search(r"\b%s\b" % m.group(1),
                                                                         registry):
                        failures.append("pattern %s (%s) is not registered in "
                                        "app/MessagePatterns.cpp" % (m.group(1), name))

    for f in failures:
        print("FAIL", f)
    print("%d messages in the catalogue" % len(entries))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
