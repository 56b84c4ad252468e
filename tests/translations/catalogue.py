"""Reading translations/folivex_en.ts: its messages with their source and translation
texts (the <byte value="xd"/> of a carriage return decoded)."""

import html
import re

_BYTE = re.compile(r'<byte value="x([0-9a-fA-F]+)"/>')


def decode(raw):
    return html.unescape(_BYTE.sub(lambda m: chr(int(m.group(1), 16)), raw))


def messages(path):
    """(context, source, translation, type) of every message; type is the translation's
    type attribute ("unfinished", "obsolete", "vanished") or ""."""
    text = open(path, encoding="utf-8").read()
    out = []
    for context in re.finditer(r"<context>\s*<name>(.*?)</name>(.*?)</context>", text, re.S):
        name = decode(context.group(1))
        for m in re.finditer(r"<message[^>]*>(.*?)</message>", context.group(2), re.S):
            body = m.group(1)
            source = re.search(r"<source>(.*?)</source>", body, re.S)
            translation = re.search(r'<translation(?: type="(\w+)")?\s*(?:/>|>(.*?)</translation>)',
                                    body, re.S)
            out.append((name, decode(source.group(1)) if source else "",
                        decode(translation.group(2) or "") if translation else "",
                        (translation.group(1) or "") if translation else "missing"))
    return out
