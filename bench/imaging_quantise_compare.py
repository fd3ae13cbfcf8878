#!/usr/bin/python3
"""Colour quantisation side by side: zentrik image quantise (the octree alone and with k-means
refinement), pngquant and ImageMagick, on the photos of Debian's opencv-doc package.

Prints a Markdown table of PSNR (dB, measured by ImageMagick's compare) at 256, 64 and 16 colours
without and with dithering, the time to quantise a 1920 x 1440 photo to 256 colours, and the
start-up time of each program (best of several runs).

usage: bench/imaging_quantise_compare.py [ZENTRIK] [--refine R]
       (ZENTRIK defaults to build/apps/zentrik)
"""
import os
import subprocess
import sys
import tempfile
import time

PHOTOS = "/usr/share/doc/opencv-doc/examples/data"
NAMES = ["baboon.jpg", "fruits.jpg", "starry_night.jpg", "leuvenA.jpg", "leuvenB.jpg"]
COUNTS = [256, 64, 16]


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
        run(["convert", src] + ([] if dither else ["+dither"]) + ["-colors", str(n), out])

    return {"zentrik (octree)": ours(0), f"zentrik --refine {refine}": ours(refine),
            "pngquant": pngquant, "ImageMagick": magick}


def best_time(make, repeats):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        make()
        times.append(time.perf_counter() - start)
    return min(times) * 1000


def main():
    args = sys.argv[1:]
    refine = 4
    if "--refine" in args:
        at = args.index("--refine")
        refine = int(args[at + 1])
        del args[at:at + 2]
    zentrik = os.path.abspath(args[0] if args else "build/apps/zentrik")
    makers = tools(zentrik, refine)
    with tempfile.TemporaryDirectory() as folder:
        photos = []
        for name in NAMES:
            png = os.path.join(folder, name.rsplit(".", 1)[0] + ".png")
            run(["convert", os.path.join(PHOTOS, name), png])
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
        run(["convert", os.path.join(PHOTOS, "starry_night.jpg"), "-resize", "1920x1440!", big])
        out = os.path.join(folder, "big-out.png")
        print("\nTime to quantise a 1920 x 1440 photo to 256 colours, best of 3 (ms; lower is "
              "better; reading and writing the PNG included)\n")
        print("| tool | no dithering | dithered |")
        print("|---|---:|---:|")
        for tool, make in makers.items():
            plain = best_time(lambda: make(big, out, 256, False), 3)
            dithered = best_time(lambda: make(big, out, 256, True), 3)
            print(f"| {tool} | {plain:.0f} | {dithered:.0f} |")

        video = os.path.join(os.path.dirname(zentrik), "zentrik-video")
        print("\nStart-up: `--help` or `--version`, best of 20 (ms)\n")
        print("| program | ms |")
        print("|---|---:|")
        for label, command in [("zentrik image --help", [zentrik, "image", "--help"]),
                               ("zentrik palette --help", [zentrik, "palette", "--help"]),
                               ("zentrik-video image --help (all libraries)",
                                [video, "image", "--help"]),
                               ("convert -version", ["convert", "-version"]),
                               ("pngquant --version", ["pngquant", "--version"])]:
            print(f"| {label} | {best_time(lambda: run(command), 20):.1f} |")


if __name__ == "__main__":
    main()
