#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Builds the parallel (localization) corpus: a fansub group's Simplified subtitle lines beside
the Traditional (Taiwan) lines the same group published for the same episode.

Usage:
  corpus/parallel.py scan  MIRROR_DIR GROUP REPO list the Simplified/Traditional file pairs of a
                                                 fetched repository, the commit each pair is read
                                                 at and its counts, as rows for parallel.tsv
  corpus/parallel.py build MIRROR_ROOT OUT_DIR   write OUT_DIR/localization-GROUP.tsv for every
                                                 group of parallel.tsv, and print the counts
  corpus/parallel.py count MIRROR_ROOT           fill in the counts of parallel.tsv again

MIRROR_DIR is a git directory as the search tool's `fetch` leaves it (no work tree);
MIRROR_ROOT holds them as owner+name/repo. parallel.tsv (next to this script) is the manifest:
group, repository, commit, Simplified path, Traditional path, and the counts of what was paired.
Nothing fetched is committed (the sources carry no licence that allows it); the built files
stay outside the repository and subbig5-quality reads them from there.

Lines are paired by timing: the same start, end and style. Override tags ({...}) are removed and
ASS line breaks become spaces. Lines of one timing pair in file order when both sides have as
many; a line is kept only when it has two Han characters or more, once per file
(karaoke effects repeat a line for every syllable), is not Japanese (no kana: the
bilingual releases carry the Japanese lines too), and the Traditional side is not a Simplified leftover (a character the
Big5 code page lacks).

