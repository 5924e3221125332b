#!/usr/bin/env python3
"""Start-up time: from process start to the window on screen, offscreen, for the program with
one file on its command line and for a bare Qt dialog of the same size. Both write a marker
file once shown (TEMPINEX_DUMP_GEOMETRY). Prints the medians and their ratio.

    startup.py PROGRAM PEER [RUNS]
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time


def time_to_shown(command, marker, env):
    start = time.perf_counter()
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        while not os.path.exists(marker):
            if process.poll() is not None or time.perf_counter() - start > 30:
                raise RuntimeError(f"{command[0]} never showed its window")
            time.sleep(0.0005)
        return time.perf_counter() - start
    finally:
        process.kill()
        process.wait()


def main():
    program, peer = sys.argv[1], sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    with tempfile.TemporaryDirectory() as folder:
        sample = os.path.join(folder, "sample.txt")
        with open(sample, "w") as out:
            out.write("sample\n")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=folder)
        # Turn about, each first in every other round: a change in the machine's load, and
        # whatever the second start of a pair gains from the first, meet both alike.
        times = {"ours": [], "peer": []}
        starts = [("ours", [program, sample]), ("peer", [peer])]
        for run in range(runs):
            for name, command in starts if run % 2 == 0 else reversed(starts):
                marker = os.path.join(folder, f"{name}-{run}.shown")
                times[name].append(
                    time_to_shown(command, marker, dict(env, TEMPINEX_DUMP_GEOMETRY=marker)))
        results = {name: statistics.median(values) for name, values in times.items()}
    print(f"startup ours {results['ours']:.4f} s, peer {results['peer']:.4f} s, "
          f"ratio {results['ours'] / results['peer']:.2f}")


if __name__ == "__main__":
    main()
