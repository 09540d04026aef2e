#!/usr/bin/env python3
"""Rebuilds the development corpus from local checkouts of its sources.

Usage: corpus/extract.py MIRROR_DIR
MIRROR_DIR holds one bare git directory per source, named owner+name/repo, as listed in
SOURCES.md. Only human text is kept: msgstr of translated, non-fuzzy PO entries; prose
lines of Markdown posts (no front matter, code, tables, links' targets or HTML). Each
segment becomes one line. Lines with a Han character that Big5 (cp950) cannot hold are
dropped as suspect (Simplified leftovers). Documents alternate between dev/ and check/ so
that a dictionary entry tuned on dev can be seen to generalise on check.
"""
import re
import subprocess
import sys
from pathlib import Path

HAN = re.compile(r'[\u3400-\u4dbf\u4e00-\u9fff\uf900-\ufaff]')

# name, repository, file filter (path -> bool), kind; the commits used are in SOURCES.md
SOURCES = [
    ('blog-cloudywing', 'CloudyWing/HackMD-Notes',
     lambda p: p.startswith('docs/') and p.endswith('.md') and not p.startswith('docs/ai/'), 'md'),
    ('blog-vincent55', 'Vincent550102/Vincent55-Blog',
     lambda p: p.startswith('content/posts/') and p.endswith('.md'), 'md'),
    ('ui-nautilus', 'GNOME/nautilus', lambda p: p == 'po/zh_TW.po', 'po'),
    ('ui-control-center', 'GNOME/gnome-control-center',
     lambda p: p == 'po/zh_TW.po', 'po'),
    ('ui-software', 'GNOME/gnome-software', lambda p: p == 'po/zh_TW.po', 'po'),
    ('help-gedit', 'GNOME/gedit', lambda p: p == 'help/zh_TW/zh_TW.po', 'po'),
]


def git(repo, *args):
    return subprocess.run(['git', '--git-dir', str(repo), *args], check=True,
                          capture_output=True).stdout


def suspect(line):
    for ch in HAN.findall(line):
        try:
            ch.encode('cp950')
        except UnicodeEncodeError:
            return True
    return False


def md_lines(text, min_year):
    m = re.match(r'^---\n(.*?)\n---\n', text, re.S)
    if m:
        date = re.search(r'^date:\s*"?(\d{4})', m.group(1), re.M)
        if min_year and (not date or int(date.group(1)) > min_year):
            return []
        text = text[m.end():]
    out, fence = [], False
    for line in text.split('\n'):
        s = line.strip()
        if s.startswith('```') or s.startswith('~~~'):
            fence = not fence
            continue
        if fence or s.startswith('|') or s.startswith('<') or s.startswith('{{'):
            continue
        s = re.sub(r'!\[[^\]]*\]\([^)]*\)', '', s)          # images
        s = re.sub(r'\[([^\]]*)\]\([^)]*\)', r'\1', s)      # links keep their text
        s = re.sub(r'`[^`]*`', '', s)                       # inline code
        s = re.sub(r'<[^>]+>', '', s)                       # inline HTML
        s = re.sub(r'https?://\S+', '', s)
        s = re.sub(r'^(#+|>|[-*+]|\d+\.)\s*', '', s)        # headings, quotes, list marks
        s = s.replace('**', '').strip()
        if HAN.search(s):
            out.append(s)
    return out


def po_units(text):
    """Yields the msgstr text of each translated, non-fuzzy entry."""
    for block in re.split(r'\n\s*\n', text):
        if '#, fuzzy' in block or 'msgid ""\nmsgstr ""\n"Project-Id' in block:
            continue
        m = re.search(r'^msgstr(?:\[0\])? ((?:".*"\n?)+)', block, re.M)
        if not m:
            continue
        s = ''.join(re.findall(r'"(.*)"', m.group(1)))
        s = s.replace('\\n', '\n').replace('\\"', '"').replace('\\t', ' ')
        for part in s.split('\n'):
            part = re.sub(r'<[^>]+>', '', part)
            part = re.sub(r'_(?=\w)', '', part)                # mnemonics
            part = re.sub(r'\(_?[A-Za-z]\)', '', part).strip()  # (_F) accelerators
            if HAN.search(part):
                yield part


def main():
    mirror = Path(sys.argv[1])
    here = Path(__file__).resolve().parent
    for sub in ('dev', 'check'):
        (here / sub).mkdir(exist_ok=True)
    for name, repo, keep, kind in SOURCES:
        gitdir = mirror / repo.replace('/', '+') / 'repo'
        commit = git(gitdir, 'rev-parse', 'HEAD').decode().strip()
        paths = [p for p in git(gitdir, 'ls-tree', '-r', '--name-only', '-z', 'HEAD')
                 .decode().split('\0') if p and keep(p)]
        units = []
        for p in sorted(paths):
            text = git(gitdir, 'show', f'HEAD:{p}').decode('utf-8', 'replace')
            if kind == 'md':
                units.append(md_lines(text, 2024 if name == 'blog-cloudywing' else 0))
            else:
                lines = list(po_units(text))
                units += [lines[i:i + 40] for i in range(0, len(lines), 40)]
        seen, halves, dropped = set(), ([], []), 0
        for i, unit in enumerate(units):
            for line in unit:
                if line in seen:
                    continue
                seen.add(line)
                if suspect(line):
                    dropped += 1
                    continue
                halves[i % 2].append(line)
        for sub, lines in zip(('dev', 'check'), halves):
            (here / sub / f'{name}.txt').write_text('\n'.join(lines) + '\n', encoding='utf-8')
        han = [sum(len(HAN.findall(l)) for l in h) for h in halves]
        print(f'{name}\t{repo}\t{commit}\tdev {han[0]}\tcheck {han[1]}\tdropped {dropped}')


if __name__ == '__main__':
    main()
