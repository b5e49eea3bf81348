// The console of a program linked for the GUI subsystem.
//
// Started from Explorer or a shortcut such a program gets no console window.
// Started from cmd or PowerShell it writes into the console it was started
// from: OrvUseParentConsole attaches to that console and points the standard
// streams the shell left unconnected at it. A stream the shell redirected to a
// file or a pipe (or to NUL) stays where it goes. Names are written as UTF-8,
// so while the program runs the console shows UTF-8; its earlier code page
// comes back when the program exits through exit() or main's return.
#pragma once

// Call once, first thing in WinMain. Does nothing when the parent has no
// console (Explorer, a shortcut, a program that has none). In a console
// program it only makes the console show UTF-8.
void OrvUseParentConsole();
