// console-read.exe, for unicode-wine-test: what a program shows in a console.
//
//   console-read OUT PROGRAM [ARGS...]
//
// Gets a console of its own, runs PROGRAM with ARGS in it (a GUI program
// attaches to it, a console program shares it), waits up to 60 s for it to
// end, then reads the console's screen back as characters and writes its
// lines, UTF-8, into the file OUT. Exits with PROGRAM's exit code; 125 when
// it could not run PROGRAM or it did not end.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

// One argument spelled so that CommandLineToArgvW gives it back as it is.
std::wstring Quoted(const std::wstring& arg)
{
    std::wstring out = L"\"";
    size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        out.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
        slashes = 0;
        out += c;
    }
    out.append(2 * slashes, L'\\');
    return out + L"\"";
}

std::string Utf8(const wchar_t* text, int length)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

int main()
{
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args || count < 3) {
        std::fprintf(stderr, "usage: console-read OUT PROGRAM [ARGS...]\n");
        return 125;
    }
    FreeConsole();
    if (!AllocConsole()) {
        std::fprintf(stderr, "console-read: no console (error %lu)\n", GetLastError());
        return 125;
    }
    // Wide enough that no message line wraps.
    const HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    SetConsoleScreenBufferSize(screen, {400, 200});
    std::wstring line;
    for (int i = 2; i < count; ++i)
        line += (i > 2 ? L" " : L"") + Quoted(args[i]);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(args[2], line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "console-read: could not start the program (error %lu)\n", GetLastError());
        return 125;
    }
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
        std::fprintf(stderr, "console-read: the program still ran after 60 s\n");
        return 125;
    }
    DWORD code = 125;
    GetExitCodeProcess(pi.hProcess, &code);

    CONSOLE_SCREEN_BUFFER_INFO info;
    if (screen == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(screen, &info)) {
        std::fprintf(stderr, "console-read: cannot read the console (error %lu)\n", GetLastError());
        return 125;
    }
    const HANDLE out = CreateFileW(args[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "console-read: cannot write OUT (error %lu)\n", GetLastError());
        return 125;
    }
    std::wstring row(static_cast<size_t>(info.dwSize.X), L' ');
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
        DWORD got = 0;
        ReadConsoleOutputCharacterW(screen, row.data(), static_cast<DWORD>(row.size()), {0, y}, &got);
        int length = static_cast<int>(got);
        while (length > 0 && row[static_cast<size_t>(length - 1)] == L' ')
            --length;
        const std::string text = Utf8(row.data(), length) + "\n";
        DWORD written = 0;
        WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    CloseHandle(out);
    return static_cast<int>(code);
}
