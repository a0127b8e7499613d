#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Makes a program's --help text (a C++ header) and its man page from one source.

Usage: make-help.py SOURCE.txt OUT.h OUT.1 VERSION
(also writes OUT.1.gz, the compressed man page that gets installed)

SOURCE holds a few "Key: value" lines (Name, Summary, See-Also), a line "---", and then
the help text exactly as the program prints it. The man page is read out of that text:
  - "Usage: PROG ARGS" on the first line becomes the synopsis;
  - the paragraphs before the first heading become the description;
  - a line "Heading:" at the left margin starts a section; "Heading: text" at the left
    margin (at most three words) starts a section that begins with that text;
  - in a section, a line indented by two spaces starts an item: its term, then two or
    more spaces and its description; deeper lines continue the description, and lines
    indented past the description column are kept as they are (a nested list);
  - other text at the left margin after a list is kept as a paragraph under NOTES.
"""

import gzip
import re
import sys


def fail(message):
    sys.stderr.write("make-help.py: %s\n" % message)
    sys.exit(1)


def read_source(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    head, sep, body = text.partition("\n---\n")
    if not sep:
        fail("%s: no '---' line between the header and the help text" % path)
    fields = {}
    for line in head.splitlines():
        if line.strip():
            key, colon, value = line.partition(":")
            if not colon:
                fail("%s: header line without ':': %s" % (path, line))
            fields[key.strip()] = value.strip()
    for key in ("Name", "Summary"):
        if key not in fields:
            fail("%s: missing header field %s" % (path, key))
    if ')"' in body:
        fail("%s: the help text may not contain ')\"'" % path)
    return fields, body


def roff(text):
    """Escapes plain text for troff; option dashes become real minus signs."""
    text = text.replace("\\", "\\e")
    text = re.sub(r"(?<![\w.])-", r"\\-", text)
    if text.startswith((".", "'")):
        text = "\\&" + text
    return text


HEADING = re.compile(r"^([A-Z][A-Za-z]*(?: [a-z]+){0,2}):(?: (.*))?$")
ITEM = re.compile(r"^  (\S.*?)(?:( {2,})(\S.*))?$")


def man_page(fields, body, version):
    name = fields["Name"]
    lines = body.rstrip("\n").split("\n")
    usage = re.match(r"^Usage: (\S+)(.*)$", lines[0])
    if not usage or usage.group(1) != name:
        fail("the help text must begin with 'Usage: %s'" % name)

    out = []
    out.append('.TH "%s" "1" "" "Quillary %s" "User Commands"' % (name.upper(), version))
    out.append(".SH NAME")
    out.append("%s \\- %s" % (roff(name), roff(fields["Summary"])))
    out.append(".SH SYNOPSIS")
    out.append(".B %s\n%s" % (roff(name), roff(usage.group(2).strip())))
    out.append(".SH DESCRIPTION")

    state = "text"          # text | list
    paragraph_open = False  # a .PP was written for the current paragraph
    desc_col = None         # description column of the current item
    nested = False          # inside a kept-as-is nested block

    def end_nested():
        nonlocal nested
        if nested:
            out.append(".in\n.fi")
            nested = False

    for line in lines[1:]:
        if not line.strip():
            end_nested()
            paragraph_open = False
            continue
        indent = len(line) - len(line.lstrip(" "))
        heading = HEADING.match(line) if indent == 0 else None
        if heading:
            end_nested()
            out.append(".SH %s" % heading.group(1).upper())
            state = "list" if heading.group(2) is None else "text"
            paragraph_open = heading.group(2) is not None
            if heading.group(2):
                out.append(roff(heading.group(2)))
            continue
        if indent == 0:
            end_nested()
            if state == "list":
                out.append(".SH NOTES")
                state = "text"
            if not paragraph_open:
                out.append(".PP")
                paragraph_open = True
            out.append(roff(line))
            continue
        if indent == 2 and state == "list":
            end_nested()
            item = ITEM.match(line)
            term = item.group(1)
            first, _, rest = term.partition(" ")
            out.append(".TP")
            out.append("\\fB%s\\fR%s" % (roff(first), (" " + roff(rest)) if rest else ""))
            desc_col = (len(item.group(1)) + 2 + len(item.group(2))) if item.group(3) else None
            if item.group(3):
                out.append(roff(item.group(3)))
            continue
        # A continuation line.
        if desc_col is None:
            desc_col = indent
        if indent > desc_col:
            if not nested:
                out.append(".nf\n.in +2n")
                nested = True
            out.append(roff(line[desc_col:]))
        else:
            end_nested()
            out.append(roff(line.strip()))
    end_nested()

    if fields.get("See-Also"):
        out.append(".SH SEE ALSO")
        refs = []
        for ref in fields["See-Also"].split(","):
            m = re.match(r"^\s*(\S+)\((\d)\)\s*$", ref)
            if not m:
                fail("bad See-Also entry: %s" % ref)
            refs.append(".BR %s (%s)" % (roff(m.group(1)), m.group(2)))
        out.append(",\n".join(refs))
    return "\n".join(out) + "\n"


def header(fields, body):
    return (
        "// Generated from docs/help/%s.txt by tools/make-help.py; edit that file instead.\n"
        "#pragma once\n\n"
        'inline constexpr const char kHelpText[] = R"(%s)";\n' % (fields["Name"], body)
    )


def write_if_changed(path, text):
    try:
        with open(path, encoding="utf-8") as f:
            if f.read() == text:
                return
    except OSError:
        pass
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def main():
    if len(sys.argv) != 5:
        fail("usage: make-help.py SOURCE.txt OUT.h OUT.1 VERSION")
    fields, body = read_source(sys.argv[1])
    write_if_changed(sys.argv[2], header(fields, body))
    page = man_page(fields, body, sys.argv[4])
    write_if_changed(sys.argv[3], page)
    # mtime 0 keeps the package reproducible.
    with open(sys.argv[3] + ".gz", "wb") as f:
        f.write(gzip.compress(page.encode("utf-8"), 9, mtime=0))


if __name__ == "__main__":
    main()
