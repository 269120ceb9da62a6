#!/usr/bin/env python3
"""Converts the generated benchmark data set with ordevik-batch and prints figures.

Also converts it in UTF-8 with --validate, whose extra time is the cost of checking the
documents against the DTD, with --preview, whose extra time is the cost of drawing each
fileset's map, and through the wizard window (bench/gui/wizard_bench,
offscreen) with the choices of the UTF-8 batch run, and compares the two times. Then
converts a data set of every coordinate shape and layout (see bench/generate_dataset.cpp)
in UTF-8, in rounds that take the shapes in turn so that a busy moment falls on all of
them alike, and sets many small filesets against copying their input and output trees
with `cp -r`.

    bench/bench.py [--scale S] [--runs N] [--work DIR] [--shapes-only]

Builds nothing: run scripts/bench.sh, which builds first. Every timed figure is the
median of N runs after one untimed run that warms the file cache; all outputs go to
the same file system (DIR). Peak memory is the largest resident set of one
ordevik-batch process.
"""

import argparse
import hashlib
import os
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def timed(command, stdout=None, statuses=(0,)):
    """Runs a command; returns (seconds, peak resident set in bytes)."""
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=stdout, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    seconds = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) not in statuses:
        sys.exit(f"failed: {' '.join(command)}")
    return seconds, usage.ru_maxrss * 1024


def median_run(command, runs, output=None, fresh=None, statuses=(0,)):
    """Median seconds and peak memory of `runs` runs after one untimed warm-up run.

    Every run writes new files, as the first one does: `output` is truncated and the
    folder `fresh` emptied before the timer starts, and the system has written back
    everything before it."""
    figures = []
    for _ in range(runs + 1):
        if fresh:
            shutil.rmtree(fresh, ignore_errors=True)
            os.makedirs(fresh)
        with open(output, "wb") if output else open(os.devnull, "wb") as sink:
            # Every run starts with nothing left for the system to write back, so
            # that no run pays for the disk writes of the one before it.
            os.sync()
            figures.append(timed(command, sink, statuses))
    figures = figures[1:]
    return statistics.median(f[0] for f in figures), max(f[1] for f in figures)


def wizard_median(command, runs, fresh):
    """Median of the run times that wizard_bench prints, after one untimed run; every
    run writes into the emptied folder `fresh`, as median_run does."""
    figures = []
    for _ in range(runs + 1):
        shutil.rmtree(fresh, ignore_errors=True)
        os.makedirs(fresh)
        os.sync()
        result = subprocess.run(command, capture_output=True, text=True)
        if result.returncode != 0:
            sys.exit(f"failed: {' '.join(command)}\n{result.stderr}")
        figures.append(float(result.stdout.strip()))
    return statistics.median(figures[1:])


def synced_seconds(command):
    """Seconds of one run of a command started after a sync, output discarded."""
    with open(os.devnull, "wb") as sink:
        os.sync()
        return timed(command, sink)[0]


def tree_bytes(folder, suffix=None):
    total = 0
    for base, _, names in os.walk(folder):
        for name in names:
            if suffix is None or name.endswith(suffix):
                total += os.path.getsize(os.path.join(base, name))
    return total


def largest_input(data):
    largest = 0
    for base, _, names in os.walk(data):
        for name in names:
            if name.lower().endswith((".sal", ".slp")):
                largest = max(largest, os.path.getsize(os.path.join(base, name)))
    return largest


def xml_files(folder):
    found = []
    for base, _, names in os.walk(folder):
        found += [os.path.join(base, n) for n in names if n.endswith(".xml")]
    return sorted(found)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scale", default="1")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--work", default=os.path.join(ROOT, "bench-data"))
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--jobs-only", action="store_true",
                        help="only the table of --jobs 2 against --jobs 1")
    parser.add_argument("--shapes-only", action="store_true",
                        help="only the table of shapes and the small filesets")
    options = parser.parse_args()

    work = options.work
    generator = os.path.join(options.build, "generate_dataset")

    def generated(shape):
        # The degrees shape keeps the folder name it has always had.
        name = (f"dataset-{options.scale}" if shape == "degrees"
                else f"dataset-{shape}-{options.scale}")
        folder = os.path.join(work, name)
        if not os.path.isdir(folder):
            subprocess.run([generator, folder, "--scale", options.scale, "--shape", shape],
                           check=True)
        return folder

    data_set = generated("degrees")
    batch = os.path.join(options.build, "ordevik-batch")
    settings = os.path.join(ROOT, "resources", "ordevik.ini")
    dtd = os.path.join(ROOT, "samples", "demo", "dtd")

    def convert(out, *extra, data_set=data_set, jobs=1):
        return [batch, "--csv", os.path.join(data_set, "filesets.csv"),
                "--data", os.path.join(data_set, "data"), "--dtd", dtd, "--out", out,
                "--settings", settings, "--existing", "overwrite", "--quiet",
                "--jobs", str(jobs), *extra]

    if not options.shapes_only and not options.jobs_only:
        main_figures(options, work, data_set, convert, dtd, settings)
    if not options.jobs_only:
        shape_figures(options, work, generated, convert)
    jobs_figures(options, work, generated, convert)


