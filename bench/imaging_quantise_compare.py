#!/usr/bin/python3
"""Colour quantisation side by side: zentrik image quantise (the octree alone and with k-means
refinement), pngquant and ImageMagick, on the photos of Debian's opencv-doc package.

Prints a Markdown table of PSNR (dB, measured by ImageMagick's compare) at 256, 64 and 16 colours
without and with dithering, the time to quantise a 1920 x 1440 photo to 256 colours, and the
start-up time of each program (best of several runs).

Every tool reads the same PNG and writes a PNG, each at its own defaults (pngquant at its default
speed 4, ImageMagick's convert called directly); a time is the whole run of the tool's process,
reading and writing included, as processor time (user + system, all threads) and as wall time.
With --before OLD (a zentrik built from an earlier commit, which reads bitmaps only) the octree
path of both programs is timed side by side on the same bitmap.

usage: bench/imaging_quantise_compare.py [ZENTRIK] [--refine R] [--before OLD]
       (ZENTRIK defaults to build/apps/zentrik)
"""
import os
import resource
import subprocess
import sys
import tempfile
import time

PHOTOS = "/usr/share/doc/opencv-doc/examples/data"
NAMES = ["baboon.jpg", "fruits.jpg", "starry_night.jpg", "leuvenA.jpg", "leuvenB.jpg"]
COUNTS = [256, 64, 16]
MAGICK = "/usr/bin/convert"  # ImageMagick itself, not a wrapper in front of it
REPEATS = 5


def run(args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def psnr(original, quantised):
    done = subprocess.run(["compare", "-metric", "PSNR", original, quantised, "null:"],
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    return float(done.stderr.split()[0])


def tools(zentrik, refine):
    """name -> function(input, output, colours, dither) that makes the quantised PNG."""
    def ours(rounds):
        def make(src, out, n, dither):
            run([zentrik, "image", "quantise", src, out, "--colours", str(n)] +
                (["--refine", str(rounds)] if rounds else []) + (["--diffuse"] if dither else []))
        return make

    def pngquant(src, out, n, dither):
        run(["pngquant", "--force", "--output", out] + ([] if dither else ["--nofs"]) +
            [str(n), src])

    def magick(src, out, n, dither):
        run([MAGICK, src] + ([] if dither else ["+dither"]) + ["-colors", str(n), out])

    return {"zentrik (octree)": ours(0), f"zentrik --refine {refine}": ours(refine),
            "pngquant": pngquant, "ImageMagick": magick}


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def best_time(make, repeats):
    """(processor ms, wall ms) of `make`, each the best of `repeats` runs."""
    cpu, wall = [], []
    for _ in range(repeats):
        start_cpu, start = children_cpu(), time.perf_counter()
        make()
        wall.append(time.perf_counter() - start)
        cpu.append(children_cpu() - start_cpu)
    return min(cpu) * 1000, min(wall) * 1000


def time_table(title, rows):
    """rows: label -> (make plain, make dithered)."""
    print(f"\n{title}\n")
    print("| tool | no dithering: CPU | wall | dithered: CPU | wall |")
    print("|---|---:|---:|---:|---:|")
    for label, (plain, dithered) in rows.items():
        p_cpu, p_wall = best_time(plain, REPEATS)
        d_cpu, d_wall = best_time(dithered, REPEATS)
        print(f"| {label} | {p_cpu:.0f} | {p_wall:.0f} | {d_cpu:.0f} | {d_wall:.0f} |")


def main():
    args = sys.argv[1:]
    refine = 12
    before = None
    if "--refine" in args:
        at = args.index("--refine")
        refine = int(args[at + 1])
        del args[at:at + 2]
    if "--before" in args:
        at = args.index("--before")
        before = os.path.abspath(args[at + 1])
        del args[at:at + 2]
    zentrik = os.path.abspath(args[0] if args else "build/apps/zentrik")
    makers = tools(zentrik, refine)
    with tempfile.TemporaryDirectory() as folder:
        photos = []
        for name in NAMES:
            png = os.path.join(folder, name.rsplit(".", 1)[0] + ".png")
            run([MAGICK, os.path.join(PHOTOS, name), png])
            photos.append(png)
        print("PSNR in dB, mean over " + ", ".join(NAMES) + " (higher is better)\n")
        print("| tool | " + " | ".join(f"{n} | {n} dithered" for n in COUNTS) + " |")
        print("|---|" + "---:|" * (2 * len(COUNTS)))
        for tool, make in makers.items():
            cells = []
            for n in COUNTS:
                for dither in (False, True):
                    values = []
                    for png in photos:
                        out = os.path.join(folder, "out.png")
                        make(png, out, n, dither)
                        values.append(psnr(png, out))
                    cells.append(f"{sum(values) / len(values):.2f}")
            print(f"| {tool} | " + " | ".join(cells) + " |")

        big = os.path.join(folder, "big.png")
        run([MAGICK, os.path.join(PHOTOS, "starry_night.jpg"), "-resize", "1920x1440!", big])
        out = os.path.join(folder, "big-out.png")
        time_table(f"Time to quantise a 1920 x 1440 photo to 256 colours, best of {REPEATS} (ms; "
                   "lower is better; the whole process, reading and writing the PNG included)",
                   {tool: (lambda m=make: m(big, out, 256, False),
                           lambda m=make: m(big, out, 256, True))
                    for tool, make in makers.items()})
        if before:
            bmp = os.path.join(folder, "big.bmp")
            run([MAGICK, big, "-type", "TrueColor", "BMP3:" + bmp])
            out_bmp = os.path.join(folder, "big-out.bmp")

            def octree(program, dither):
                return lambda: run([program, "image", "quantise", bmp, out_bmp, "--colours", "256"] +
                                   (["--diffuse"] if dither else []))
            time_table(f"The octree path before and now: the same 1920 x 1440 bitmap to 256 colours, "
                       f"bitmap out, best of {REPEATS} (ms)",
                       {"zentrik now": (octree(zentrik, False), octree(zentrik, True)),
                        "zentrik before": (octree(before, False), octree(before, True))})

        video = os.path.join(os.path.dirname(zentrik), "zentrik-video")
        print("\nStart-up: `--help` or `--version`, best of 20 (ms)\n")
        print("| program | ms |")
        print("|---|---:|")
        for label, command in [("zentrik image --help", [zentrik, "image", "--help"]),
                               ("zentrik palette --help", [zentrik, "palette", "--help"]),
                               ("zentrik-video image --help (all libraries)",
                                [video, "image", "--help"]),
                               ("convert -version", [MAGICK, "-version"]),
                               ("pngquant --version", ["pngquant", "--version"])]:
            print(f"| {label} | {best_time(lambda: run(command), 20)[1]:.1f} |")


if __name__ == "__main__":
    main()
