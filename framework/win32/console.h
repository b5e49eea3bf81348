// The console of a program linked for the GUI subsystem.
//
// Started from Explorer or a shortcut such a program gets no console window.
// Started from cmd or PowerShell it writes into the console it was started
// from: OrvUseParentConsole attaches to that console and points the standard
// streams the shell left unconnected at it. A stream the shell redirected to a
// file or a pipe (or to NUL) stays where it goes. Names are written as UTF-8,
// stdout and stderr, where they are the console, reach it through
// WriteConsoleW, so the console shows every character whatever its code page
// (and the code page is UTF-8 while the program runs; the earlier one comes
// back when the program exits through exit() or main's return). Redirected,
// they write UTF-8 bytes.
#pragma once

// Call once, first thing in WinMain. Does nothing when the parent has no
// console (Explorer, a shortcut, a program that has none). In a console
// program it only makes the console show UTF-8.
void OrvUseParentConsole();

// Writes into the console all that stdout and stderr were given. exit() and
// main's return call it; call it before ExitProcess. Writes made afterwards
// go to the console as bytes.
void OrvFinishConsole();