def main_figures(options, work, data_set, convert, dtd, settings):
    """The degrees data set in both encodings, against iconv and cat, and through the
    wizard window."""
    input_bytes = tree_bytes(os.path.join(data_set, "data"))
    largest = largest_input(os.path.join(data_set, "data"))
    print(f"data set          scale {options.scale}: {input_bytes / 1e6:.1f} MB of input, "
          f"largest input file {largest / 1e6:.1f} MB")

    results = {}
    for name, extra in (("UTF-8", ()), ("Shift_JIS", ("--shift-jis",))):
        out = os.path.join(work, f"out-{name}")
        seconds, peak = median_run(convert(out, *extra), options.runs, fresh=out)
        written = tree_bytes(out, ".xml")
        results[name] = (seconds, out, written)
        print(f"convert {name:9} {written / 1e6:8.1f} MB of XML  {seconds:6.3f} s  "
              f"{written / 1e6 / seconds:7.1f} MB/s  peak {peak / 2**20:6.1f} MiB")

    sjis_files = xml_files(results["Shift_JIS"][1])
    utf8_files = xml_files(results["UTF-8"][1])
    scratch = os.path.join(work, "scratch.out")
    iconv_seconds, _ = median_run(["iconv", "-f", "CP932", "-t", "UTF-8", *sjis_files],
                                  options.runs, scratch)
    cat_seconds, _ = median_run(["cat", *utf8_files], options.runs, scratch)
    os.remove(scratch)
    utf8_seconds = results["UTF-8"][0]
    print(f"iconv CP932->UTF-8 of the Shift_JIS XML   {iconv_seconds:6.3f} s")
    print(f"cat of the UTF-8 XML                      {cat_seconds:6.3f} s")
    print(f"ratio UTF-8 conversion / iconv            {utf8_seconds / iconv_seconds:6.2f}"
          "   (goal <= 1.0)")
    print(f"ratio UTF-8 conversion / cat              {utf8_seconds / cat_seconds:6.2f}"
          "   (goal <= 4.0)")
    print(f"memory bound 64 MiB + 2 x largest input   "
          f"{(64 * 2**20 + 2 * largest) / 2**20:6.1f} MiB")

    # The check against the DTD is opt-in: its cost is what a run with --validate takes
    # beyond the same run without it. Exit status 3 (a document not valid) still times.
    out = os.path.join(work, "out-validate")
    validate_seconds, validate_peak = median_run(
        convert(out, "--validate"), options.runs, fresh=out, statuses=(0, 3))
    shutil.rmtree(out, ignore_errors=True)
    extra = validate_seconds - utf8_seconds
    print(f"UTF-8 conversion with --validate          {validate_seconds:6.3f} s  "
          f"peak {validate_peak / 2**20:6.1f} MiB")
    print(f"validation against the DTD (libxml2)      {extra:6.3f} s  "
          f"{results['UTF-8'][2] / 1e6 / extra if extra > 0 else 0:7.1f} MB/s of XML")

    # The map preview: what a run with --preview takes beyond the same run without it,
    # in rounds that take the two in turn, so that a busy moment falls on both alike.
    preview_figures(options, work, convert)

    # The wizard's run is timed inside the program, from the click on 実行 to the
    # completion state; the batch figure is the whole process.
    wizard = os.path.join(options.build, "wizard_bench")
    out = os.path.join(work, "out-wizard")
    wizard_seconds = wizard_median(
        [wizard, data_set, dtd, out, settings], options.runs, out)
    shutil.rmtree(out, ignore_errors=True)
    print(f"wizard UTF-8 conversion (offscreen window) {wizard_seconds:6.3f} s")
    print(f"ratio wizard / ordevik-batch --jobs 1      {wizard_seconds / utf8_seconds:6.2f}"
          "   (goal <= 1.1)")


