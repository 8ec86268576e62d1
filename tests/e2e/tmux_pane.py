"""A tmux pane that runs one charplay, for tests of what a terminal shows."""
import itertools
import os
import shlex
import shutil
import subprocess
import tempfile

from tests.harness import CHARPLAY, wait_for_status, wait_until

SERVERS = itertools.count()


class Pane:
    def __init__(self, width, height, env):
        self.width, self.height = width, height
        self.folder = tempfile.mkdtemp()
        self.status = os.path.join(self.folder, "status")
        # A server of its own: a name never used before, so no other pane's
        # server, perhaps still on its way out, is in the way.
        self.tmux = ["tmux", "-L", f"charplay-test-{os.getpid()}-{next(SERVERS)}", "-f", "/dev/null"]
        self.env = {k: v for k, v in env.items() if k != "TMUX"}
        self.env.update(LANG="C.UTF-8", LC_ALL="C.UTF-8")

    def start(self, path, before="", program=CHARPLAY):
        """Runs charplay (or another build of it, program) as the pane's
        program, so it starts at the top-left, after the shell commands
        before. The shell around it outlives a Ctrl+C, to tell charplay's
        status."""
        script = (f"trap true INT; {before}echo {shlex.quote(path)} | {shlex.quote(program)}; "
                  f"echo $? > {shlex.quote(self.status)}; sleep 60")
        subprocess.run(self.tmux + ["-u", "new-session", "-d", "-x", str(self.width),
                                    "-y", str(self.height), "sh", "-c", script],
                       env=self.env, check=True)

    def close(self):
        subprocess.run(self.tmux + ["kill-server"], stderr=subprocess.DEVNULL)
        shutil.rmtree(self.folder, ignore_errors=True)

    def tmux_out(self, *args):
        return subprocess.run(self.tmux + list(args), capture_output=True, text=True,
                              check=True).stdout

    def screen(self):
        rows = self.tmux_out("capture-pane", "-p").split("\n")[:self.height]
        return rows + [""] * (self.height - len(rows))

    def text(self):
        """What the pane shows, wrapped lines joined, blank ends dropped."""
        return self.tmux_out("capture-pane", "-p", "-J").strip()

    def scrollback(self):
        return self.tmux_out("capture-pane", "-p", "-S", "-", "-E", "-1")

    def wait_for_screen(self, condition, seconds=20):
        """The first screen that meets condition, or None."""
        def met():
            screen = self.screen()
            return screen if condition(screen) else None
        return wait_until(met, seconds, every=0.01)

    def exit_status(self, seconds=30):
        """charplay's exit status, or None if it did not end in time."""
        return wait_for_status(self.status, seconds)
