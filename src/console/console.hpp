#pragma once

// What the player needs from the console it plays in. One implementation per
// platform; each keeps a redirected output clean, so that it carries the
// frames and the failure message and nothing else.

#include <string>

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

// Whether a window of the video library can be shown here: a display that
// is set and answers.
bool display_available();
