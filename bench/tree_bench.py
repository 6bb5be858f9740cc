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
  cpu      dry runs over the tree, --jobs 1 and default: CPU seconds (user +
           system), CPU seconds per MB, against `tar | gzip -6` of the tree
  scaling  each dimension grown four times a step, CPU seconds per step and
           the growth (at most 4.4 is linear): BDE objects in one form
           (2,000 to --max-objects), TDatabase names in a project run (250
           databases and 5,000 datasets, then 1,000 and 20,000), files (12,500
           small ones in 500 folders, then 50,000 in 2,000), the length of one
           unit (5 and 20 MB), one property value (an SQL text of 1.25 and
           5 MB), and the nesting depth of objects (25, 100 and 400 levels,
           five datasets on each; per MB, as the indentation grows the text)

CPU seconds are those of the process and its children (wait4), so they hold
on a machine shared with other work, where wall time does not.
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
    return timed_cpu(cmd)[0]


def timed_cpu(cmd, ok=(0,)):
    """Wall seconds, CPU seconds (user + system, children included) and peak KB."""
    t = time.perf_counter()
    with tempfile.TemporaryFile() as err:
        p = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=err)
        _, status, ru = os.wait4(p.pid, 0)
        p.returncode = os.waitstatus_to_exitcode(status)
        elapsed = time.perf_counter() - t
        if p.returncode not in ok:
            err.seek(0)
            sys.exit("failed (%d): %s\n%s" % (p.returncode, " ".join(cmd), err.read().decode(errors="replace")))
    return elapsed, ru.ru_utime + ru.ru_stime, ru.ru_maxrss


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


def bench_cpu(a, work):
    """Item: CPU per MB of dry runs, against tar | gzip -6 of the same tree."""
    pristine = os.path.join(work, "cputree")
    m = make_tree(pristine, a.migwiz[0], "--size-mb", str(a.size_mb))
    mb = m["bytes"] / 1e6
    files = sum(len(fs) for _, _, fs in os.walk(pristine))
    print("\n== CPU of dry runs: %d files, %.1f MB, largest file %.0f KB (best of %d)" %
          (files, mb, largest_file(pristine) / 1024, a.rounds))
    gzip = ["sh", "-c", "tar cf - -C '%s' . | gzip -6 > /dev/null" % pristine]
    runs = [(p + j, p, j) for p in a.migwiz for j in (" --jobs 1", "")]
    best = {name: (float("inf"), 0) for name, _, _ in runs}
    best["tar | gzip -6"] = (float("inf"), 0)
    for _ in range(a.rounds):
        for name, p, jobs in runs:
            cmd = shlex.split(p)
            cmd = [cmd[0], "replace", pristine, "-r", "--no-backup", "--no-log", "--no-report",
                   "--dry-run", "-q"] + cmd[1:] + shlex.split(jobs)
            _, cpu, peak = timed_cpu(cmd, ok=(0, 3))
            best[name] = min(best[name], (cpu, peak))
        _, cpu, _ = timed_cpu(gzip)
        best["tar | gzip -6"] = min(best["tar | gzip -6"], (cpu, 0))
    g = best["tar | gzip -6"][0]
    print("%-58s %9s %9s %10s %9s %8s" % ("program", "CPU s", "CPU s/MB", "MB/CPU s", "to gzip", "peak MB"))
    for name, (cpu, peak) in best.items():
        print("%-58s %9.3f %9.4f %10.1f %9.2f %8s" % (name, cpu, cpu / mb, mb / cpu, cpu / g,
                                                       "%.0f" % (peak / 1024) if peak else ""))
    shutil.rmtree(pristine)


