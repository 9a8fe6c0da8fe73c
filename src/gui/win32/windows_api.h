#pragma once
// Windows' headers for this front end. They define names of their own functions as
// macros (MessageBox for MessageBoxW, DrawText for DrawTextW), which would rename the
// program's methods of those names in every file that sees them: here they are taken
// back, and this front end calls the wide functions by their full names.

#include <windows.h>

#include <commctrl.h>

#undef MessageBox
#undef DrawText
