#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Builds the list of uncertain kinds that review marks come from, with measured rates.

A kind is a Simplified character whose Traditional reading the converter has to choose:
  - the conversion's own one-to-many choices, from OpenCC's STCharacters (Taiwan variants
    applied, as the phrase step applies them): 干 -> 幹 乾 干, 发 -> 發 髮 ...;
  - characters where human Taiwanese text often differs from the phrase step's choice although
    the conversion saw only one reading (你 -> 妳, 它 -> 牠), found in the corpora given.

Its rate is how often the human text has another character where the phrase step wrote its
choice, measured on the corpora: Taiwanese text put through OpenCC's t2s (--taiwanese) and
Simplified subtitles beside the same group's Traditional version (--pairs, TSV files whose
lines are "simplified<TAB>traditional"), drawn towards the pooled rate of the conversion's own
choices by PRIOR_WEIGHT occurrences, so that a kind seen a few times is neither dropped nor
marked on the strength of one mistake.

Beside the characters it builds word kinds: runs of one to three Han characters of the phrase
step's output that editors often rewrote (可是 -> 但是, 眼下 -> 目前, 看上去 -> 看起來), which no
per-character list can point to. Each carries the part of the run they rewrote, their readings of
it and its rate, rewritten / (seen + WORD_PRIOR): a run seen once and rewritten once counts
a third. Runs are taken from every corpus, so that what the Taiwanese text
writes unchanged lowers a rate.

It also prints, per threshold, what the marks would catch on those corpora: the share of the
phrase step's wrong Han characters that lie in a mark, and the share of Han characters marked,
with each fansub group measured on kinds and words built without it.

  tools/review/uncertain_kinds.py --convert build/cli/subbig5-convert \
      --taiwanese corpus/dev --pairs DIR --out convert/review/uncertain.txt
