#include "player/fit.hpp"

#include "platform/console.hpp"
#include "render/render.hpp"

#include <cstdio>

namespace charplay {

void hint_if_console_too_small(int columns)
{
    const int rows = frame_rows + 1;
    int has_columns = 0, has_rows = 0;
    // A size never learnt, or nothing drawn, needs nothing of the terminal.
    if (columns <= 0 || !console_frame_written())
        return;
    if (!console_window_size(has_columns, has_rows) || (has_columns >= columns && has_rows >= rows))
        return;
    std::fprintf(stderr,
                 "charplay: the frames need a terminal of %d x %d (columns x rows), this one is "
                 "%d x %d: zoom out (Ctrl+- in most terminals), pick a smaller font or enlarge "
                 "the window.\n",
                 columns, rows, has_columns, has_rows);
}

} // namespace charplay
