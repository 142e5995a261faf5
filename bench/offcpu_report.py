#!/usr/bin/env python3
"""Where one thread of a program spends a recorded stretch: on the CPU and off it.

    perf script -i RUN.data -F comm,pid,tid,time,event,trace,ip,sym,dso \\
        | python3 bench/offcpu_report.py --comm VelmUpdate [--top 15]

Reads a machine-wide recording made with CPU samples and scheduler switches,
both with stacks (bench/gui_update_bench.sh records one per program run with
VELM_GUI_BENCH_OFFCPU=PREFIX). For the named program's main thread it prints:
the time from its first to its last event; the CPU samples grouped by the
library they were taken in and by the program's own function nearest to the
top of the stack; the time off the CPU (from each switch away to the switch
back), grouped by the system call or wait it left from and by the program's
own function that called it.
"""
import argparse
import collections
import re
import sys

HEADER = re.compile(r"^\s*(\S.*?)\s+(\d+)/(\d+)\s+([\d.]+):\s+(\S+):\s*(.*)$")
FRAME = re.compile(r"^\s+([0-9a-f]+)\s+(.*?)\s+\((.*)\)$")


def records(lines):
    header, frames = None, []
    for line in lines:
        line = line.rstrip("\n")
        if not line.strip():
            if header:
                yield header, frames
            header, frames = None, []
            continue
        m = HEADER.match(line)
        if m and not line.startswith("\t"):
            if header:
                yield header, frames
            header, frames = m.groups(), []
            continue
        f = FRAME.match(line)
        if f and header:
            frames.append((f.group(2), f.group(3)))
    if header:
        yield header, frames


def function_name(sym):
    """The symbol without its parameter list."""
    sym = sym.replace("(anonymous namespace)", "{anon}")
    return sym.split("(")[0]


def own_function(frames, own):
    """The program's own frame nearest the top; inlined frames carry no library."""
    owner = None
    for sym, dso in reversed(frames):
        if dso != "inlined":
            owner = dso
        if dso == "inlined" and owner is None:
            continue
    for i, (sym, dso) in enumerate(frames):
        if sym == "[unknown]":
            continue
        real = dso
        if dso == "inlined":
            real = next((d for _, d in frames[i + 1:] if d != "inlined"), "")
        if real.endswith("/" + own):
            return function_name(sym)
    return "(no frame of the program)"


def library(frames):
    """Where a CPU sample was taken: the kernel's system call, or a library."""
    syscall = None
    for i, (sym, dso) in enumerate(frames):
        if dso == "[kernel.kallsyms]":
            if syscall is None and sym.startswith(("__x64_sys_", "__ia32_sys_")):
                syscall = sym.replace("__x64_sys_", "")
            continue
        if i > 0:
            return "kernel: %s" % (syscall or "interrupt or fault")
        if dso == "inlined":
            dso = next((d for _, d in frames[i + 1:] if d != "inlined"), "inlined")
        return dso.rsplit("/", 1)[-1]
    return "kernel: %s" % (syscall or "thread")


def wait_point(frames):
    """The first user-space frame: the call that left the CPU (poll, futex, ...)."""
    kernel = None
    for sym, dso in frames:
        if dso == "[kernel.kallsyms]":
            if kernel is None and sym.startswith(("__x64_sys_", "__ia32_sys_")):
                kernel = sym.replace("__x64_sys_", "").replace("__ia32_sys_", "")
            continue
        return "%s in %s%s" % (function_name(sym), dso.rsplit("/", 1)[-1],
                                " (%s)" % kernel if kernel else "")
    return "kernel (%s)" % (kernel or "preempted")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--comm", required=True, help="the program's name as the kernel shows it")
    parser.add_argument("--top", type=int, default=12)
    args = parser.parse_args()

    main_tid = None
    first = last = None
    on_cpu_lib = collections.Counter()
    on_cpu_own = collections.Counter()
    samples = 0
    off_since = None
    off_frames = None
    off_by_wait = collections.Counter()
    off_by_own = collections.Counter()
    off_total = 0.0

    for (comm, pid, tid, time, event, trace), frames in records(sys.stdin):
        t = float(time)
        if event == "sched:sched_switch":
            prev = re.search(r"prev_comm=(.*?) prev_pid=(\d+)", trace)
            nxt = re.search(r"next_comm=(.*?) next_pid=(\d+)", trace)
            if main_tid is None and prev and prev.group(1) == args.comm:
                main_tid = prev.group(2)
            if main_tid is None:
                continue
            if prev and prev.group(2) == main_tid:
                off_since, off_frames = t, frames
                first = first if first is not None else t
                last = t
            if nxt and nxt.group(2) == main_tid and off_since is not None:
                took = t - off_since
                off_total += took
                off_by_wait[wait_point(off_frames)] += took
                off_by_own[own_function(off_frames, args.comm)] += took
                off_since = None
                last = t
        elif event == "cpu-clock" and main_tid is not None and tid == main_tid:
            samples += 1
            on_cpu_lib[library(frames)] += 1
            on_cpu_own[own_function(frames, args.comm)] += 1
            last = t

    if main_tid is None:
        sys.exit("no switch of a thread named %s in the recording" % args.comm)
    span = (last - first) if first is not None else 0.0
    print("%s main thread %s: %.3f s from its first to its last event" % (args.comm, main_tid, span))
    print("on the CPU: %d samples (about %.3f s at 999 Hz)" % (samples, samples / 999.0))
    for name, n in on_cpu_lib.most_common(args.top):
        print("  %5.1f %%  %s" % (100.0 * n / max(samples, 1), name))
    print("  by the program's own function nearest the top:")
    for name, n in on_cpu_own.most_common(args.top):
        print("  %5.1f %%  %s" % (100.0 * n / max(samples, 1), name))
    print("off the CPU: %.3f s" % off_total)
    for name, s in off_by_wait.most_common(args.top):
        print("  %7.3f s  %s" % (s, name))
    print("  by the program's own function that waited:")
    for name, s in off_by_own.most_common(args.top):
        print("  %7.3f s  %s" % (s, name))


if __name__ == "__main__":
    main()
