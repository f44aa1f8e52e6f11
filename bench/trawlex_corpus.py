#!/usr/bin/env python3
"""Writes the benchmark inputs for Trawlex from a fixed seed.

  trawlex_corpus.py corpus FILE   about 200 MB of text lines (3 to 14 words
                                  from a small vocabulary, LF and CRLF mixed)
                                  in which the word "zephyr" occurs about
                                  740,000 times
  trawlex_corpus.py tree FOLDER   20,000 small text files in 200 folders
"""
import os
import random
import sys

WORDS = ("alpha bravo charlie delta echo foxtrot golf hotel india juliet kilo lima "
         "mike november oscar papa quebec romeo sierra tango uniform victor whiskey "
         "xray yankee zulu the and of to in is it that was for on are with as").split()
TARGET = "zephyr"


def lines(rng, count):
    for _ in range(count):
        words = []
        for _ in range(rng.randint(3, 14)):
            words.append(TARGET if rng.random() < 0.0203 else rng.choice(WORDS))
        yield " ".join(words) + ("\r\n" if rng.random() < 0.5 else "\n")


def write_corpus(path):
    rng = random.Random(20261207)
    size = 0
    with open(path, "w", newline="") as out:
        while size < 200_000_000:
            block = "".join(lines(rng, 10000))
            out.write(block)
            size += len(block)


def write_tree(folder):
    rng = random.Random(4)
    for d in range(200):
        sub = os.path.join(folder, "d%03d" % d)
        os.makedirs(sub, exist_ok=True)
        for f in range(100):
            with open(os.path.join(sub, "f%03d.txt" % f), "w", newline="") as out:
                out.write("".join(lines(rng, rng.randint(5, 40))))


if __name__ == "__main__":
    {"corpus": write_corpus, "tree": write_tree}[sys.argv[1]](sys.argv[2])
