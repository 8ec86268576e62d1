"""What every test and benchmark shares: where things are, the texts charplay
shows, running charplay and ffmpeg, and waiting for a state with a
deadline."""
import os
import signal
import subprocess
import time

# The project's folder, and the build under test.
SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CHARPLAY = os.environ.get("CHARPLAY", "")
FIXTURES = os.environ.get("FIXTURES", "")

# The environment without a display: charplay plays in the console alone.
NO_DISPLAY = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}

# charplay keeps a stop signal that was ignored when it started (nohup, a
# job a script put in the background): the tests, which send them, must not
# hand that on to it.
for _stop in (signal.SIGINT, signal.SIGHUP):
    if signal.getsignal(_stop) == signal.SIG_IGN:
        signal.signal(_stop, signal.SIG_DFL)

TITLE = "视频转字符画"
OPEN_FAILURE = "输入地址错误！！"
# Seconds within which a refused connection or a signal ends a run: well
# inside the library's 30-second time-outs, which is what they guard
# against, and well outside Wine's start on a loaded machine.
AT_ONCE = 15
DISPLAY_LOST = 'charplay: the display of the window "video" went away, so playback ended.'


def fixture(name):
    return os.path.join(FIXTURES, name)


def ffmpeg(*args, frames=None):
    """Runs ffmpeg quietly; frames, if given, go to its standard input."""
    cmd = ["ffmpeg", "-nostdin", "-loglevel", "error", "-y", *args]
    subprocess.run(cmd, input=frames, check=True)


def wait_until(condition, seconds=20, every=0.05):
    """The first true value condition() returns within seconds, or None."""
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            return None
        time.sleep(every)


def wait_for_status(path, seconds=30):
    """The exit status a shell wrote into path, once it is there, or None."""
    def written():
        if os.path.exists(path):
            with open(path) as f:
                return f.read().strip()
        return None
    text = wait_until(written, seconds, every=0.05)
    return int(text) if text else None


def wchan(pid):
    """Where in the kernel the process waits."""
    with open(f"/proc/{pid}/wchan") as f:
        return f.read()


def blocked_in_a_read(pid):
    """Whether charplay waits for a network source that sends nothing more:
    FFmpeg polls the socket (between frames charplay sleeps instead)."""
    return "poll" in wchan(pid)


def stopped(pid):
    """Whether the process is stopped (SIGSTOP), as /proc says: the state
    after the name, which may hold spaces and parentheses."""
    with open(f"/proc/{pid}/stat") as f:
        return f.read().rsplit(")", 1)[1].split()[0] == "T"


def with_environment(env):
    """The words that start a command with env in a Debian root, where
    scripts/sysroot/in-root.sh starts it with a clean one: all of env but
    PATH, which is the root's."""
    return ["env", *(f"{name}={value}" for name, value in sorted(env.items()) if name != "PATH")]


def run(stdin=b"", args=(), env=None, timeout=60, command=None, **kwargs):
    """Runs charplay with its output captured (unless stdout or stderr say
    otherwise): the build under test, or command, a list that runs another
    build of it (the exe under Wine, the archive's program in a Debian
    root). Returns the completed process, with its run time in seconds as
    .seconds."""
    kwargs.setdefault("stdout", subprocess.PIPE)
    kwargs.setdefault("stderr", subprocess.PIPE)
    started = time.monotonic()
    result = subprocess.run([*(command or [CHARPLAY]), *args], input=stdin, env=env,
                            timeout=timeout, **kwargs)
    result.seconds = time.monotonic() - started
    return result


def play(path, **kwargs):
    """Plays path, typed on standard input."""
    return run(path.encode() + b"\n", **kwargs)


def small_terminal_hint(columns, rows, end="\n"):
    """What charplay says after playing 160-column frames in a terminal of
    columns x rows: 80 x 24 in tmux, 80 x 25 in Wine's console, whose lines
    end in \\r\\n."""
    return (f"charplay: the frames need a terminal of 160 x 91 (columns x rows), this one is"
            f" {columns} x {rows}: zoom out (Ctrl+- in most terminals), pick a smaller font or"
            f" enlarge the window.{end}")


def frame(line, lines=90):
    """A whole frame text: the same line lines times, over blank ones."""
    return ((line + "\n") * lines).encode()


def frames(out):
    """Splits a frame stream into frames of 90 lines."""
    lines = out.split(b"\n")
    assert lines[-1] == b"", "the stream ends in the middle of a line"
    lines = lines[:-1]
    assert len(lines) % 90 == 0, f"{len(lines)} lines is no whole number of frames"
    return [b"\n".join(lines[i:i + 90]) + b"\n" for i in range(0, len(lines), 90)]
