// A stand-in for ffmpeg.exe, for testing the Windows capture's side of the
// pipe under Wine, where no Windows build of ffmpeg is at hand. It encodes
// nothing: it copies its standard input (the raw frames) to the output file,
// the last argument, so a test can compare those bytes with the frames of a
// PNG capture.
//
// Environment, both optional:
//   ORV_FAKE_FFMPEG_ARGS  file that receives the arguments, one per line (UTF-8)
//   ORV_FAKE_FFMPEG_WAV   file that receives a copy of the "-f wav -i FILE" input,
//                         taken when the program starts
//
// It ignores Ctrl+C, as ffmpeg keeps reading what is already in the pipe, and
// ends when the pipe does: exit 0, or 1 when a file cannot be written.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring Environment(const wchar_t* name)
{
    wchar_t value[4096];
    const DWORD n = GetEnvironmentVariableW(name, value, 4096);
    return n > 0 && n < 4096 ? std::wstring(value, n) : std::wstring();
}

bool CopyAll(HANDLE from, HANDLE to)
{
    std::vector<char> buffer(1 << 16);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) || got == 0)
            return true;  // end of the pipe (or of the file)
        DWORD put = 0;
        if (!WriteFile(to, buffer.data(), got, &put, nullptr) || put != got)
            return false;
    }
}

HANDLE Create(const std::wstring& path)
{
    return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int main()
{
    SetConsoleCtrlHandler(nullptr, TRUE);
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2)
        return 1;

    const std::wstring argsPath = Environment(L"ORV_FAKE_FFMPEG_ARGS");
    if (!argsPath.empty()) {
        std::string text;
        for (int i = 0; i < argc; ++i)
            text += Utf8(argv[i]) + "\n";
        const HANDLE f = Create(argsPath);
        DWORD put = 0;
        if (f == INVALID_HANDLE_VALUE || !WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &put, nullptr))
            return 1;
        CloseHandle(f);
    }

    const std::wstring wavCopy = Environment(L"ORV_FAKE_FFMPEG_WAV");
    for (int i = 1; i + 3 < argc && !wavCopy.empty(); ++i)
        if (std::wstring(argv[i]) == L"-f" && std::wstring(argv[i + 1]) == L"wav" && std::wstring(argv[i + 2]) == L"-i") {
            if (!CopyFileW(argv[i + 3], wavCopy.c_str(), FALSE))
                return 1;
            break;
        }

    const HANDLE out = Create(argv[argc - 1]);
    if (out == INVALID_HANDLE_VALUE)
        return 1;
    const bool copied = CopyAll(GetStdHandle(STD_INPUT_HANDLE), out);
    return CloseHandle(out) && copied ? 0 : 1;
}
