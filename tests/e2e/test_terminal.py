"""charplay in a real terminal (tmux): frames in place, title, clean exit."""
import unittest

from tests.harness import NO_DISPLAY, TITLE, fixture
from tests.e2e.tmux_pane import Pane


class Terminal(unittest.TestCase):
    def test_frames_overwrite_in_place_and_the_screen_ends_empty(self):
        pane = Pane(170, 100, NO_DISPLAY)
        self.addCleanup(pane.close)
        # White, then grey and black by turns, ten a second.
        pane.start(fixture("terminal.mkv"))

        def one_grey_frame_at_the_top(screen):
            return (all(row == "x" * 160 for row in screen[:90])
                    and all(row == "" for row in screen[90:]))
        self.assertIsNotNone(pane.wait_for_screen(one_grey_frame_at_the_top),
                             "never saw a grey frame alone at the top-left:\n"
                             + "\n".join(pane.screen()))
        self.assertEqual(pane.tmux_out("display", "-p", "#{pane_title}").strip(), TITLE)

        self.assertEqual(pane.exit_status(), 0)
        self.assertEqual(pane.screen(), [""] * 100)
        self.assertEqual(pane.tmux_out("display", "-p", "#{cursor_x},#{cursor_y}").strip(), "0,0")
        self.assertEqual(pane.scrollback().strip(), "", "the scroll-back still holds frames")


if __name__ == "__main__":
    unittest.main()
