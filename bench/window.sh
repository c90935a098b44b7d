#!/usr/bin/env bash
# The launcher's window (NovraHub) against its natural peer, a minimal Qt Quick window
# (build/bench/bench_minimal_window), in the same run under one Xvfb server (X11, Mesa's software
# OpenGL): the time from the start of the program to its window's first frame (runs interleaved),
# the resident memory after 10 s idle with the window shown, and the CPU time over 60 s idle: the
# launcher's window shown with the hero drifting, then hidden (Ctrl+W), and the peer's window.
# The launcher shows a library of five games (a cached catalog made with novra-publish) and its
# build source does not answer. NOVRA_BENCH_REPETITIONS sets the start runs of each (default 7),
# NOVRA_BENCH_IDLE_SECONDS the CPU window (default 60).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${NOVRA_BUILD_DIR:-$root/build}"
bash "$root/scripts/build.sh"
exec python3 - "$root" "$build" <<'PY'
import json, os, re, shutil, signal, statistics, subprocess, sys, tempfile, threading, time

root, build = sys.argv[1], sys.argv[2]
repetitions = int(os.environ.get("NOVRA_BENCH_REPETITIONS", "7"))
idle = float(os.environ.get("NOVRA_BENCH_IDLE_SECONDS", "60"))
hub = os.path.join(build, "NOVRA Launcher.app/Contents/MacOS/NovraHub")
peer = os.path.join(build, "bench/bench_minimal_window")
publish = os.path.join(build, "tools/novra-publish")
work = tempfile.mkdtemp(prefix="novra-bench-window-")
children = []

def cleanup():
    for child in children:
        if child.poll() is None:
            child.kill()
            child.wait()
    shutil.rmtree(work, ignore_errors=True)

def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)

