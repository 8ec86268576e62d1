#pragma once

// The console the frames are played in: a terminal driven by VT escape
// sequences on POSIX, the console API on Windows. A redirected output
// carries the frames and the failure message and nothing else.

#include <string>

namespace charplay {

// Puts a placeholder behind any closed standard stream, so that none of its
// numbers is reused by a file the libraries open; a closed output then
// counts as a failed write. Call first.
void keep_standard_streams_open();

// Names the console window "视频转字符画".
void console_set_title();

// Asks for a 3 x 7 pixel character cell, where the console can be asked.
void console_set_font();

// Writes a whole frame text in one piece, on a terminal as one synchronized
// update (mode 2026), which a stop ends even where it cut the frame short;
// gives up once a stop is requested.
void console_write_frame(const std::string& out);

// Moves the cursor to the top-left cell, so the next frame overwrites this one.
void console_home();

// Empties the console, scroll-back included, and homes the cursor.
void console_clear();

// What console_clear does, with nothing but calls that are safe in a
// signal handler or on another thread while the main one is busy. On POSIX
// it never waits on the terminal: what the terminal has no room for is
// left out.
void console_clear_at_once();

// Whether a frame text has begun to go out: until then the console shows
// only what the user had on it.
bool console_frame_written();

// Writes "输入地址错误！！" and an end of line to standard output.
void console_report_open_failure();

// The size of the console's visible window in character cells; false when
// standard output is no console (a file, a pipe).
bool console_window_size(int& columns, int& rows);

} // namespace charplay