"""
import argparse
import collections
import os
import subprocess
import sys
import tempfile

PRIOR_WEIGHT = 20    # a rate counts this many occurrences of the pooled rate besides its own
MIN_FOUND = 10       # a kind found in the corpus needs this many occurrences
MIN_ALTERNATIVE = 3  # and its other reading this many
WORD_PRIOR = 2       # a word's rate counts this many unchanged occurrences besides its own
WORD_THRESHOLD = 0.02
WORD_LENGTHS = (1, 2, 3)


def is_han(c):
    o = ord(c)
    return 0x3400 <= o <= 0x9FFF or 0xF900 <= o <= 0xFAFF or 0x20000 <= o <= 0x3FFFF


def ocd2_text(name):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "d.txt")
        subprocess.run(["opencc_dict", "-i", f"/usr/share/opencc/{name}.ocd2", "-o", out,
                        "-f", "ocd2", "-t", "text"], check=True)
        with open(out, encoding="utf-8") as f:
            return [line.rstrip("\n").split("\t") for line in f if "\t" in line]


def conversion_choices():
    variants = {k: v.split()[0] for k, v in ocd2_text("TWVariants") if len(k) == 1}
    kinds = {}
    for key, values in ocd2_text("STCharacters"):
        readings = []
        for r in values.split():
            r = variants.get(r, r)
            if r not in readings:
                readings.append(r)
        if len(key) == 1 and len(readings) > 1:
            kinds[key] = readings
    return kinds


def run(cmd, text):
    return subprocess.run(cmd, input=text.encode("utf-8"), capture_output=True, check=True).stdout.decode("utf-8")


def read_corpora(args):
    """(source, human) line pairs, per group name."""
    groups = collections.OrderedDict()
    for folder in args.taiwanese or []:
        for name in sorted(os.listdir(folder)):
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                human = [line.rstrip("\n") for line in f if line.strip()]
            source = run(["opencc", "-c", "t2s"], "\n".join(human) + "\n").split("\n")[:len(human)]
            groups["taiwanese/" + name] = list(zip(source, human))
    for folder in args.pairs or []:
        for name in sorted(os.listdir(folder)):
            pairs = []
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                for line in f:
                    parts = line.rstrip("\n").split("\t")
                    if len(parts) == 2:
                        pairs.append((parts[0], parts[1]))
            groups["pairs/" + name] = pairs
    return groups


def convert(binary, sources):
    out = run([binary, "-p", "--from", "utf-8", "--to", "utf-8"], "\n".join(sources) + "\n")
    return out.split("\n")[:len(sources)]


def triples(groups, binary):
    """(group, source, output, human) for every line whose three forms keep one length."""
    for group, pairs in groups.items():
        outputs = convert(binary, [s for s, _ in pairs])
        for (source, human), output in zip(pairs, outputs):
            if len(source) == len(output) == len(human):
                yield group, source, output, human


def measure(rows, choices):
    seen = collections.Counter()
    wrong = collections.Counter()
    chosen = collections.defaultdict(collections.Counter)
    human = collections.defaultdict(collections.Counter)
    for _, source, output, hum in rows:
        for s, o, h in zip(source, output, hum):
            if not is_han(s):
                continue
            seen[s] += 1
            chosen[s][o] += 1
            human[s][h] += 1
            if o != h:
                wrong[s] += 1
    kinds = {}
    for s, readings in choices.items():
        # What the phrase step wrote and what editors often wrote count as readings too (its
        # dictionary writes 計畫 where the characters alone allow only 劃 and 划).
        extra = [o for o in chosen[s] if o not in readings and is_han(o)]
        extra += [h for h, c in human[s].items() if h not in readings and h not in extra and c >= MIN_ALTERNATIVE and is_han(h)]
        kinds[s] = list(readings) + extra
    for s, n in seen.items():
        if s in kinds or n < MIN_FOUND or wrong[s] / n < 0.02:
            continue
        main = chosen[s].most_common(1)[0][0]
        others = [h for h, c in human[s].most_common() if h != main and c >= MIN_ALTERNATIVE and is_han(h)]
        if others:
            kinds[s] = [main] + others
    # Best first: what the human texts wrote most often, then the rest in their given order.
    for s, readings in kinds.items():
        order = {r: -human[s][r] for r in readings}
        kinds[s] = sorted(readings, key=lambda r: (order[r], readings.index(r)))
    pooled_seen = sum(seen[s] for s in choices)
    pooled = sum(wrong[s] for s in choices) / pooled_seen if pooled_seen else 0.0
    rates = {s: (wrong[s] + pooled * PRIOR_WEIGHT) / (seen[s] + PRIOR_WEIGHT) for s in kinds}
    return kinds, rates, seen, wrong, pooled


def measure_words(rows):
    """Output runs -> (seen, rewritten, {offset in the run: Counter of what editors wrote})."""
    seen = collections.Counter()
    rewritten = collections.Counter()
    where = collections.defaultdict(lambda: collections.defaultdict(collections.Counter))
    for _, _, output, hum in rows:
        for n in WORD_LENGTHS:
            for i in range(len(output) - n + 1):
                run = output[i:i + n]
                if not all(is_han(c) for c in run):
                    continue
                seen[run] += 1
                changed = [j for j in range(n) if output[i + j] != hum[i + j] and is_han(hum[i + j])]
                if changed:
                    rewritten[run] += 1
                    first, last = changed[0], changed[-1] + 1
                    where[run][(first, last)][hum[i + first:i + last]] += 1
    words = {}
    for run, r in rewritten.items():
        rate = r / (seen[run] + WORD_PRIOR)
        if rate < WORD_THRESHOLD:
            continue
        # The part most often rewritten, with what the editors wrote there, most often first.
        (first, last), readings = max(where[run].items(), key=lambda item: sum(item[1].values()))
        words[run] = (first, last, [run[first:last]] + [h for h, _ in readings.most_common()], rate, r, seen[run])
    return words


def word_marks(output, words):
    """Offsets of `output` inside a word kind's rewritten part."""
    marked = set()
    for n in WORD_LENGTHS:
        for i in range(len(output) - n + 1):
            word = words.get(output[i:i + n])
            if word:
                marked.update(range(i + word[0], i + word[1]))
    return marked


