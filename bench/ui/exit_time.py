#!/usr/bin/env python3
"""How long the window program takes to end after "File" > "Exit".

Runs the real program under an X server (run this inside `xvfb-run -a -s "-screen 0
1280x800x24"`), opens the given archive, steps the selection down with the arrow key, then
clicks "File" and "Exit" with xdotool and times from the click on "Exit" to the end of the
process. With --signal it sends SIGTERM instead of clicking, which needs no X server
(QT_QPA_PLATFORM=offscreen). Needs xdotool for the clicks.

    exit_time.py BUILD/tessary BUILD/samples/demo.drs --downs 4 --hold 0.05 --runs 5
"""
import argparse
import os
import signal
import statistics
import subprocess
import time


def xdo(*args):
    subprocess.run(["xdotool", *args], check=True, stdout=subprocess.DEVNULL)


def one_run(options):
    env = dict(os.environ)
    if options.signal:
        env.setdefault("QT_QPA_PLATFORM", "offscreen")
    else:
        env["QT_QPA_PLATFORM"] = "xcb"
    process = subprocess.Popen([options.program, options.archive], env=env,
                               stderr=subprocess.DEVNULL)
    time.sleep(options.start)
    if options.signal:
        start = time.monotonic()
        process.send_signal(signal.SIGTERM)
    else:
        window = subprocess.run(["xdotool", "search", "--pid", str(process.pid)],
                                capture_output=True, text=True).stdout.split()[-1]
        xdo("windowfocus", window)
        for _ in range(options.downs):
            xdo("key", "Down")
            time.sleep(0.05)
        time.sleep(options.hold)
        xdo("mousemove", "20", "8", "click", "1")  # "File"
        time.sleep(0.4)
        xdo("mousemove", "30", "50")  # "Exit", the menu's second item
        # Timed from before the click: the figure includes xdotool's own start (a few ms).
        start = time.monotonic()
        xdo("click", "1")
    try:
        process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        return None
    return time.monotonic() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("archive")
    parser.add_argument("--downs", type=int, default=0, help="Down presses before Exit")
    parser.add_argument("--hold", type=float, default=0.05, help="seconds between them and Exit")
    parser.add_argument("--start", type=float, default=1.5, help="seconds to let the window come up")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--signal", action="store_true", help="SIGTERM instead of the menu")
    options = parser.parse_args()
    times = [one_run(options) for _ in range(options.runs)]
    done = [t for t in times if t is not None]
    print("exit times (s): " + " ".join("%.3f" % t if t is not None else "hung" for t in times))
    if done:
        print("median %.3f s, max %.3f s" % (statistics.median(done), max(done)))


if __name__ == "__main__":
    main()
