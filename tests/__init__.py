"""charplay's tests. Run them, and the scripts beside them, from the
project's folder as modules (python3 -m unittest tests.e2e.test_playback):
then `tests.harness` and the other helpers import by their full names, with
no path to set."""
