# SPDX-License-Identifier: GPL-3.0-or-later
"""Human text out of each kind of source file, one segment a line.

Every function takes the text of one file and returns its segments (lists of str); none
keeps markup, code, links' targets or speaker labels.
"""
import re

HAN = re.compile(r'[\u3400-\u4dbf\u4e00-\u9fff\uf900-\ufaff]')
# A sentence ends at a full stop, question or exclamation mark (and any closing quote after it).
SENTENCE_END = re.compile(r'(?<=[。！？!?])[」』”）)]*')


def _front_matter(text):
    """Splits off YAML front matter: (its text or '', the rest)."""
    m = re.match(r'^---\n(.*?)\n---\n', text, re.S)
    return (m.group(1), text[m.end():]) if m else ('', text)


def _inline_markdown(s):
    s = re.sub(r'!\[[^\]]*\]\([^)]*\)', '', s)          # images
    s = re.sub(r'\[([^\]]*)\]\([^)]*\)', r'\1', s)      # links keep their text
    s = re.sub(r'`[^`]*`', '', s)                       # inline code
    s = re.sub(r'\{:[^}]*\}', '', s)                    # kramdown attributes ({:target=...})
    s = re.sub(r'<[^>]+>', '', s)                       # inline HTML
    s = re.sub(r'https?://\S+', '', s)
    s = re.sub(r'^(#+|>|[-*+]|\d+\.)\s*', '', s)        # headings, quotes, list marks
    return s.replace('**', '').strip()


def md_lines(text, max_year=0):
    """Prose lines of a Markdown post (no front matter, code, tables or HTML blocks). A post
    whose front matter dates it after max_year (or does not date it) gives nothing."""
    front, body = _front_matter(text)
    if max_year:
        date = re.search(r'^date:\s*"?(\d{4})', front, re.M)
        if not date or int(date.group(1)) > max_year:
            return []
    out, fence = [], False
    for line in body.split('\n'):
        s = line.strip()
        if s.startswith('```') or s.startswith('~~~'):
            fence = not fence
            continue
        if fence or s.startswith('|') or s.startswith('<') or s.startswith('{{') or s.startswith('{%'):
            continue
        s = _inline_markdown(s)
        if HAN.search(s):
            out.append(s)
    return out


def po_units(text):
    """The msgstr text of each translated, non-fuzzy PO entry, split at line breaks."""
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


def sentences(paragraph):
    """A paragraph cut after each sentence's closing mark, as subtitles cut speech."""
    out, start = [], 0
    for m in SENTENCE_END.finditer(paragraph):
        out.append(paragraph[start:m.end()].strip())
        start = m.end()
    out.append(paragraph[start:].strip())
    return [s for s in out if HAN.search(s)]


def transcript_segments(text):
    """Spoken turns of a transcript (speaker labels '### Name：', headings and bracketed stage
    directions dropped), one sentence a segment."""
    out = []
    for line in text.split('\n'):
        s = line.strip()
        if not s or s.startswith('#') or s.startswith('>') or s.startswith('<'):
            continue
        s = re.sub(r'（[^）]*）|\([^)]*\)', '', _inline_markdown(s))
        out += sentences(s)
    return out

