#!/usr/bin/env python3
"""Rebuilds the development corpus from local copies of its sources.

Usage: corpus/extract.py MIRROR_DIR [NAME...]
MIRROR_DIR holds one bare git directory per source repository, named owner+name/repo; the
commits the corpus was made from are listed in SOURCES.md and pinned below. NAME limits the
run to those files. Only human text is kept (see extractors.py); the newer sources are cut
into sentences, the length of a subtitle or a short web line. Each file name starts with
its kind of writing (speech, sentences, web, blog, ui, help), which subbig5-quality totals.
Lines with a Han character that Big5 (cp950) cannot hold are dropped as suspect (Simplified
leftovers). Documents (or runs of 40 segments) alternate between dev/ and check/, so that a
dictionary entry tuned on dev can be seen to generalise on check.
"""
import subprocess
import sys
from pathlib import Path

from extractors import HAN, md_lines, po_units, sentences, tatoeba_sentences, transcript_segments

# The Tatoeba contributors whose Mandarin sentences are written the Taiwanese way (計程車,
# 公車, 腳踏車, 馬鈴薯, 網路; 哪裡 rather than 哪兒), checked by hand; others write
# mainland (出租車, 地鐵, 土豆) or Hong Kong forms, or are learners.
TATOEBA_TAIWAN = {'Martha', 'egg0073', 'tsayng', 'kanaorange'}

# Transcripts of interviews, talks and visits (spoken Mandarin, transcribed in Taiwan).
SPOKEN = ('專訪', '訪談', '對談', '直播', '演講', '座談', '採訪', '訪問', '來訪', '講座')


def speech_files(p):
    return p[:4] in ('2017', '2018', '2019') and p.endswith('.md') and '/' not in p \
        and any(word in p for word in SPOKEN)


def pdis_posts(p):
    return p.startswith('_i18n/zh-TW/_posts/20') and p.endswith('.md') \
        and p.split('/')[3] in ('2017', '2018', '2019', '2020')


# name, repository, commit, file filter, extractor, options
SOURCES = [
    ('blog-cloudywing', 'CloudyWing/HackMD-Notes', 'd6f5ee050d133b17be901fda70f8dcdca3d35f3f',
     lambda p: p.startswith('docs/') and p.endswith('.md') and not p.startswith('docs/ai/'),
     'md', {'max_year': 2024}),
    ('blog-vincent55', 'Vincent550102/Vincent55-Blog', '701550429f22a548240d7180c1065a54de8c79ad',
     lambda p: p.startswith('content/posts/') and p.endswith('.md'), 'md', {}),
    ('ui-nautilus', 'GNOME/nautilus', 'a7e2395be6a7bbbb47ae1147dacce3bc063176b2',
     lambda p: p == 'po/zh_TW.po', 'po', {}),
    ('ui-control-center', 'GNOME/gnome-control-center', '6dfc9f2fe27499890df831e13d7bcc5ee6da5bec',
     lambda p: p == 'po/zh_TW.po', 'po', {}),
    ('ui-software', 'GNOME/gnome-software', '0512a608afc3b022989dab9797992b9b2c9b8a4d',
     lambda p: p == 'po/zh_TW.po', 'po', {}),
    ('help-gedit', 'GNOME/gedit', '5af5bbe66e30df83fdffd55fc419d493c408fd3b',
     lambda p: p == 'help/zh_TW/zh_TW.po', 'po', {}),
    # Every third transcript, its first 30 sentences, up to 100,000 Han characters.
    ('speech-transcripts', 'audreyt/transcript', '1524a5d25dd6a05608062d9f86ae3b57f2be79da',
     speech_files, 'transcript', {'stride': 3, 'per_file': 30, 'max_han': 100000}),
    ('web-pdis', 'PDIS/web-jekyll', '1ab51518a56e80bba0de9c530261fb2ffbd849eb',
     pdis_posts, 'md', {'max_han': 100000, 'split': True}),
    ('sentences-tatoeba', 'arasouli91/yablaScripts', 'c6adcc7ca99bacc7baf70563859d7766bdb34b97',
     lambda p: p == 'cmn_sentences.tsv', 'tatoeba',
     {'attributions': ('13luoyu/Transformer-machine-translation',
                       'aa43963320ccfacebd1d3542deae559bbca58d03', 'cmn.txt')}),
]


def git(gitdir, *args):
    return subprocess.run(['git', '--git-dir', str(gitdir), *args], check=True,
                          capture_output=True).stdout


def show(mirror, repo, commit, path):
    gitdir = mirror / repo.replace('/', '+') / 'repo'
    return git(gitdir, 'show', f'{commit}:{path}').decode('utf-8-sig', 'replace')


def suspect(line):
    for ch in HAN.findall(line):
        try:
            ch.encode('cp950')
        except UnicodeEncodeError:
            return True
    return False


def han(lines):
    return sum(len(HAN.findall(line)) for line in lines)


def units_of(mirror, repo, commit, paths, kind, opts):
    """The source's text as units (documents, or runs of 40 segments) in a fixed order."""
    if kind == 'tatoeba':
        attribution = show(mirror, *opts['attributions'])
        found = tatoeba_sentences(show(mirror, repo, commit, paths[0]), attribution,
                                  TATOEBA_TAIWAN)
        lines = [text for _, text in found]
        return [lines[i:i + 40] for i in range(0, len(lines), 40)]
    units = []
    for path in paths[::opts.get('stride', 1)]:
        text = show(mirror, repo, commit, path)
        if kind == 'md':
            lines = md_lines(text, opts.get('max_year', 0))
            units.append([s for line in lines for s in sentences(line)] if opts.get('split') else lines)
        elif kind == 'transcript':
            units.append(transcript_segments(text)[:opts['per_file']])
        else:
            lines = list(po_units(text))
            units += [lines[i:i + 40] for i in range(0, len(lines), 40)]
    return units


def build(mirror, here, name, repo, commit, keep, kind, opts):
    gitdir = mirror / repo.replace('/', '+') / 'repo'
    paths = sorted(p for p in git(gitdir, 'ls-tree', '-r', '--name-only', '-z', commit)
                   .decode().split('\0') if p and keep(p))
    seen, halves, dropped, total = set(), ([], []), 0, 0
    for i, unit in enumerate(units_of(mirror, repo, commit, paths, kind, opts)):
        if total >= opts.get('max_han', float('inf')):
            break
        for line in unit:
            if line in seen:
                continue
            seen.add(line)
            if suspect(line):
                dropped += 1
                continue
            halves[i % 2].append(line)
            total += han([line])
    for sub, lines in zip(('dev', 'check'), halves):
        (here / sub / f'{name}.txt').write_text('\n'.join(lines) + '\n', encoding='utf-8')
    print(f'{name}\t{repo}\t{commit}\tdev {han(halves[0])}\tcheck {han(halves[1])}'
          f'\tlines {len(halves[0]) + len(halves[1])}\tdropped {dropped}')


def main():
    mirror = Path(sys.argv[1])
    wanted = set(sys.argv[2:])
    here = Path(__file__).resolve().parent
    for sub in ('dev', 'check'):
        (here / sub).mkdir(exist_ok=True)
    for name, repo, commit, keep, kind, opts in SOURCES:
        if not wanted or name in wanted:
            build(mirror, here, name, repo, commit, keep, kind, opts)


if __name__ == '__main__':
    main()
