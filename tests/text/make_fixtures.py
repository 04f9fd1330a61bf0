#!/usr/bin/env python3
"""Writes the oracle cases under tests/fixtures/text/ from Python's own implementations.

  url.json      CURLEncoder against urllib.parse.quote_plus(safe="-_.!~*'()")
  rfc1123.json  CTimeExt::ParseRfc1123 against email.utils.parsedate_to_datetime
  markup.json   CMarkupSTL texts and attributes against xml.etree.ElementTree

Run it again after changing it; the fixtures are committed so the tests need no Python.
"""
import json
import os
import random
import re
import urllib.parse
import xml.etree.ElementTree as ET
from email.utils import parsedate_to_datetime

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "fixtures", "text")
SAFE = "-_.!~*'()"


def lower_hex(text):
    return re.sub(r"%[0-9A-F]{2}", lambda m: m.group(0).lower(), text)


def random_text(rng, n):
    pools = [
        (0x20, 0x7E),      # ASCII, punctuation included
        (0x00A0, 0x07FF),  # two-byte UTF-8
        (0xAC00, 0xD7A3),  # Hangul syllables
        (0xE000, 0xFFFD),  # the rest of the plane after the surrogates
        (0x10000, 0x10FFFF),
    ]
    out = []
    for _ in range(n):
        lo, hi = rng.choice(pools)
        out.append(chr(rng.randint(lo, hi)))
        if rng.random() < 0.05:
            out.append(rng.choice("\r\n\t+%&=/?:# "))
    return "".join(out)


def url_cases(rng):
    cases = []
    for _ in range(300):
        text = random_text(rng, rng.randint(0, 12))
        upper = urllib.parse.quote_plus(text, safe=SAFE)
        cases.append({"text": text, "lower": lower_hex(upper), "upper": upper})
    byte_cases = []
    for _ in range(100):
        data = bytes(rng.randint(1, 255) for _ in range(rng.randint(0, 16)))
        upper = urllib.parse.quote_plus(data, safe=SAFE)
        byte_cases.append({"hex": data.hex(), "lower": lower_hex(upper), "upper": upper})
    return {"utf16": cases, "bytes": byte_cases}


def rfc1123_cases(rng):
    days = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"]
    months = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]
    named = ["GMT", "UT", "Z", "EST", "EDT", "CST", "CDT", "MST", "MDT", "PST", "PDT"]
    cases = []
    for _ in range(400):
        if rng.random() < 0.5:
            zone = rng.choice(named)
        else:
            minutes = rng.randint(1, 14 * 60)
            zone = "%s%02d%02d" % (rng.choice("+-"), minutes // 60, minutes % 60)
        text = "%s, %02d %s %04d %02d:%02d:%02d %s" % (
            rng.choice(days), rng.randint(1, 28), rng.choice(months), rng.randint(1900, 2099),
            rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 59), zone)
        when = parsedate_to_datetime(text)
        cases.append({"text": text, "time": int(when.timestamp())})
    return cases


def escape_text(text, rng):
    # Mixes named entities, character references and plain characters, never putting "&#"
    # into the decoded text (that pair is read as a reference once more by design).
    out = []
    for ch in text:
        r = rng.random()
        if ch == "&":
            out.append("&amp;")
        elif ch == "<":
            out.append("&lt;")
        elif ch == ">":
            out.append(rng.choice(["&gt;", ">"]))
        elif ch == "'" and r < 0.5:
            out.append("&apos;")
        elif ch == '"':
            out.append(rng.choice(["&quot;", '"']))
        elif r < 0.15 and ord(ch) > 0x20:
            out.append(rng.choice(["&#%d;", "&#x%x;", "&#x%X;"]) % ord(ch))
        else:
            out.append(ch)
    return "".join(out)


def element_text(rng):
    pool = "abc xyz 123 <>&'\"일정 동기화 ü€ ;#"
    text = "".join(rng.choice(pool) for _ in range(rng.randint(0, 10)))
    return text.replace("&#", "& #")


def make_element(rng, depth, counter):
    counter[0] += 1
    name = rng.choice(["a", "b", "item", "name", "e-1", "x.y"])
    attrs = []
    for key in rng.sample(["id", "k", "default", "v2"], rng.randint(0, 2)):
        value = element_text(rng).replace("\t", " ")
        attrs.append(' %s="%s"' % (key, escape_text(value, rng).replace('"', "&quot;")))
    head = "<" + name + "".join(attrs)
    if depth < 4 and rng.random() < 0.45 and counter[0] < 60:
        children = "".join("\n" + " " * depth + make_element(rng, depth + 1, counter)
                           for _ in range(rng.randint(1, 4)))
        return head + ">" + children + "\n</" + name + ">"
    r = rng.random()
    if r < 0.1:
        return head + "/>"
    if r < 0.2:
        return head + "><![CDATA[" + element_text(rng) + "]]></" + name + ">"
    return head + ">" + escape_text(element_text(rng), rng) + "</" + name + ">"


def walk(elem, out):
    text = elem.text or ""
    if len(elem):
        text = ""
    out.append({"tag": elem.tag, "text": text, "attrs": dict(elem.attrib)})
    for child in elem:
        walk(child, out)


def markup_cases(rng):
    cases = []
    for _ in range(150):
        body = make_element(rng, 0, [0])
        doc = '<?xml version="1.0" encoding="UTF-8"?>\n<!-- generated -->\n' + body + "\n"
        root = ET.fromstring(doc.encode("utf-8"))
        elems = []
        walk(root, elems)
        cases.append({"doc": doc, "elements": elems})
    return cases


def main():
    os.makedirs(OUT, exist_ok=True)
    rng = random.Random(20061)
    for name, data in (("url.json", url_cases(rng)), ("rfc1123.json", rfc1123_cases(rng)),
                       ("markup.json", markup_cases(rng))):
        with open(os.path.join(OUT, name), "w", encoding="utf-8") as f:
            json.dump(data, f, ensure_ascii=True, indent=0)
            f.write("\n")


if __name__ == "__main__":
    main()
