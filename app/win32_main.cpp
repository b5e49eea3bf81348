// Entry point on Windows: WinMain in a GUI-subsystem program.
//
// Double-clicked in Explorer or started from a shortcut the show opens no
// console window. Started from cmd or PowerShell it writes its trace,
// progress and messages into that console, or into the file or pipe the
// shell redirected them to (framework/win32/console.h). The arguments come
// from the UTF-16 command line as UTF-8, the encoding every file name in the
// program has.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/program.h"
#include "framework/fp_traps.h"
#include "framework/win32/console.h"
#include "framework/win32/instance.h"

namespace {

std::string Utf8(const wchar_t* wide)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return {};
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), n, nullptr, nullptr);
    text.resize(static_cast<size_t>(n - 1));
    return text;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    OrvUseParentConsole();
    OrvSetInstance(instance);
    OrvMaskFloatingPointTraps();
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 0; wide && i < count; ++i)
        args.push_back(Utf8(wide[i]));
    if (wide)
        LocalFree(wide);
    if (args.empty())
        args.emplace_back("orvdemo");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    return OrvProgram(static_cast<int>(args.size()), argv.data());
}