try:
    # The launcher's surroundings: its state folder with a cached catalog of five published games.
    home, data, config, runtime = (os.path.join(work, name) for name in ("home", "data", "config", "runtime"))
    state = os.path.join(data, "NOVRA Launcher")
    for folder in (home, state, config, runtime):
        os.makedirs(folder)
    os.chmod(runtime, 0o700)
    run(publish, "keygen", os.path.join(work, "studio.key"), os.path.join(work, "studio.pub"))
    catalog = {game["id"]: game for game in json.load(open(os.path.join(root, "resources/catalog.json")))["games"]}
    for index, game_id in enumerate(["night-ferry", "ember-run", "paper-kings", "glass-garden", "frost-signal"]):
        game = catalog[game_id]
        bundle = os.path.join(work, "bundles", game_id, "Game.app")
        os.makedirs(os.path.join(bundle, "Contents/MacOS"))
        with open(os.path.join(bundle, "Contents/Info.plist"), "w") as info:
            info.write('<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict>'
                       '<key>CFBundleExecutable</key><string>Game</string>'
                       f'<key>CFBundleIdentifier</key><string>com.novra.bench.{index}</string>'
                       '<key>CFBundlePackageType</key><string>APPL</string></dict></plist>\n')
        executable = os.path.join(bundle, "Contents/MacOS/Game")
        with open(executable, "w") as script:
            script.write("#!/bin/sh\n")
        os.chmod(executable, 0o755)
        run(publish, "release", os.path.join(work, "source"), bundle, "--id", game_id, "--version", f"{game_id}-1",
            "--key", os.path.join(work, "studio.key"), "--title", game["title"], "--summary", game["summary"],
            "--symbol", game["symbol"], "--category", game.get("category", "game"))
    shutil.copy(os.path.join(work, "source/catalog.json"), os.path.join(state, "catalog.json"))
    with open(os.path.join(state, "settings.json"), "w") as settings:
        json.dump({"sourceURL": "https://127.0.0.1:9", "host": "novra-build", "remoteRoot": "/srv/builds",
                   "library": os.path.join(work, "library"), "requiredVolumes": []}, settings)

    # One X server for every run, on a display no other server holds: neither a lock file here nor
    # a listening socket (an X server of another file-system namespace shows only its socket, and
    # clients would reach it first).
    sockets = open("/proc/net/unix").read()
    number = next(n for n in range(20, 200)
                  if f"/tmp/.X11-unix/X{n}\n" not in sockets and not os.path.exists(f"/tmp/.X{n}-lock"))
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", f":{number}", "-displayfd", str(write), "-screen", "0", "1600x1000x24",
                             "-nolisten", "tcp"],
                            pass_fds=[write], stderr=subprocess.DEVNULL)
    children.append(xvfb)
    os.close(write)
    # Xvfb writes the number and then its newline; closing the pipe before the newline is written
    # kills the server (it cannot write the display number).
    answer = b""
    while not answer.endswith(b"\n"):
        chunk = os.read(read, 64)
        if not chunk:
            raise SystemExit("Xvfb did not start")
        answer += chunk
    display = ":" + answer.decode().strip()
    os.close(read)

    environment = {key: value for key, value in os.environ.items()
                   if not key.startswith(("DBUS_", "QT_", "WAYLAND", "XDG_", "NOVRA_"))}
    environment.update(DISPLAY=display, HOME=home, XDG_DATA_HOME=data, XDG_CONFIG_HOME=config,
                       XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb")
    timed = dict(environment, QT_LOGGING_RULES="qt.scenegraph.time.renderloop=true",
                 QT_MESSAGE_PATTERN="%{time boot} %{message}")
    first_frame = re.compile(r"^\s*([0-9.]+) .*(Frame prepared|Frame rendered with)")

    def start_to_first_frame(program):
        started = time.monotonic()
        child = subprocess.Popen([program], env=timed, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        children.append(child)
        seconds = None
        for line in child.stderr:
            match = first_frame.match(line)
            if match:
                seconds = float(match.group(1)) - started
                break
        child.send_signal(signal.SIGTERM)
        child.communicate(timeout=30)
        if seconds is None:
            raise SystemExit(f"{program}: no frame")
        return seconds

    starts = {"launcher": [], "peer": []}
    for run_index in range(repetitions):
        order = [("launcher", hub), ("peer", peer)]
        for name, program in order if run_index % 2 == 0 else reversed(order):
            starts[name].append(start_to_first_frame(program))

    def xdotool(*arguments):
        return subprocess.run(["xdotool", *arguments], env=environment, capture_output=True, text=True).stdout.split()

    def cpu_seconds(pid):
        fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def resident_mb(pid):
        for line in open(f"/proc/{pid}/status"):
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024

    def cpu_percent(pid, seconds):
        before, clock = cpu_seconds(pid), time.monotonic()
        time.sleep(seconds)
        return 100 * (cpu_seconds(pid) - before) / (time.monotonic() - clock)

    def shown(title):
        for _ in range(100):
            windows = xdotool("search", "--onlyvisible", "--name", f"^{title}$")
            if windows:
                return windows[0]
            time.sleep(0.1)
        raise SystemExit(f"no window {title}")

    # Idle: each program with its window shown and active (a click on an empty spot of it).
    figures = {}
    for name, program, title in [("launcher", hub, "NOVRA"), ("peer", peer, "Peer")]:
        child = subprocess.Popen([program], env=environment, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        children.append(child)
        window = shown(title)
        xdotool("mousemove", "--window", window, "120", "760", "click", "1")
        time.sleep(10)
        figures[name] = {"rss": resident_mb(child.pid), "shown": cpu_percent(child.pid, idle)}
        if name == "launcher":
            xdotool("key", "--clearmodifiers", "ctrl+w")
            for _ in range(50):
                if not xdotool("search", "--onlyvisible", "--name", "^NOVRA$"):
                    break
                time.sleep(0.1)
            else:
                raise SystemExit("Ctrl+W did not hide the window")
            time.sleep(2)
            figures[name]["hidden"] = cpu_percent(child.pid, idle)
        child.send_signal(signal.SIGTERM)
        child.wait(timeout=30)

    def ms(values):
        return f"median {1000 * statistics.median(values):7.1f} ms   fastest {1000 * min(values):7.1f} ms"

    print(f"X11 (Xvfb {display}), Mesa software OpenGL; {repetitions} starts of each, interleaved")
    print(f"start to first frame   launcher {ms(starts['launcher'])}")
    print(f"                       peer     {ms(starts['peer'])}")
    print(f"                       ratio of the medians launcher / peer {statistics.median(starts['launcher']) / statistics.median(starts['peer']):.2f}")
    print(f"resident memory after 10 s idle, window shown   launcher {figures['launcher']['rss']:6.1f} MB   peer {figures['peer']['rss']:6.1f} MB")
    print(f"CPU over {idle:.0f} s idle (% of one core)   launcher shown, hero drifting {figures['launcher']['shown']:5.2f} %"
          f"   launcher hidden {figures['launcher']['hidden']:5.2f} %   peer shown {figures['peer']['shown']:5.2f} %")
finally:
    cleanup()
PY
