#!/usr/bin/env python3
"""Writes the item decoder's seed corpus: item dictionaries written by Python's own binary
plist writer (another writer than ours: shared duplicate objects, UTF-16 strings), and the
hostile inputs that must keep being refused."""
import datetime
import os
import plistlib
import struct

out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "item_decoder")
os.makedirs(out, exist_ok=True)


def write(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)


when = datetime.datetime(2026, 12, 6, 21, 13, 0, 250000)
write("text.bplist", plistlib.dumps({"kind": "text", "text": "abc", "files": [], "createdAt": when},
                                    fmt=plistlib.FMT_BINARY))
write("rich.bplist", plistlib.dumps({"kind": "richText", "text": "Grüße 👋", "html": "<b>x</b>",
                                     "rtf": b"{\\rtf1 x}", "files": [], "createdAt": when,
                                     "sourceBundleID": "org.example"}, fmt=plistlib.FMT_BINARY))
write("files.bplist", plistlib.dumps({"kind": "files", "text": "a\nb", "files": ["/tmp/a", "/tmp/a", "/tmp/b"],
                                      "createdAt": when, "extra": [1, 2.5, True]},
                                     fmt=plistlib.FMT_BINARY))
write("image.bplist", plistlib.dumps({"kind": "image", "imagePNG": b"\x89PNG\r\n\x1a\n" + bytes(range(64)),
                                      "files": [], "createdAt": when}, fmt=plistlib.FMT_BINARY))

# A dictionary key that is a UTF-16 string holding U+0000.
write("nul-key.bplist", bytes.fromhex(
    "62706c6973743030d101026100005178080b0e0000000000000101000000000000000300000000000000"
    "000000000000000010"))


def raw(objects, top=0, ref=1, off=1, count=None):
    body = b"bplist00"
    offsets = []
    for o in objects:
        offsets.append(len(body))
        body += o
    table = len(body)
    for o in offsets:
        body += o.to_bytes(off, "big")
    n = len(objects) if count is None else count
    return body + bytes(6) + bytes([off, ref]) + struct.pack(">QQQ", n, top, table)


def array(refs, width):
    head = bytes([0xA0 | len(refs)]) if len(refs) < 15 else bytes([0xAF, 0x10, len(refs)])
    return head + b"".join(r.to_bytes(width, "big") for r in refs)


# 100,000 nested arrays.
n = 100000
write("nested-arrays.bplist", raw([array([i + 1], 3) for i in range(n)] + [b"\x50"], ref=3, off=3))

# A trailer that claims 2^63 objects.
write("huge-count.bplist", raw([b"\xd0"], count=1 << 63))

# Arrays that each reference the next one twice: 2^k paths from a file of ~140 bytes.
k = 40
write("shared-arrays.bplist", raw([array([i + 1, i + 1], 1) for i in range(k)] + [b"\x51a"]))

# Summaries: blanks before and after the text, a line feed, a character outside the basic
# plane near the cut (the last byte picks the preview's limit), and file names to cut.
write("summary-text.bplist", plistlib.dumps({"kind": "text", "text": " \n\t a\nb 😀 c \n ",
                                             "files": [], "createdAt": when},
                                            fmt=plistlib.FMT_BINARY))
write("summary-files.bplist", plistlib.dumps({"kind": "files", "files": ["/a/b/", "/c/d.txt", "e", ""],
                                              "createdAt": when}, fmt=plistlib.FMT_BINARY))