def preview_figures(options, work, convert):
    """The cost of drawing every fileset's map with --preview."""
    out = os.path.join(work, "out-preview")
    maps = os.path.join(work, "maps")
    # Many short rounds: the cost is a few hundredths of a second, less than a busy
    # moment of the machine changes a single run.
    plain, drawn, peak = [], [], 0
    for round_number in range(6 * options.runs + 1):
        for extra, figures in (((), plain), (("--preview", maps), drawn)):
            shutil.rmtree(out, ignore_errors=True)
            shutil.rmtree(maps, ignore_errors=True)
            os.makedirs(out)
            with open(os.devnull, "wb") as sink:
                os.sync()
                seconds, memory = timed(convert(out, *extra), sink)
            if round_number > 0:  # the first round warms the file cache
                figures.append(seconds)
                peak = max(peak, memory) if extra else peak
    pictures = len([name for name in os.listdir(maps) if name.endswith(".png")])
    shutil.rmtree(out, ignore_errors=True)
    shutil.rmtree(maps, ignore_errors=True)
    without, with_maps = statistics.median(plain), statistics.median(drawn)
    # Each round's two runs lie next to each other in time: the median of their
    # differences leaves out what changed between rounds.
    extra = statistics.median(d - p for d, p in zip(drawn, plain))
    print(f"UTF-8 conversion with --preview           {with_maps:6.3f} s  "
          f"against {without:6.3f} s without  peak {peak / 2**20:6.1f} MiB  "
          f"({pictures} maps)")
    print(f"map preview cost                          "
          f"{100 * extra / without:6.1f} %   (goal <= 5 %)")


def shape_figures(options, work, generated, convert):
    """MB/s of every coordinate shape and layout side by side, and many small filesets
    against `cp -r` of their input and output trees."""
    shapes = ("degrees", "metres", "offset", "big")
    sets = {shape: generated(shape) for shape in shapes}
    small = generated("small")
    outs = {shape: os.path.join(work, f"out-shape-{shape}") for shape in shapes}
    seconds = {shape: [] for shape in shapes}
    # Rounds take the shapes in turn; the first round warms the file cache untimed.
    for round_number in range(options.runs + 1):
        for shape in shapes:
            shutil.rmtree(outs[shape], ignore_errors=True)
            os.makedirs(outs[shape])
            figure = synced_seconds(convert(outs[shape], data_set=sets[shape]))
            if round_number > 0:
                seconds[shape].append(figure)
    print()
    print("shape      input MB   XML MB   seconds     MB/s   / degrees")
    rates = {}
    for shape in shapes:
        median = statistics.median(seconds[shape])
        written = tree_bytes(outs[shape], ".xml")
        rates[shape] = written / 1e6 / median
        input_bytes = tree_bytes(os.path.join(sets[shape], "data"))
        print(f"{shape:9} {input_bytes / 1e6:9.1f} {written / 1e6:8.1f} {median:9.3f} "
              f"{rates[shape]:8.1f} {rates[shape] / rates['degrees']:9.2f}")
    for shape in shapes:
        shutil.rmtree(outs[shape], ignore_errors=True)

    # Many small filesets: the conversion against copying the same files, input tree and
    # output tree, on the same file system, in the same rounds.
    data = os.path.join(small, "data")
    out = os.path.join(work, "out-small")
    copies = [os.path.join(work, "copy-small-in"), os.path.join(work, "copy-small-out")]
    conversion = []
    copying = []
    for round_number in range(options.runs + 1):
        shutil.rmtree(out, ignore_errors=True)
        os.makedirs(out)
        converted = synced_seconds(convert(out, data_set=small))
        for copy in copies:
            shutil.rmtree(copy, ignore_errors=True)
        copied = (synced_seconds(["cp", "-r", data, copies[0]]) +
                  synced_seconds(["cp", "-r", out, copies[1]]))
        if round_number > 0:
            conversion.append(converted)
            copying.append(copied)
    filesets = sum(1 for entry in os.scandir(data) if entry.is_dir())
    files_in = sum(len(names) for _, _, names in os.walk(data))
    files_out = sum(len(names) for _, _, names in os.walk(out))
    converted = statistics.median(conversion)
    copied = statistics.median(copying)
    print()
    print(f"small filesets    {filesets} filesets, {tree_bytes(data) / 1e6:.1f} MB in "
          f"{files_in} files, {tree_bytes(out) / 1e6:.1f} MB out in {files_out} files")
    print(f"convert                                   {converted:6.3f} s")
    print(f"cp -r of the input and the output tree    {copied:6.3f} s")
    print(f"ratio conversion / cp -r                  {converted / copied:6.2f}"
          "   (goal <= 1.3)")
    for folder in (out, *copies):
        shutil.rmtree(folder, ignore_errors=True)


