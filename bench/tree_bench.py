#!/usr/bin/env python3
"""Times `migwiz replace -r --no-backup --no-log` against `cp -r` of the same tree.

Each program given with --migwiz (several may be given, say the build of an
older commit and the current one) and `cp -r` take turns, round after round,
on fresh copies of one generated tree; the best of the rounds counts. When
several programs are given, their converted trees must be byte-identical
(--allow-differences only notes a difference, for builds from before a fix
that changed the output).

    bench/tree_bench.py --migwiz build/apps/migwiz/migwiz               # all measurements
    bench/tree_bench.py --migwiz OLD --migwiz NEW --only tree --size-mb 20
    bench/tree_bench.py --migwiz "NEW --jobs 1" --migwiz NEW       # options after the program
    bench/tree_bench.py --migwiz OLD --migwiz NEW --only tree --with-backup   # backups and undo file too

The fresh copy is flushed to disk before each timed run (`sync`), so that a
run that flushes what it wrote is not charged with the copy's writes.

Measurements:
  tree     a --size-mb tree (data modules and plain forms, every fifth data
           module binary): seconds, MB/s, ratio to cp -r, peak memory
  objects  one data module of 2,000 and one of 8,000 BDE objects: growth
  depth    datasets at nesting level 1 and 20: seconds per MB of dataset text
"""
import argparse
import json
import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def program(migwiz):
    """The program of a --migwiz given with options."""
    return shlex.split(migwiz)[0]


def make_tree(dest, migwiz, *args):
    out = subprocess.run([sys.executable, os.path.join(HERE, "make_tree.py"), dest,
                          "--migwiz", program(migwiz), *args], check=True, capture_output=True, text=True)
    return json.loads(out.stdout)


def timed(cmd):
    t = time.perf_counter()
    r = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    elapsed = time.perf_counter() - t
    if r.returncode != 0:
        sys.exit("failed (%d): %s\n%s" % (r.returncode, " ".join(cmd), r.stderr.decode(errors="replace")))
    return elapsed


WITH_BACKUP = False


def replace_cmd(migwiz, folder):
    cmd = shlex.split(migwiz)
    backup = [] if WITH_BACKUP else ["--no-backup"]
    return [cmd[0], "replace", folder, "-r", *backup, "--no-log"] + cmd[1:]


def same_trees(a, b):
    # The report names the folder of the run, which differs from copy to copy.
    return subprocess.run(["diff", "-rq", "-x", "Wiz_Report.txt", "-x", "RBackup", a, b],
                          stdout=subprocess.DEVNULL).returncode == 0


ALLOW_DIFFERENCES = False


def run_rounds(work, pristine, programs, rounds, with_cp=True):
    """Best seconds per program (and for cp -r), taking turns each round."""
    best = {p: float("inf") for p in programs}
    if with_cp:
        best["cp -r"] = float("inf")
    kept = {}
    for r in range(rounds):
        for i, p in enumerate(programs):
            copy = os.path.join(work, "run%d_%d" % (r, i))
            subprocess.run(["cp", "-r", pristine, copy], check=True)
            os.sync()
            best[p] = min(best[p], timed(replace_cmd(p, copy)))
            if r == 0:
                kept[p] = copy
            else:
                shutil.rmtree(copy)
        if with_cp:
            copy = os.path.join(work, "cp%d" % r)
            os.sync()
            best["cp -r"] = min(best["cp -r"], timed(["cp", "-r", pristine, copy]))
            shutil.rmtree(copy)
    last = programs[-1]
    for p, out in kept.items():
        if not same_trees(kept[last], out):
            if not ALLOW_DIFFERENCES:
                sys.exit("converted trees differ: %s and %s" % (p, last))
            print("note: the converted tree of %s differs from that of %s" % (p, last))
    for out in kept.values():
        shutil.rmtree(out)
    return best


def peak_kb(migwiz, pristine, work):
    copy = os.path.join(work, "peak")
    subprocess.run(["cp", "-r", pristine, copy], check=True)
    r = subprocess.run(["/usr/bin/time", "-f", "%M"] + replace_cmd(migwiz, copy),
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, check=True)
    shutil.rmtree(copy)
    return int(r.stderr.strip().splitlines()[-1])