def write_text(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(text.encode("cp1252"))


def make_long_unit(dest, mb):
    """One unit of about mb MB: routines that make and use BDE datasets."""
    body, n = [], 0
    size = 0
    while size < mb * 1e6:
        lines = ["procedure TBig.Load%d;" % n, "var", "  q: TQuery;", "  t: TTable;", "begin",
                 "  q := TQuery.Create(Self); { a TQuery of its own }",
                 "  q.SQL.Text := 'select * from T%d where ID = :ID';" % n,
                 "  t := TTable.Create(nil);  // and a TTable", "  q.Open;", "end;", ""]
        body += lines
        size += sum(len(x) + 2 for x in lines)
        n += 1
    text = "\r\n".join(["unit Big;", "", "interface", "", "uses", "  SysUtils, Classes, DB, DBTables;", "",
                         "type", "  TBig = class(TComponent)"] +
                        ["    procedure Load%d;" % k for k in range(n)] +
                        ["  end;", "", "implementation", ""] + body + ["end.", ""])
    write_text(os.path.join(dest, "Big.pas"), text)
    return {"bytes": len(text)}


def make_long_value(dest, mb):
    """One query whose SQL text is about mb MB."""
    lines, size, k = [], 0, 0
    while size < mb * 1e6:
        line = "    'select COL%d, COL%d from TABLE_%d where ID = :ID%d'" % (k, k + 1, k, k)
        lines.append(line)
        size += len(line) + 2
        k += 1
    lines[-1] += ")"
    text = "\r\n".join(["object DM: TDM", "  object Query1: TQuery", "    DatabaseName = 'DB'",
                         "    SQL.Strings = ("] + lines + ["    Left = 8", "  end", "end", ""])
    write_text(os.path.join(dest, "DataMod.dfm"), text)
    write_text(os.path.join(dest, "DataMod.pas"), "\r\n".join(
        ["unit DataMod;", "", "interface", "", "uses DBTables;", "", "type", "  TDM = class(TDataModule)",
         "    Query1: TQuery;", "  end;", "", "implementation", "", "{$R *.dfm}", "", "end.", ""]))
    return {"bytes": len(text)}


def make_deep(dest, depth):
    """Containers nested depth levels deep, five datasets on each level."""
    sys.path.insert(0, HERE)
    import make_tree as mt
    rng = mt.random.Random(12)
    w = mt.Writer()
    w.add(0, "object DM1: TDM1")
    mt.database(w, 1, rng, 1)
    names = []
    for level in range(1, depth + 1):
        w.add(level, "object Box%d: TPanel" % level)
        w.add(level + 1, "Align = alClient")
        for k in range(5):
            names.append(mt.dataset(w, level + 1, rng, 1, 5 * level + k))
    for level in range(depth, 0, -1):
        w.add(level, "end")
    w.add(0, "end")
    text = w.text()
    write_text(os.path.join(dest, "DataMod1.dfm"), text)
    write_text(os.path.join(dest, "DataMod1.pas"), mt.unit_source(
        "DataMod1", "TDM1", "TDataModule", [(x, mt.class_of(x)) for x in ["Database1"] + names]))
    return {"bytes": len(text)}


def bench_scaling(a, work):
    """Each dimension grown four times a step: CPU seconds and their growth."""
    m = a.migwiz[0]
    tree = lambda *args: lambda dest: make_tree(dest, m, *args)
    series = [
        ("BDE objects in one form", [(n, tree("--units", "1", "--datasets", str(n), "--no-forms",
                                             "--binary-every", "0"))
                                     for n in (2000, 8000, 32000, 128000) if n <= a.max_objects], False),
        ("databases and datasets, project run", [
            ("%d/%d" % (d, d * 20), tree("--units", str(d), "--datasets", "20", "--no-forms",
                                          "--binary-every", "0", "--project")) for d in (250, 1000)], True),
        ("files in folders", [
            ("%d/%d" % (f, f // 25), tree("--units", str(f // 2), "--datasets", "1", "--no-forms",
                                          "--binary-every", "0", "--units-per-folder", "12"))
            for f in (12500, 50000)], False),
        ("length of one unit, MB", [(mb, lambda dest, mb=mb: make_long_unit(dest, mb)) for mb in (5, 20)], False),
        ("one property value, MB", [(mb, lambda dest, mb=mb: make_long_value(dest, mb)) for mb in (1.25, 5)],
         False),
        ("nesting depth (per MB)", [(d, lambda dest, d=d: make_deep(dest, d)) for d in (25, 100, 400)], False),
    ]
    print("\n== scaling: each step four times the work (CPU seconds, best of %d)" % a.rounds)
    for title, steps, project in series:
        if a.series and not any(x in title for x in a.series):
            continue
        results = []
        for size, make in steps:
            pristine = os.path.join(work, "scale")
            shutil.rmtree(pristine, ignore_errors=True)
            info = make(pristine)
            mb = info["bytes"] / 1e6
            best = {}
            for p in a.migwiz:
                for r in range(a.rounds):
                    copy = os.path.join(work, "scalerun")
                    subprocess.run(["cp", "-r", pristine, copy], check=True)
                    cmd = shlex.split(p)
                    target = ["--project", os.path.join(copy, "App.dpr")] if project else [copy, "-r"]
                    _, cpu, peak = timed_cpu([cmd[0], "replace"] + target +
                                             ["--no-backup", "--no-log", "-q"] + cmd[1:])
                    shutil.rmtree(copy)
                    best[p] = min(best.get(p, (float("inf"), 0)), (cpu, peak))
            results.append((size, mb, best))
            shutil.rmtree(pristine)
        per_mb = "depth" in title
        print("\n-- %s" % title)
        print("%-58s %12s %8s %9s %8s %8s" % ("program", "step", "MB", "CPU s", "growth", "peak MB"))
        for p in a.migwiz:
            prev = None
            for size, mb, best in results:
                cpu, peak = best[p]
                value = cpu / mb if per_mb else cpu
                growth = "" if prev is None else "%.2f" % (value / prev)
                print("%-58s %12s %8.1f %9.3f %8s %8.0f" % (p, size, mb, cpu, growth, peak / 1024))
                prev = value


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--migwiz", action="append", required=True,
                    help="migwiz program, options may follow (repeatable)")
    ap.add_argument("--size-mb", type=float, default=20.0)
    ap.add_argument("--rounds", type=int, default=3)
    ap.add_argument("--only", choices=["tree", "objects", "depth", "cpu", "scaling"], action="append")
    ap.add_argument("--max-objects", type=int, default=128000,
                    help="largest form of the object series (2,000 times a power of 4)")
    ap.add_argument("--series", action="append",
                    help="with scaling: only the series whose title holds this word (repeatable)")
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
        for name, fn in (("tree", bench_tree), ("objects", bench_objects), ("depth", bench_depth),
                         ("cpu", bench_cpu), ("scaling", bench_scaling)):
            if not a.only or name in a.only:
                fn(a, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
