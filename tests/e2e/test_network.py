"""Streams over the network: HTTP, HTTPS, HLS, a cut connection, a refused one."""
import unittest

from charplay import NO_DISPLAY, play
from network import Streams


class Network(Streams, unittest.TestCase):
    end_of_line = b"\n"

    def play(self, address):
        return play(address, env=dict(NO_DISPLAY, LC_ALL="C.UTF-8"))


if __name__ == "__main__":
    unittest.main()
