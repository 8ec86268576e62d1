#pragma once

// What the player needs from the console it plays in. One implementation per
// platform; each keeps a redirected output clean, so that it carries the
// frames and the failure message and nothing else.

#include <string>

// Puts a placeholder behind any closed standard stream, so that none of its
// numbers is reused by a file the libraries open; a closed output then
// counts as a failed write. Call first.
void console_keep_streams_open();

// Sets an environment variable unless it is set already.
void set_env_default(const char* name, const char* value);

// Names the console window "视频转字符画".
void console_set_title();

// Asks for a 3 x 7 pixel character cell, where the console can be asked.
void console_set_font();

// Writes a whole frame text in one piece.
void console_write_frame(const std::string& out);

// Moves the cursor to the top-left cell, so the next frame overwrites this one.
void console_home();

// Empties the console, scroll-back included, and homes the cursor.
void console_clear();

// Writes "输入地址错误！！" and an end of line to standard output.
void console_report_open_failure();

// From here on, an interrupt, a termination or a hang-up (Ctrl+C or a closed
// window on Windows) asks playback to stop instead of ending the process; a
// second one ends it at once.
void console_catch_signals();

// Whether playback has to stop: a caught signal, or an output that is gone.
bool console_stop_requested();

// Why playback stopped, as an exit status: 0 for nothing, 128 + the signal
// for a signal, 141 when the reader of the output went away (as if killed by
// SIGPIPE), 1 when writing failed otherwise (said once on standard error).
int console_exit_status();

// Whether a window of the video library can be shown here: a display that
// is set and answers.
bool display_available();
