#!/usr/bin/env python3
"""Runs each download command several times and prints median and best wall
times, ratios and peak RSS, and md5sum alone on the served file. Called by
bench/download/run."""
import argparse
import os
import resource  # noqa: F401  (wait4 needs the module on some builds)
import statistics
import subprocess
import sys
import time

p = argparse.ArgumentParser()
p.add_argument("--runs", type=int, default=3)
p.add_argument("--tool", required=True)
p.add_argument("--out", required=True)
p.add_argument("--fast", required=True)
p.add_argument("--fast-md5", required=True)
p.add_argument("--fast-file", required=True)
p.add_argument("--slow", required=True)
p.add_argument("--slow-md5", required=True)
a = p.parse_args()

target = os.path.join(a.out, "pkg.exe")


def clean():
    for suffix in ("", ".part", "_0", "_1", ".aria2"):
        try:
            os.remove(target + suffix)
        except FileNotFoundError:
            pass


def run_once(argv, expect_md5):
    clean()
    start = time.monotonic()
    proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - start
    ok = os.WEXITSTATUS(status) == 0 if os.WIFEXITED(status) else False
    if ok:
        # Every command must really have produced the package.
        got = subprocess.run(["md5sum", target], capture_output=True, text=True).stdout.split()[0]
        ok = got == expect_md5
    return wall, usage.ru_maxrss / 1024.0, ok


def commands(url, md5):
    t = a.tool
    return [
        ("lumora type 1", [t, "--type=1", url, target]),
        ("lumora type 2", [t, "--type=2", url, target]),
        ("lumora type 3", [t, "--type=3", url, target]),
        ("curl + md5sum", ["bash", "-c", 'curl -s -o "$1" "$2" && md5sum "$1" >/dev/null',
                           "x", target, url]),
        ("aria2c -x2 -s2", ["aria2c", "-q", "-x2", "-s2", "--min-split-size=1M",
                            "--file-allocation=none", "--allow-overwrite=true",
                            "--auto-file-renaming=false", "--checksum=md5=" + md5,
                            "-d", a.out, "-o", "pkg.exe", url]),
    ]


def scene(title, url, md5, size_mib):
    print(f"\n{title}  ({a.runs} runs each, round robin, median)")
    print(f"{'command':<16} {'median s':>9} {'MB/s':>8} {'vs curl':>8} {'peak RSS MiB':>13}  ok")
    # Round robin, so that a change of the machine's load hits every command.
    cmds = commands(url, md5)
    walls = {name: [] for name, _ in cmds}
    rss = {name: 0.0 for name, _ in cmds}
    oks = {name: True for name, _ in cmds}
    for _ in range(a.runs):
        for name, argv in cmds:
            w, r, ok = run_once(argv, md5)
            walls[name].append(w)
            rss[name] = max(rss[name], r)
            oks[name] = oks[name] and ok
    results = {name: (statistics.median(walls[name]), rss[name], oks[name], min(walls[name]))
               for name, _ in cmds}
    base = results["curl + md5sum"][0]
    for name, (med, rss, ok, best) in results.items():
        mbs = size_mib * 1048576 / med / 1e6
        print(f"{name:<16} {med:9.3f} {mbs:8.1f} {med / base:8.2f} {rss:13.1f}  {'yes' if ok else 'NO'}"
              f"   best {best:.3f}")
    clean()
    return results


def md5sum_alone(path):
    """Best wall time of md5sum over the served file, from the page cache."""
    walls = []
    subprocess.run(["md5sum", path], stdout=subprocess.DEVNULL)  # warm the cache
    for _ in range(a.runs):
        start = time.monotonic()
        subprocess.run(["md5sum", path], stdout=subprocess.DEVNULL, check=True)
        walls.append(time.monotonic() - start)
    return min(walls)


fast = scene("256 MiB, unthrottled", a.fast, a.fast_md5, 256)
md5_best = md5sum_alone(a.fast_file)
print(f"md5sum alone on the 256 MiB file: best of {a.runs} {md5_best:.3f} s")
slow = scene("64 MiB, 20 MB/s per connection", a.slow, a.slow_md5, 64)

print("\nGoals")
c = fast["curl + md5sum"][0]
checks = [
    ("type 1 within 1.3x of curl+md5sum (256 MiB)", fast["lumora type 1"][0] / c, "<= 1.30",
     fast["lumora type 1"][0] <= 1.3 * c),
    ("type 3 within 1.3x of curl+md5sum (256 MiB)", fast["lumora type 3"][0] / c, "<= 1.30",
     fast["lumora type 3"][0] <= 1.3 * c),
    ("type 3 throughput vs type 1 (20 MB/s)", slow["lumora type 1"][0] / slow["lumora type 3"][0],
     ">= 1.80", slow["lumora type 1"][0] >= 1.8 * slow["lumora type 3"][0]),
    ("type 3 throughput vs aria2c -x2 (20 MB/s)", slow["aria2c -x2 -s2"][0] / slow["lumora type 3"][0],
     ">= 1.00", slow["aria2c -x2 -s2"][0] >= slow["lumora type 3"][0]),
]
# The download hidden behind the digest: the whole run costs little more
# than digesting the file.
for t in ("1", "3"):
    best = fast["lumora type " + t][3]
    checks.append((f"type {t} within 1.2x of md5sum alone (256 MiB, best)", best / md5_best,
                   "<= 1.20", best <= 1.2 * md5_best))
rss = max(fast[n][1] for n in ("lumora type 1", "lumora type 2", "lumora type 3"))
checks.append(("peak RSS of lumora-download, 256 MiB (MiB)", rss, "< 32", rss < 32))
failed = False
for text, value, want, ok in checks:
    print(f"  {text:<46} {value:7.2f}  want {want:<8} {'met' if ok else 'NOT MET'}")
    failed = failed or not ok
allok = all(r[2] for r in list(fast.values()) + list(slow.values()))
if not allok:
    print("  some command did not produce the right package (column ok)")
sys.exit(0 if allok else 1)
