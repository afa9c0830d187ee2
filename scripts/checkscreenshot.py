#!/usr/bin/env python3
"""Checks a screenshot of the silicon [001] transmission example at a known resolution.

The red beam-centre mark is the film centre. Silicon (111) diffracts to x = y = +60 mm in that
pattern (distance 30 mm): its spot must lie 60 mm right of and above the mark, and the film
(200 x 150 mm) must span 200 mm of white around the mark.
"""
import subprocess
import sys


def load_ppm(path):
    data = subprocess.run(["convert", path, "ppm:-"], check=True, capture_output=True).stdout
    parts = data.split(maxsplit=4)
    width, height = int(parts[1]), int(parts[2])
    pixels = parts[4]
    return width, height, pixels


def main():
    path, dpi = sys.argv[1], float(sys.argv[2])
    width, height, pixels = load_ppm(path)

    def rgb(x, y):
        i = 3 * (y * width + x)
        return pixels[i], pixels[i + 1], pixels[i + 2]

    red = [(x, y) for y in range(height) for x in range(width) if rgb(x, y) == (255, 0, 0)]
    if not red:
        sys.exit("no red beam-centre mark found")
    # The median ignores the few red pixels of toolbar icons.
    xs, ys = sorted(p[0] for p in red), sorted(p[1] for p in red)
    cx = (xs[(len(xs) - 1) // 2] + xs[len(xs) // 2]) / 2
    cy = (ys[(len(ys) - 1) // 2] + ys[len(ys) // 2]) / 2
    mm = dpi / 25.4
    sx, sy = round(cx + 60 * mm), round(cy - 60 * mm)
    window = [rgb(x, y) for y in range(sy - 2, sy + 3) for x in range(sx - 2, sx + 3)]
    darkest = min(sum(c) for c in window)
    if darkest > 3 * 230:
        sys.exit(f"no spot at the (111) position ({sx}, {sy}) px")
    left = round(cx - 99 * mm)
    if rgb(left, round(cy + 5 * mm)) != (255, 255, 255):
        sys.exit("the film does not reach 100 mm left of the centre")
    print(f"centre mark at ({cx:.1f}, {cy:.1f}) px; (111) spot found at ({sx}, {sy}) px; "
          f"film edge found; {mm:.3f} px/mm")


main()