def largest_file(folder):
    return max(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(folder) for f in fs)


def bench_tree(a, work):
    pristine = os.path.join(work, "tree")
    m = make_tree(pristine, a.migwiz[0], "--size-mb", str(a.size_mb))
    mb = m["bytes"] / 1e6
    print("\n== tree: %d units, %.1f MB, %d BDE objects, largest file %.0f KB" %
          (m["units"], mb, m["bde_objects"], largest_file(pristine) / 1024))
    best = run_rounds(work, pristine, a.migwiz, a.rounds)
    print("%-50s %9s %9s %8s %10s" % ("program", "seconds", "MB/s", "ratio", "peak MB"))
    for p, s in best.items():
        peak = "" if p == "cp -r" else "%.0f" % (peak_kb(p, pristine, work) / 1024)
        print("%-50s %9.3f %9.1f %8.1f %10s" % (p, s, mb / s, s / best["cp -r"], peak))
    shutil.rmtree(pristine)


def bench_objects(a, work):
    print("\n== one data module of N BDE objects (best of %d)" % a.rounds)
    results = {}
    for n in (2000, 8000):
        pristine = os.path.join(work, "obj%d" % n)
        m = make_tree(pristine, a.migwiz[0], "--units", "1", "--datasets", str(n), "--no-forms",
                      "--binary-every", "0")
        results[n] = (run_rounds(work, pristine, a.migwiz, a.rounds, with_cp=False), m)
        shutil.rmtree(pristine)
    print("%-50s %10s %10s %8s" % ("program", "2000 s", "8000 s", "growth"))
    for p in a.migwiz:
        s2, s8 = results[2000][0][p], results[8000][0][p]
        print("%-50s %10.3f %10.3f %8.2f" % (p, s2, s8, s8 / s2))


def bench_depth(a, work):
    print("\n== datasets nested 1 and 20 levels deep (best of %d)" % a.rounds)
    results = {}
    for d in (1, 20):
        pristine = os.path.join(work, "depth%d" % d)
        m = make_tree(pristine, a.migwiz[0], "--units", "40", "--datasets", "30", "--no-forms",
                      "--binary-every", "0", "--depth", str(d))
        results[d] = (run_rounds(work, pristine, a.migwiz, a.rounds, with_cp=False), m)
        shutil.rmtree(pristine)
    print("%-50s %12s %12s %8s" % ("program", "d1 s/MB", "d20 s/MB", "ratio"))
    for p in a.migwiz:
        per = {d: results[d][0][p] / (results[d][1]["dataset_text_bytes"] / 1e6) for d in (1, 20)}
        print("%-50s %12.3f %12.3f %8.2f" % (p, per[1], per[20], per[20] / per[1]))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--migwiz", action="append", required=True,
                    help="migwiz program, options may follow (repeatable)")
    ap.add_argument("--size-mb", type=float, default=20.0)
    ap.add_argument("--rounds", type=int, default=3)
    ap.add_argument("--only", choices=["tree", "objects", "depth"], action="append")
    ap.add_argument("--work", help="scratch folder (default: a new one under $TMPDIR)")
    ap.add_argument("--allow-differences", action="store_true",
                    help="go on when a build's converted tree differs from the last one's "
                         "(a build from before a fix that changed the output)")
    ap.add_argument("--with-backup", action="store_true",
                    help="keep backups and the undo file (RBackup in each copy) as a run does by default")
    a = ap.parse_args()
    global ALLOW_DIFFERENCES, WITH_BACKUP
    ALLOW_DIFFERENCES = a.allow_differences
    WITH_BACKUP = a.with_backup
    a.migwiz = [shlex.join([os.path.abspath(program(p))] + shlex.split(p)[1:]) for p in a.migwiz]
    work = tempfile.mkdtemp(prefix="tree_bench", dir=a.work)
    try:
        for name, fn in (("tree", bench_tree), ("objects", bench_objects), ("depth", bench_depth)):
            if not a.only or name in a.only:
                fn(a, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
