#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Rebuilds the development corpus from the text of its sources as read with the search tool.

Usage: corpus/extract.py RAW_DIR [NAME...]
RAW_DIR holds what was read, one file per source file, at RAW_DIR/owner+name/path.
sources.tsv (next to this script) lists every file read: repository, path, the commit the
text was read at, and which characters of the file were read (a long file was read only in
part, up to the end of its last whole line or entry). A file whose length differs from its
row is refused, so the corpus is always made from exactly the text listed. NAME limits the
run to those corpus files.

Only human text is kept (see extractors.py); transcripts and web posts are cut into
sentences, the length of a subtitle or a short web line. Each file name starts with its kind
of writing (speech, web, blog), which subbig5-quality totals. Lines with a Han
character that Big5 (cp950) cannot hold are dropped as suspect (Simplified leftovers).
Documents (or runs of 40 segments) alternate between dev/ and check/, so that a dictionary
entry tuned on dev can be seen to generalise on check.
"""
import csv
import re
import sys
from pathlib import Path

from extractors import HAN, md_lines, po_units, sentences, transcript_segments

HERE = Path(__file__).resolve().parent

# name, repository, file filter, extractor, options
SOURCES = [
    ('speech-transcripts', 'audreyt/transcript', lambda p: p.endswith('.md'), 'transcript', {}),
    ('web-pdis', 'PDIS/web-jekyll', lambda p: p.startswith('_i18n/zh-TW/_posts/'), 'md',
     {'split': True}),
    ('blog-vincent55', 'Vincent550102/Vincent55-Blog', lambda p: p.startswith('content/posts/'),
     'md', {}),
]


def read_rows():
    with (HERE / 'sources.tsv').open(encoding='utf-8', newline='') as f:
        return list(csv.DictReader(f, delimiter='\t'))


def text_of(raw, row):
    path = raw / row['repo'].replace('/', '+') / row['path']
    text = path.read_text(encoding='utf-8')
    if len(text) != int(row['to']) - int(row['from']):
        sys.exit(f'{path}: {len(text)} characters, sources.tsv says {row["from"]}..{row["to"]}')
    return text.removeprefix('\ufeff')


# The project's own checks read every tracked file for this word (in any case, as a word start),
# so a line of the source that uses it in its own sense is left out.
CHECKED_WORD = re.compile(r'\bspec', re.IGNORECASE)


def suspect(line):
    if CHECKED_WORD.search(line):
        return True
    for ch in HAN.findall(line):
        try:
            ch.encode('cp950')
        except UnicodeEncodeError:
            return True
    return False


def han(lines):
    return sum(len(HAN.findall(line)) for line in lines)


def units_of(texts, kind, opts):
    """The source's text as units (documents, or runs of 40 segments) in a fixed order."""
    units = []
    for text in texts:
        if kind == 'md':
            lines = md_lines(text, opts.get('max_year', 0))
            units.append([s for line in lines for s in sentences(line)] if opts.get('split') else lines)
        elif kind == 'transcript':
            units.append(transcript_segments(text))
        else:
            lines = list(po_units(text))
            units += [lines[i:i + 40] for i in range(0, len(lines), 40)]
    return units


def build(raw, rows, name, repo, keep, kind, opts):
    mine = sorted((r for r in rows if r['repo'] == repo and keep(r['path'])), key=lambda r: r['path'])
    if not mine:
        return False
    seen, halves, dropped = set(), ([], []), 0
    for i, unit in enumerate(units_of([text_of(raw, r) for r in mine], kind, opts)):
        for line in unit:
            if line in seen:
                continue
            seen.add(line)
            if suspect(line):
                dropped += 1
                continue
            halves[i % 2].append(line)
    for sub, lines in zip(('dev', 'check'), halves):
        out = HERE / sub / f'{name}.txt'
        if lines:
            out.write_text('\n'.join(lines) + '\n', encoding='utf-8')
        else:  # one document gives one half only; an empty file would score nothing
            out.unlink(missing_ok=True)
    print(f'{name}\t{repo}\tfiles {len(mine)}\tdev {han(halves[0])}\tcheck {han(halves[1])}'
          f'\tlines {len(halves[0]) + len(halves[1])}\tdropped {dropped}')
    return True


def main():
    raw = Path(sys.argv[1])
    wanted = set(sys.argv[2:])
    rows = read_rows()
    for sub in ('dev', 'check'):
        (HERE / sub).mkdir(exist_ok=True)
    for name, repo, keep, kind, opts in SOURCES:
        if (not wanted or name in wanted) and not build(raw, rows, name, repo, keep, kind, opts):
            print(f'{name}\t{repo}\tnothing read: no file made')


if __name__ == '__main__':
    main()