def evaluate(rows, kinds, rates, threshold, words=None):
    han = errors = caught = marked = 0
    for _, source, output, hum in rows:
        in_word = word_marks(output, words) if words else set()
        for i, (s, o, h) in enumerate(zip(source, output, hum)):
            if not is_han(s):
                continue
            han += 1
            is_marked = (s in kinds and rates[s] >= threshold and o in kinds[s]) or i in in_word
            marked += is_marked
            if o != h:
                errors += 1
                caught += is_marked
    return han, errors, caught, marked


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--convert", required=True, help="the subbig5-convert program")
    ap.add_argument("--taiwanese", action="append", help="folder of Taiwanese text, one segment a line")
    ap.add_argument("--pairs", action="append", help="folder of simplified<TAB>traditional files")
    ap.add_argument("--out", help="where to write the list")
    ap.add_argument("--words-out", help="where to write the word kinds")
    ap.add_argument("--threshold", type=float, default=0.05)
    args = ap.parse_args()

    choices = conversion_choices()
    groups = read_corpora(args)
    rows = list(triples(groups, args.convert))
    kinds, rates, seen, wrong, pooled = measure(rows, choices)
    words = measure_words(rows)

    print(f"{len(rows)} lines, {len(kinds)} kinds ({len(choices)} from the conversion), pooled rate {pooled:.3f}")
    print("threshold  caught/errors  marked/Han")
    names = list(groups)
    held_out = {}
    for name in names:
        rest = [r for r in rows if r[0] != name]
        held_out[name] = ([r for r in rows if r[0] == name], *measure(rest, choices)[:2], measure_words(rest))
    print(f"{len(words)} word kinds at rate {WORD_THRESHOLD}")
    print("threshold  in-sample caught/errors  marked/Han   left-out groups: caught, marked; fansub groups pooled")
    for t in (0.0, 0.005, 0.006, 0.01, 0.015, 0.02, 0.03, 0.05, 0.08, 0.1):
        for with_words in (False, True):
            han, errors, caught, marked = evaluate(rows, kinds, rates, t, words if with_words else None)
            parts = []
            pooled_held = [0, 0, 0, 0]
            for name in names:
                held, k, r, w = held_out[name]
                result = evaluate(held, k, r, t, w if with_words else None)
                h, e, c, m = result
                parts.append(f"{name.split('/')[-1]} {c}/{e} {m / max(h, 1):.1%}")
                if name.startswith("pairs/"):
                    pooled_held = [a + b for a, b in zip(pooled_held, result)]
            h, e, c, m = pooled_held
            print(f"{t:9.3f}{' +words' if with_words else '       '}  {caught / max(errors, 1):15.1%}  "
                  f"{marked / max(han, 1):9.2%}   " + "; ".join(parts) + f"; pooled {c / max(e, 1):.1%} {m / max(h, 1):.1%}")

    if args.out:
        with open(args.out, "w", encoding="utf-8") as f:
            f.write("# Uncertain kinds for review marks, written by tools/review/uncertain_kinds.py.\n")
            f.write("# source<TAB>readings, most often written first<TAB>rate<TAB>differing/seen in the corpora\n")
            f.write("# Readings from OpenCC's STCharacters and TWVariants (Apache-2.0) and from the corpora;\n")
            f.write(f"# rates drawn towards the pooled rate {pooled:.4f} by {PRIOR_WEIGHT} occurrences.\n")
            for s in sorted(kinds):
                f.write(f"{s}\t{' '.join(kinds[s])}\t{rates[s]:.4f}\t{wrong[s]}/{seen[s]}\n")
    if args.words_out:
        with open(args.words_out, "w", encoding="utf-8") as f:
            f.write("# Word kinds for review marks, written by tools/review/uncertain_kinds.py.\n")
            f.write("# run<TAB>first<TAB>end<TAB>readings of run[first:end], the output's first<TAB>rate<TAB>rewritten/seen\n")
            f.write("# Runs of the phrase step's output that the editors of the fansub corpus often rewrote.\n")
            for run in sorted(words):
                first, last, readings, rate, r, n = words[run]
                f.write(f"{run}\t{first}\t{last}\t{' '.join(readings)}\t{rate:.4f}\t{r}/{n}\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