Groups name the two files differently: ep1_sc.ass and ep1_tc.ass, x.chs.ass and x.cht.ass (at
times in chs/ and cht/ folders, the group's own name converted too), x.JPSC.ass and x.JPTC.ass,
x.zh-Hans.ass and x.zh-Hant.ass. A scan leaves out a pair that pairs no line, and a pair whose
lines are mostly those of a pair already listed (a release kept in a second folder).
"""
import csv
import re
import subprocess
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
HAN = re.compile(r'[\u3400-\u4dbf\u4e00-\u9fff\uf900-\ufaff]')
KANA = re.compile(r'[\u3040-\u30ff]')
TAGS = re.compile(r'\{[^}]*\}')
FIELDS = ['group', 'repo', 'commit', 'simplified', 'traditional', 'pairs', 'han_traditional']


def git(gitdir, *args):
    return subprocess.run(['git', '--git-dir', str(gitdir), *args], capture_output=True,
                          check=False).stdout


def show(gitdir, commit, path):
    data = git(gitdir, 'show', f'{commit}:{path}')
    return data.decode('utf-8-sig', errors='replace')


def events(text):
    """(start, end, style) -> the texts of the Dialogue lines with that timing, in file order."""
    out = {}
    for line in text.splitlines():
        if not line.startswith('Dialogue:'):
            continue
        parts = line[len('Dialogue:'):].split(',', 9)
        if len(parts) < 10:
            continue
        key = (parts[1].strip(), parts[2].strip(), parts[3].strip())
        body = TAGS.sub('', parts[9]).replace('\\N', ' ').replace('\\n', ' ').replace('\\h', ' ')
        body = ' '.join(body.split())
        out.setdefault(key, []).append(body)
    return out


def big5_safe(line):
    for ch in HAN.findall(line):
        try:
            ch.encode('cp950')
        except UnicodeEncodeError:
            return False
    return True


def pairs(gitdir, commit, sc_path, tc_path):
    sc = events(show(gitdir, commit, sc_path))
    tc = events(show(gitdir, commit, tc_path))
    seen = set()
    for key, ss in sc.items():
        ts = tc.get(key, [])
        if len(ts) != len(ss):   # lines added or removed between the versions: not paired
            continue
        for s, t in zip(ss, ts):
            if not HAN.search(s) or not HAN.search(t) or KANA.search(s + t):
                continue
            if '\t' in s or '\t' in t or not big5_safe(t) or len(HAN.findall(s)) < 2:
                continue
            if (s, t) in seen:   # karaoke effects repeat a song line once per syllable
                continue
            seen.add((s, t))
            yield s, t


# How groups name a Traditional file and its Simplified twin: a suffix (ep1_tc.ass, x.cht.ass,
# x.JPTC.ass, x.zh-Hant.ass) and sometimes a folder of its own (cht/ beside chs/).
TC_SUFFIXES = (('_tc.ass', '_sc.ass'), ('_tc.ass', '.ass'), ('.cht.ass', '.chs.ass'),
               ('.tc.ass', '.sc.ass'), ('.JPTC.ass', '.JPSC.ass'),
               ('.zh-Hant.ass', '.zh-Hans.ass'), ('.zh-hant.ass', '.zh-hans.ass'))
TC_FOLDERS = (('cht/', 'chs/'), ('CHT/', 'CHS/'), ('tc/', 'sc/'))


def is_traditional(path):
    return path.endswith(tuple(tc for tc, _ in TC_SUFFIXES))


def tc_partner(path):
    """The Simplified files that may sit beside a Traditional one, by the group's naming."""
    for tc, sc in TC_SUFFIXES:
        if not path.endswith(tc):
            continue
        base = path[:-len(tc)] + sc
        yield base
        for tdir, sdir in TC_FOLDERS:
            if '/' + tdir in '/' + base:
                yield ('/' + base).replace('/' + tdir, '/' + sdir)[1:]


def scan(gitdir, group):
    """Each Traditional file at the last commit that changed it, with its Simplified partner."""
    commits = git(gitdir, 'rev-list', 'HEAD').decode().split()
    seen = set()
    rows = []
    for c in commits:   # newest first, so the first commit a path is seen at is its latest
        names = git(gitdir, '-c', 'core.quotepath=off', 'ls-tree', '-r', '--name-only', c)
        names = set(names.decode('utf-8', 'replace').splitlines())
        unhan = {HAN.sub('', n): n for n in names if not is_traditional(n)}
        for tc in sorted(n for n in names if is_traditional(n)):
            if tc in seen or '/staff/' in tc or tc.startswith('ep.template'):
                continue
            sc = next((p for p in tc_partner(tc) if p in names), None)
            if sc is None:   # the group's own name converted too: 擺爛組 beside 摆烂组
                sc = next((unhan[HAN.sub('', p)] for p in tc_partner(tc)
                           if HAN.sub('', p) in unhan), None)
            if sc is None:
                continue
            # the last commit that changed the Traditional file
            last = git(gitdir, 'log', '-1', '--format=%H', c, '--', tc).decode().strip() or c
            seen.add(tc)
            rows.append((group, last, sc, tc))
    return rows


def main():
    if len(sys.argv) == 5 and sys.argv[1] == 'scan':
        gitdir = Path(sys.argv[2])
        w = csv.writer(sys.stdout, delimiter='\t', lineterminator='\n')
        listed = set()
        for group, commit, sc, tc in scan(gitdir, sys.argv[3]):
            got = set(pairs(gitdir, commit, sc, tc))
            if not got or len(got & listed) * 2 >= len(got):
                continue
            listed |= got
            w.writerow([group, sys.argv[4], commit, sc, tc, len(got),
                        sum(len(HAN.findall(t)) for _, t in got)])
        return
    if len(sys.argv) != 4 or sys.argv[1] != 'build':
        sys.exit(__doc__)
    root, out = Path(sys.argv[2]), Path(sys.argv[3])
    out.mkdir(parents=True, exist_ok=True)
    with (HERE / 'parallel.tsv').open(encoding='utf-8', newline='') as f:
        rows = list(csv.DictReader(f, delimiter='\t'))
    files = {}
    totals = {}
    for row in rows:
        gitdir = root / row['repo'].replace('/', '+') / 'repo'
        got = list(pairs(gitdir, row['commit'], row['simplified'], row['traditional']))
        han = sum(len(HAN.findall(t)) for _, t in got)
        if (str(len(got)), str(han)) != (row['pairs'], row['han_traditional']):
            print(f'{row["traditional"]}: {len(got)} pairs, {han} Han; the manifest says '
                  f'{row["pairs"]}, {row["han_traditional"]}', file=sys.stderr)
        files.setdefault(row['group'], []).extend(got)
        t = totals.setdefault(row['group'], [0, 0, 0])
        t[0] += 1
        t[1] += len(got)
        t[2] += han
    for group, lines in files.items():
        with (out / f'localization-{group}.tsv').open('w', encoding='utf-8') as f:
            for s, t in lines:
                f.write(f'{s}\t{t}\n')
    for group, (n, p, h) in sorted(totals.items()):
        print(f'{group}: {n} files, {p} line pairs, {h} Han characters of Traditional lines')


def count(root):
    """Fills in the counts of parallel.tsv (run after editing its rows by hand)."""
    path = HERE / 'parallel.tsv'
    with path.open(encoding='utf-8', newline='') as f:
        rows = list(csv.DictReader(f, delimiter='\t'))
    for row in rows:
        gitdir = Path(root) / row['repo'].replace('/', '+') / 'repo'
        got = list(pairs(gitdir, row['commit'], row['simplified'], row['traditional']))
        row['pairs'] = len(got)
        row['han_traditional'] = sum(len(HAN.findall(t)) for _, t in got)
    with path.open('w', encoding='utf-8', newline='') as f:
        w = csv.DictWriter(f, FIELDS, delimiter='\t', lineterminator='\n')
        w.writeheader()
        w.writerows(rows)


if __name__ == '__main__':
    if len(sys.argv) == 3 and sys.argv[1] == 'count':
        count(sys.argv[2])
    else:
        main()
