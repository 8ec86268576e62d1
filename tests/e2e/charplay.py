"""What the end-to-end tests share: where things are, running charplay and
ffmpeg, and waiting for a state with a deadline."""
import os
import subprocess
import time

CHARPLAY = os.environ.get("CHARPLAY", "")
FIXTURES = os.environ.get("FIXTURES", "")

# The environment without a display: charplay plays in the console alone.
NO_DISPLAY = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}

TITLE = "视频转字符画"
OPEN_FAILURE = "输入地址错误！！"


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


def run(stdin=b"", args=(), env=None, timeout=60, **kwargs):
    """Runs charplay with its output redirected; returns the result and its
    run time in seconds."""
    started = time.monotonic()
    result = subprocess.run([CHARPLAY, *args], input=stdin, capture_output=True,
                            env=env, timeout=timeout, **kwargs)
    return result, time.monotonic() - started


def play(path, **kwargs):
    """Plays path, typed on standard input."""
    return run(stdin=path.encode() + b"\n", **kwargs)[0]


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