def tree_digest(folder):
    """Every file's path below `folder` and the hash of its bytes."""
    digest = {}
    for base, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(base, name)
            # In pieces: a process forked from this one starts with its memory, so a
            # whole document read here would count in the peak of every later run.
            hashed = hashlib.sha256()
            with open(path, "rb") as handle:
                for piece in iter(lambda: handle.read(1 << 20), b""):
                    hashed.update(piece)
            digest[os.path.relpath(path, folder)] = hashed.digest()
    return digest


def jobs_figures(options, work, generated, convert):
    """--jobs 2 against --jobs 1 on every shape and layout, and whether both write the
    same files.

    Each round runs both, one right after the other, taking turns at going first; the
    figures are the median of the rounds' ratios and the ratio of the fastest runs. On
    this kind of machine (a virtual one whose host takes back memory the guest has
    freed) one run can take two or three times as long as the next for reasons of the
    host alone: two runs next to each other in time mostly meet the same conditions,
    and the fastest run of each is the one the host disturbed least."""
    shapes = ("degrees", "metres", "offset", "big", "small")
    sets = {shape: generated(shape) for shape in shapes}
    rounds = max(options.runs, 9)
    seconds = {(shape, jobs): [] for shape in shapes for jobs in (1, 2)}
    peaks = {(shape, jobs): 0 for shape in shapes for jobs in (1, 2)}
    same = {}
    for round_number in range(rounds + 1):
        for shape in shapes:
            for jobs in ((1, 2) if round_number % 2 == 0 else (2, 1)):
                out = os.path.join(work, f"out-jobs-{jobs}")
                shutil.rmtree(out, ignore_errors=True)
                os.makedirs(out)
                with open(os.devnull, "wb") as sink:
                    os.sync()
                    figure, peak = timed(convert(out, data_set=sets[shape], jobs=jobs), sink)
                peaks[(shape, jobs)] = max(peaks[(shape, jobs)], peak)
                if round_number > 0:
                    seconds[(shape, jobs)].append(figure)
            if round_number == 0:
                same[shape] = (tree_digest(os.path.join(work, "out-jobs-1")) ==
                               tree_digest(os.path.join(work, "out-jobs-2")))
    print()
    print(f"--jobs 2 against --jobs 1 ({os.cpu_count()} processors, {rounds} rounds)")
    print("shape      --jobs 1  --jobs 2   ratio  fastest   same files   peak MiB 1 / 2   "
          "limit (64 MiB + 2 x largest input)")
    for shape in shapes:
        one = seconds[(shape, 1)]
        two = seconds[(shape, 2)]
        ratio = statistics.median(a / b for a, b in zip(one, two))
        limit = 64 + 2 * largest_input(os.path.join(sets[shape], "data")) / 2**20
        print(f"{shape:9} {statistics.median(one):9.3f} {statistics.median(two):9.3f} "
              f"{ratio:7.2f} {min(one) / min(two):8.2f}   {'yes' if same[shape] else 'NO ':3}"
              f"        {peaks[(shape, 1)] / 2**20:6.1f} / {peaks[(shape, 2)] / 2**20:6.1f}   "
              f"{limit:6.1f}")
    print("(seconds: medians; ratio: the median of the rounds' ratios; fastest: the fastest "
          "run of --jobs 1 against the fastest of --jobs 2)")
    for jobs in (1, 2):
        shutil.rmtree(os.path.join(work, f"out-jobs-{jobs}"), ignore_errors=True)


if __name__ == "__main__":
    main()
